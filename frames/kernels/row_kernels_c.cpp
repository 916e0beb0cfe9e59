#include <cstring>

#include "frames/kernels/row_kernels.h"
#include "frames/kernels/row_kernels_variants.h"

namespace velmora::kernels {

namespace {

inline void putBitmapPixel(const uint8_t* in, uint8_t* out) {
  out[0] = in[0];
  out[1] = in[1];
  out[2] = in[2];
  out[3] = 255;
}

void convertMirrorRowReference(const uint8_t* src, int channels, uint8_t* dst, int width) {
  for (int j = 0; j < width; ++j, dst += 4) {
    putBitmapPixel(src + static_cast<ptrdiff_t>(width - 1 - j) * channels, dst);
  }
}

}  // namespace

void convertRowReference(const uint8_t* src, int channels, uint8_t* dst, int width) {
  for (int j = 0; j < width; ++j, src += channels, dst += 4) putBitmapPixel(src, dst);
}

void rotateRowsReference(const uint8_t* src, ptrdiff_t srcRowStep, ptrdiff_t srcPixelStep,
                         int channels, uint8_t* dst32, ptrdiff_t dst32Step, uint8_t* dstN,
                         ptrdiff_t dstNStep, int rows, int width) {
  for (int k = 0; k < rows; ++k) {
    const uint8_t* in = src + k * srcPixelStep;
    uint8_t* outN = dstN + k * dstNStep;
    uint8_t* out32 = dst32 != nullptr ? dst32 + k * dst32Step : nullptr;
    for (int j = 0; j < width; ++j, in += srcRowStep, outN += channels) {
      std::memcpy(outN, in, static_cast<size_t>(channels));
      if (out32 != nullptr) putBitmapPixel(in, out32 + 4 * j);
    }
  }
}

void ConvertRow3_C(const uint8_t* src, uint8_t* dst, int width) {
  convertRowReference(src, 3, dst, width);
}

void ConvertRow4_C(const uint8_t* src, uint8_t* dst, int width) {
  convertRowReference(src, 4, dst, width);
}

void ConvertMirrorRow3_C(const uint8_t* src, uint8_t* dst, int width) {
  convertMirrorRowReference(src, 3, dst, width);
}

void ConvertMirrorRow4_C(const uint8_t* src, uint8_t* dst, int width) {
  convertMirrorRowReference(src, 4, dst, width);
}

void PackRow_C(const uint8_t* src, uint8_t* dst, int width) {
  for (int j = 0; j < width; ++j, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

void RotateRows3_C(const uint8_t* src, ptrdiff_t srcRowStep, ptrdiff_t srcPixelStep, uint8_t* dst32,
                   ptrdiff_t dst32Step, uint8_t* dst3, ptrdiff_t dst3Step, int rows, int width) {
  rotateRowsReference(src, srcRowStep, srcPixelStep, 3, dst32, dst32Step, dst3, dst3Step, rows,
                      width);
}

const RowKernels& referenceRowKernels() {
  static const RowKernels kernels{
      "C",        &ConvertRow3_C, &ConvertRow4_C, &ConvertMirrorRow3_C, &ConvertMirrorRow4_C,
      &PackRow_C, &RotateRows3_C};
  return kernels;
}

}  // namespace velmora::kernels
