// The row functions of each instruction set, for the sets and the dispatch.
// A SIMD function covers the widths its vectors fit and hands the remaining
// pixels to the reference function of the same name.
#ifndef VELMORA_FRAMES_KERNELS_ROW_KERNELS_VARIANTS_H_
#define VELMORA_FRAMES_KERNELS_ROW_KERNELS_VARIANTS_H_

#include <cstddef>
#include <cstdint>

#include "frames/kernels/row_kernels.h"

namespace velmora::kernels {

void ConvertRow3_C(const uint8_t* src, uint8_t* dst, int width);
void ConvertRow4_C(const uint8_t* src, uint8_t* dst, int width);
void ConvertMirrorRow3_C(const uint8_t* src, uint8_t* dst, int width);
void ConvertMirrorRow4_C(const uint8_t* src, uint8_t* dst, int width);
void PackRow_C(const uint8_t* src, uint8_t* dst, int width);
void RotateRows3_C(const uint8_t* src, ptrdiff_t srcRowStep, ptrdiff_t srcPixelStep, uint8_t* dst32,
                   ptrdiff_t dst32Step, uint8_t* dst3, ptrdiff_t dst3Step, int rows, int width);

#if defined(__x86_64__) || defined(__i386__)
#define VELMORA_KERNELS_HAVE_SSSE3 1
// Compiled for SSSE3 alone; call only when the processor has it.
const RowKernels& ssse3RowKernels();
#endif

#if defined(__aarch64__) || defined(__ARM_NEON) || defined(__arm__)
#define VELMORA_KERNELS_HAVE_NEON 1
// Compiled for NEON alone; on 32-bit ARM call only when the processor has it.
const RowKernels& neonRowKernels();
#endif

}  // namespace velmora::kernels

#endif  // VELMORA_FRAMES_KERNELS_ROW_KERNELS_VARIANTS_H_
