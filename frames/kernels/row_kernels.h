// Row functions of frame delivery, one set per instruction set: the plain
// C++ reference and a SIMD variant for each processor family the library
// ships on.  Every function of every set takes any width (including 0), reads
// only the source pixels it converts and writes only the destination pixels
// it produces, so rows may end right at the edge of mapped memory.
//
// Pixel formats: a frame pixel is `channels` bytes of which the first three
// are blue, green, red; a bitmap pixel is four bytes blue, green, red, 255.
#ifndef VELMORA_FRAMES_KERNELS_ROW_KERNELS_H_
#define VELMORA_FRAMES_KERNELS_ROW_KERNELS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::kernels {

struct RowKernels {
  const char* name;
  // Frame row of `width` pixels (3 or 4 bytes each) to bitmap pixels.
  void (*convertRow3)(const uint8_t* src, uint8_t* dst, int width);
  void (*convertRow4)(const uint8_t* src, uint8_t* dst, int width);
  // The same, right to left: bitmap pixel j takes frame pixel width-1-j.
  void (*convertMirrorRow3)(const uint8_t* src, uint8_t* dst, int width);
  void (*convertMirrorRow4)(const uint8_t* src, uint8_t* dst, int width);
  // Bitmap pixels back to 3-byte frame pixels (the alpha byte is dropped).
  void (*packRow)(const uint8_t* src, uint8_t* dst, int width);
  // Gathers `rows` output rows of `width` 3-byte pixels each from a frame:
  // output pixel (k, j) is the frame pixel at src + j*srcRowStep +
  // k*srcPixelStep (srcPixelStep is 3 or -3), written as a bitmap pixel to
  // dst32 + k*dst32Step + 4*j and as a frame pixel to dst3 + k*dst3Step + 3*j.
  void (*rotateRows3)(const uint8_t* src, ptrdiff_t srcRowStep, ptrdiff_t srcPixelStep,
                      uint8_t* dst32, ptrdiff_t dst32Step, uint8_t* dst3, ptrdiff_t dst3Step,
                      int rows, int width);
};

// The plain reference: what every other set must equal byte for byte.
const RowKernels& referenceRowKernels();

// The fastest set this processor runs, chosen once on first use.
const RowKernels& rowKernels();

// The reference first, then every SIMD set built in that this processor runs.
std::vector<const RowKernels*> availableRowKernels();

// Reference rows for any channel count of at least 3: `rotateRows` as above
// with `channels`-byte pixels (srcPixelStep is channels or -channels), and a
// null dst32 when only the frame rows are wanted.
void convertRowReference(const uint8_t* src, int channels, uint8_t* dst, int width);
void rotateRowsReference(const uint8_t* src, ptrdiff_t srcRowStep, ptrdiff_t srcPixelStep,
                         int channels, uint8_t* dst32, ptrdiff_t dst32Step, uint8_t* dstN,
                         ptrdiff_t dstNStep, int rows, int width);

}  // namespace velmora::kernels

#endif  // VELMORA_FRAMES_KERNELS_ROW_KERNELS_H_
