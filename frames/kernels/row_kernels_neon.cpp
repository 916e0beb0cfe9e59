// NEON rows: 16 pixels per step through the structure loads and stores for
// the row conversions, 8-pixel lane gathers for the rotation.  Loads never
// reach past the pixels being converted, so the tails go to the reference
// functions.
#include "frames/kernels/row_kernels_variants.h"

#if defined(VELMORA_KERNELS_HAVE_NEON)

#include <arm_neon.h>

namespace velmora::kernels {

namespace {

inline uint8x16_t reversed(uint8x16_t v) {
  const uint8x16_t halves = vrev64q_u8(v);
  return vextq_u8(halves, halves, 8);
}

void ConvertRow3_NEON(const uint8_t* src, uint8_t* dst, int width) {
  int j = 0;
  for (; j + 16 <= width; j += 16, src += 48, dst += 64) {
    const uint8x16x3_t in = vld3q_u8(src);
    const uint8x16x4_t out{{in.val[0], in.val[1], in.val[2], vdupq_n_u8(255)}};
    vst4q_u8(dst, out);
  }
  ConvertRow3_C(src, dst, width - j);
}

void ConvertRow4_NEON(const uint8_t* src, uint8_t* dst, int width) {
  int j = 0;
  for (; j + 16 <= width; j += 16, src += 64, dst += 64) {
    uint8x16x4_t v = vld4q_u8(src);
    v.val[3] = vdupq_n_u8(255);
    vst4q_u8(dst, v);
  }
  ConvertRow4_C(src, dst, width - j);
}

void ConvertMirrorRow3_NEON(const uint8_t* src, uint8_t* dst, int width) {
  int j = 0;
  for (; j + 16 <= width; j += 16, dst += 64) {
    const uint8x16x3_t in = vld3q_u8(src + 3 * (width - 16 - j));
    const uint8x16x4_t out{
        {reversed(in.val[0]), reversed(in.val[1]), reversed(in.val[2]), vdupq_n_u8(255)}};
    vst4q_u8(dst, out);
  }
  ConvertMirrorRow3_C(src, dst, width - j);
}

void ConvertMirrorRow4_NEON(const uint8_t* src, uint8_t* dst, int width) {
  int j = 0;
  for (; j + 16 <= width; j += 16, dst += 64) {
    const uint8x16x4_t in = vld4q_u8(src + 4 * (width - 16 - j));
    const uint8x16x4_t out{
        {reversed(in.val[0]), reversed(in.val[1]), reversed(in.val[2]), vdupq_n_u8(255)}};
    vst4q_u8(dst, out);
  }
  ConvertMirrorRow4_C(src, dst, width - j);
}

void PackRow_NEON(const uint8_t* src, uint8_t* dst, int width) {
  int j = 0;
  for (; j + 16 <= width; j += 16, src += 64, dst += 48) {
    const uint8x16x4_t in = vld4q_u8(src);
    const uint8x16x3_t out{{in.val[0], in.val[1], in.val[2]}};
    vst3q_u8(dst, out);
  }
  PackRow_C(src, dst, width - j);
}

// Lane t of each channel takes the pixel t frame rows further on.
#define VELMORA_GATHER_LANE(t) v = vld3_lane_u8(in + (t)*srcRowStep, v, t)

void RotateRows3_NEON(const uint8_t* src, ptrdiff_t srcRowStep, ptrdiff_t srcPixelStep,
                      uint8_t* dst32, ptrdiff_t dst32Step, uint8_t* dst3, ptrdiff_t dst3Step,
                      int rows, int width) {
  if (dst32 == nullptr) {
    RotateRows3_C(src, srcRowStep, srcPixelStep, dst32, dst32Step, dst3, dst3Step, rows, width);
    return;
  }
  const uint8x8_t opaque = vdup_n_u8(255);
  int j = 0;
  for (; j + 8 <= width; j += 8) {
    for (int k = 0; k < rows; ++k) {
      const uint8_t* in = src + j * srcRowStep + k * srcPixelStep;
      uint8x8x3_t v{{vdup_n_u8(0), vdup_n_u8(0), vdup_n_u8(0)}};
      VELMORA_GATHER_LANE(0);
      VELMORA_GATHER_LANE(1);
      VELMORA_GATHER_LANE(2);
      VELMORA_GATHER_LANE(3);
      VELMORA_GATHER_LANE(4);
      VELMORA_GATHER_LANE(5);
      VELMORA_GATHER_LANE(6);
      VELMORA_GATHER_LANE(7);
      const uint8x8x4_t out{{v.val[0], v.val[1], v.val[2], opaque}};
      vst4_u8(dst32 + k * dst32Step + 4 * j, out);
      vst3_u8(dst3 + k * dst3Step + 3 * j, v);
    }
  }
  RotateRows3_C(src + j * srcRowStep, srcRowStep, srcPixelStep, dst32 + 4 * j, dst32Step,
                dst3 + 3 * j, dst3Step, rows, width - j);
}

#undef VELMORA_GATHER_LANE

}  // namespace

const RowKernels& neonRowKernels() {
  static const RowKernels kernels{"NEON",
                                  &ConvertRow3_NEON,
                                  &ConvertRow4_NEON,
                                  &ConvertMirrorRow3_NEON,
                                  &ConvertMirrorRow4_NEON,
                                  &PackRow_NEON,
                                  &RotateRows3_NEON};
  return kernels;
}

}  // namespace velmora::kernels

#endif  // VELMORA_KERNELS_HAVE_NEON
