// SSSE3 rows: 16 pixels per step for the row conversions, 16 x 16 tiles for
// the rotation (4 x 4 where fewer than 16 rows remain).  Loads never reach
// past the pixels being converted, so the tails go to the reference
// functions.
#include "frames/kernels/row_kernels_variants.h"

#if defined(VELMORA_KERNELS_HAVE_SSSE3)

#include <tmmintrin.h>

#include <cstring>

namespace velmora::kernels {

namespace {

constexpr char kNone = static_cast<char>(0x80);

// Four 3-byte pixels in bytes 0..11 to four bitmap pixels (alpha still 0).
inline __m128i expandForward() {
  return _mm_setr_epi8(0, 1, 2, kNone, 3, 4, 5, kNone, 6, 7, 8, kNone, 9, 10, 11, kNone);
}
// The same with the pixel order reversed.
inline __m128i expandReversed() {
  return _mm_setr_epi8(9, 10, 11, kNone, 6, 7, 8, kNone, 3, 4, 5, kNone, 0, 1, 2, kNone);
}
// Both again for four pixels in bytes 4..15.
inline __m128i expandHighForward() {
  return _mm_setr_epi8(4, 5, 6, kNone, 7, 8, 9, kNone, 10, 11, 12, kNone, 13, 14, 15, kNone);
}
inline __m128i expandHighReversed() {
  return _mm_setr_epi8(13, 14, 15, kNone, 10, 11, 12, kNone, 7, 8, 9, kNone, 4, 5, 6, kNone);
}
inline __m128i packMask() {
  return _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, kNone, kNone, kNone, kNone);
}
inline __m128i alpha() { return _mm_set1_epi32(static_cast<int>(0xff000000u)); }

inline __m128i load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Exactly 12 bytes: four 3-byte pixels.
inline __m128i load12(const uint8_t* p) {
  int32_t high;
  std::memcpy(&high, p + 8, sizeof high);
  return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                            _mm_cvtsi32_si128(high));
}
inline void store12(uint8_t* p, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
  const int32_t high = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
  std::memcpy(p + 8, &high, sizeof high);
}

// 16 bitmap pixels to 48 bytes of frame pixels; `shuffle` is packMask().
inline void packSixteen(const uint8_t* src, uint8_t* dst, __m128i shuffle) {
  const __m128i a = _mm_shuffle_epi8(load(src), shuffle);
  const __m128i b = _mm_shuffle_epi8(load(src + 16), shuffle);
  const __m128i c = _mm_shuffle_epi8(load(src + 32), shuffle);
  const __m128i d = _mm_shuffle_epi8(load(src + 48), shuffle);
  store(dst, _mm_or_si128(a, _mm_slli_si128(b, 12)));
  store(dst + 16, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
  store(dst + 32, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
}

// 16 pixels in 48 bytes to four registers of four pixels each, in `shuffle`'s
// order within each register.
struct Expanded16 {
  __m128i p0, p1, p2, p3;
};
inline Expanded16 expand16(const uint8_t* src, __m128i shuffle) {
  const __m128i a = load(src);
  const __m128i b = load(src + 16);
  const __m128i c = load(src + 32);
  const __m128i fill = alpha();
  return {_mm_or_si128(_mm_shuffle_epi8(a, shuffle), fill),
          _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), shuffle), fill),
          _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), shuffle), fill),
          _mm_or_si128(_mm_shuffle_epi8(_mm_srli_si128(c, 4), shuffle), fill)};
}

// r_t holds output pixels (k, j+t) for k = 0..3; transposing gives rows.
struct Transposed {
  __m128i row0, row1, row2, row3;
};
inline Transposed transpose(__m128i r0, __m128i r1, __m128i r2, __m128i r3) {
  const __m128i lo01 = _mm_unpacklo_epi32(r0, r1);
  const __m128i lo23 = _mm_unpacklo_epi32(r2, r3);
  const __m128i hi01 = _mm_unpackhi_epi32(r0, r1);
  const __m128i hi23 = _mm_unpackhi_epi32(r2, r3);
  return {_mm_unpacklo_epi64(lo01, lo23), _mm_unpackhi_epi64(lo01, lo23),
          _mm_unpacklo_epi64(hi01, hi23), _mm_unpackhi_epi64(hi01, hi23)};
}

// Four output rows of `width` pixels; the four pixels of one frame row sit
// side by side, and walking left they start three pixels before `src` and
// are reversed on expansion.
void rotateFourRows(const uint8_t* src, ptrdiff_t srcRowStep, ptrdiff_t srcPixelStep,
                    uint8_t* dst32, ptrdiff_t dst32Step, uint8_t* dst3, ptrdiff_t dst3Step,
                    int width) {
  const ptrdiff_t start = srcPixelStep > 0 ? 0 : 3 * srcPixelStep;
  const __m128i shuffle = srcPixelStep > 0 ? expandForward() : expandReversed();
  const __m128i fill = alpha();
  const __m128i pack = packMask();
  int j = 0;
  for (; j + 4 <= width; j += 4) {
    const uint8_t* in = src + j * srcRowStep + start;
    const Transposed t =
        transpose(_mm_or_si128(_mm_shuffle_epi8(load12(in), shuffle), fill),
                  _mm_or_si128(_mm_shuffle_epi8(load12(in + srcRowStep), shuffle), fill),
                  _mm_or_si128(_mm_shuffle_epi8(load12(in + 2 * srcRowStep), shuffle), fill),
                  _mm_or_si128(_mm_shuffle_epi8(load12(in + 3 * srcRowStep), shuffle), fill));
    const __m128i out[4] = {t.row0, t.row1, t.row2, t.row3};
    for (int k = 0; k < 4; ++k) {
      store(dst32 + k * dst32Step + 4 * j, out[k]);
      store12(dst3 + k * dst3Step + 3 * j, _mm_shuffle_epi8(out[k], pack));
    }
  }
  RotateRows3_C(src + j * srcRowStep, srcRowStep, srcPixelStep, dst32 + 4 * j, dst32Step,
                dst3 + 3 * j, dst3Step, 4, width - j);
}

// A tile of 16 output rows by 4 * `groups` output columns (groups 1..4),
// from the 48 bytes at `block` of as many frame rows: 16 pixels going right,
// or going left with output row 0 taking the last of them.  All 48 bytes of
// a frame row are used while its line is in the first-level cache, and each
// output row gets a cache line's worth of bitmap pixels.  Quarter q (output
// rows 4q..4q+3) is four pixels that one 16-byte load inside the 48 bytes
// covers; the frame rows are packed from the bitmap rows just written, still
// in that cache.
template <bool kLeftward>
void rotateTile(const uint8_t* block, ptrdiff_t srcRowStep, uint8_t* dst32, ptrdiff_t dst32Step,
                uint8_t* dst3, ptrdiff_t dst3Step, int groups) {
  const __m128i fill = alpha();
  const __m128i low = kLeftward ? expandReversed() : expandForward();
  const __m128i high = kLeftward ? expandHighReversed() : expandHighForward();
  for (int q = 0; q < 4; ++q) {
    // The quarter's pixels start at `pixel` in the block; the last four are
    // loaded as bytes 32..47 so that no load reaches past the block.
    const int pixel = kLeftward ? 12 - 4 * q : 4 * q;
    const bool last = pixel == 12;
    const uint8_t* in = block + (last ? 32 : 3 * pixel);
    const __m128i shuffle = last ? high : low;
    uint8_t* out = dst32 + 4 * q * dst32Step;
    for (int g = 0; g < groups; ++g, in += 4 * srcRowStep, out += 16) {
      const Transposed t =
          transpose(_mm_or_si128(_mm_shuffle_epi8(load(in), shuffle), fill),
                    _mm_or_si128(_mm_shuffle_epi8(load(in + srcRowStep), shuffle), fill),
                    _mm_or_si128(_mm_shuffle_epi8(load(in + 2 * srcRowStep), shuffle), fill),
                    _mm_or_si128(_mm_shuffle_epi8(load(in + 3 * srcRowStep), shuffle), fill));
      store(out, t.row0);
      store(out + dst32Step, t.row1);
      store(out + 2 * dst32Step, t.row2);
      store(out + 3 * dst32Step, t.row3);
    }
  }
  const __m128i pack = packMask();
  for (int k = 0; k < 16; ++k) {
    const uint8_t* row32 = dst32 + k * dst32Step;
    uint8_t* row3 = dst3 + k * dst3Step;
    if (groups == 4) {
      packSixteen(row32, row3, pack);
    } else {
      for (int g = 0; g < groups; ++g) {
        store12(row3 + 12 * g, _mm_shuffle_epi8(load(row32 + 16 * g), pack));
      }
    }
  }
}

// Sixteen output rows, a tile at a time along them: the frame is read down a
// column 48 bytes wide while the 16 bitmap rows and 16 frame rows are written
// front to back, so the writes stay 32 sequential streams.
template <bool kLeftward>
void rotateSixteenRows(const uint8_t* src, ptrdiff_t srcRowStep, uint8_t* dst32,
                       ptrdiff_t dst32Step, uint8_t* dst3, ptrdiff_t dst3Step, int width) {
  const uint8_t* block = kLeftward ? src - 45 : src;
  int j = 0;
  for (; j + 16 <= width; j += 16) {
    rotateTile<kLeftward>(block + j * srcRowStep, srcRowStep, dst32 + 4 * j, dst32Step,
                          dst3 + 3 * j, dst3Step, 4);
  }
  const int groups = (width - j) / 4;
  if (groups > 0) {
    rotateTile<kLeftward>(block + j * srcRowStep, srcRowStep, dst32 + 4 * j, dst32Step,
                          dst3 + 3 * j, dst3Step, groups);
    j += 4 * groups;
  }
  RotateRows3_C(src + j * srcRowStep, srcRowStep, kLeftward ? -3 : 3, dst32 + 4 * j, dst32Step,
                dst3 + 3 * j, dst3Step, 16, width - j);
}

void ConvertRow3_SSSE3(const uint8_t* src, uint8_t* dst, int width) {
  const __m128i shuffle = expandForward();
  int j = 0;
  for (; j + 16 <= width; j += 16, src += 48, dst += 64) {
    const Expanded16 v = expand16(src, shuffle);
    store(dst, v.p0);
    store(dst + 16, v.p1);
    store(dst + 32, v.p2);
    store(dst + 48, v.p3);
  }
  ConvertRow3_C(src, dst, width - j);
}

void ConvertMirrorRow3_SSSE3(const uint8_t* src, uint8_t* dst, int width) {
  const __m128i shuffle = expandReversed();
  int j = 0;
  // Output pixels j..j+15 come from frame pixels width-16-j..width-1-j.
  for (; j + 16 <= width; j += 16, dst += 64) {
    const Expanded16 v = expand16(src + 3 * (width - 16 - j), shuffle);
    store(dst, v.p3);
    store(dst + 16, v.p2);
    store(dst + 32, v.p1);
    store(dst + 48, v.p0);
  }
  ConvertMirrorRow3_C(src, dst, width - j);
}

void ConvertRow4_SSSE3(const uint8_t* src, uint8_t* dst, int width) {
  const __m128i fill = alpha();
  int j = 0;
  for (; j + 4 <= width; j += 4, src += 16, dst += 16) store(dst, _mm_or_si128(load(src), fill));
  ConvertRow4_C(src, dst, width - j);
}

void ConvertMirrorRow4_SSSE3(const uint8_t* src, uint8_t* dst, int width) {
  const __m128i fill = alpha();
  int j = 0;
  for (; j + 4 <= width; j += 4, dst += 16) {
    const __m128i v = load(src + 4 * (width - 4 - j));
    store(dst, _mm_or_si128(_mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3)), fill));
  }
  ConvertMirrorRow4_C(src, dst, width - j);
}

void PackRow_SSSE3(const uint8_t* src, uint8_t* dst, int width) {
  const __m128i shuffle = packMask();
  int j = 0;
  for (; j + 16 <= width; j += 16, src += 64, dst += 48) packSixteen(src, dst, shuffle);
  PackRow_C(src, dst, width - j);
}

void RotateRows3_SSSE3(const uint8_t* src, ptrdiff_t srcRowStep, ptrdiff_t srcPixelStep,
                       uint8_t* dst32, ptrdiff_t dst32Step, uint8_t* dst3, ptrdiff_t dst3Step,
                       int rows, int width) {
  if (dst32 == nullptr || (srcPixelStep != 3 && srcPixelStep != -3)) {
    RotateRows3_C(src, srcRowStep, srcPixelStep, dst32, dst32Step, dst3, dst3Step, rows, width);
    return;
  }
  int k = 0;
  for (; k + 16 <= rows; k += 16) {
    const uint8_t* from = src + k * srcPixelStep;
    if (srcPixelStep > 0) {
      rotateSixteenRows<false>(from, srcRowStep, dst32 + k * dst32Step, dst32Step,
                               dst3 + k * dst3Step, dst3Step, width);
    } else {
      rotateSixteenRows<true>(from, srcRowStep, dst32 + k * dst32Step, dst32Step,
                              dst3 + k * dst3Step, dst3Step, width);
    }
  }
  for (; k + 4 <= rows; k += 4) {
    rotateFourRows(src + k * srcPixelStep, srcRowStep, srcPixelStep, dst32 + k * dst32Step,
                   dst32Step, dst3 + k * dst3Step, dst3Step, width);
  }
  RotateRows3_C(src + k * srcPixelStep, srcRowStep, srcPixelStep, dst32 + k * dst32Step, dst32Step,
                dst3 + k * dst3Step, dst3Step, rows - k, width);
}

}  // namespace

const RowKernels& ssse3RowKernels() {
  static const RowKernels kernels{"SSSE3",
                                  &ConvertRow3_SSSE3,
                                  &ConvertRow4_SSSE3,
                                  &ConvertMirrorRow3_SSSE3,
                                  &ConvertMirrorRow4_SSSE3,
                                  &PackRow_SSSE3,
                                  &RotateRows3_SSSE3};
  return kernels;
}

}  // namespace velmora::kernels

#endif  // VELMORA_KERNELS_HAVE_SSSE3
