// The fused pass of frame delivery: one walk over the frame that turns and
// flips it into its final place in the frame buffer and, when a bitmap of its
// size is held, converts each pixel into the bitmap on the way.
#ifndef VELMORA_FRAMES_ORIENT_CONVERT_H_
#define VELMORA_FRAMES_ORIENT_CONVERT_H_

#include <cstdint>

#include "frames/kernels/row_kernels.h"
#include "frames/pixel_plane.h"

namespace velmora {

// Without rotation `out` must be `raw` itself: rows are swapped and mirrored
// in place.  With rotation `out` is a separate plane of raw.cols rows of
// raw.rows pixels.  Upright frames of 3 or 4 channels, and turned frames of
// 3 channels going into a bitmap, take the row functions of `kernels`; the
// rest go through the reference rows.
void orientAndConvert(const PixelPlane& raw, const PixelPlane& out, bool rotate, int32_t flipCode,
                      const BitmapRows& bitmap, const kernels::RowKernels& kernels) noexcept;

}  // namespace velmora

#endif  // VELMORA_FRAMES_ORIENT_CONVERT_H_
