// The debug overlay as a list of pixels.  With 8-connected lines one pixel
// thick, putText only sets pixels to its colour and blends nothing, so the
// text can be drawn once per frame size, away from the frame, and stamped
// onto every frame of that size by plain code while the bitmap is held.
#ifndef VELMORA_FRAMES_OVERLAY_PIXELS_H_
#define VELMORA_FRAMES_OVERLAY_PIXELS_H_

#include <cstdint>
#include <vector>

#include "frames/pixel_plane.h"

namespace velmora {

struct OverlayPixel {
  int32_t row;
  int32_t col;
};

// The pixels that drawSizeOverlay sets on a frame of `rows` x `cols`.  The
// list for the last size asked for is kept and returned again for that size;
// a new size replaces it.
const std::vector<OverlayPixel>& overlayPixels(int rows, int cols);

// Sets the overlay pixels to green in `frame` (blue 0, green 255, red 0, and
// 255 in a fourth channel) and in the bitmap rows when there are any.
void stampOverlay(const std::vector<OverlayPixel>& pixels, const PixelPlane& frame,
                  const BitmapRows& bitmap) noexcept;

}  // namespace velmora

#endif  // VELMORA_FRAMES_OVERLAY_PIXELS_H_
