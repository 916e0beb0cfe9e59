// Frame and bitmap pixels as plain memory, for the code that runs while the
// script's bitmap is acquired and may call neither OpenCV nor the runtime.
#ifndef VELMORA_FRAMES_PIXEL_PLANE_H_
#define VELMORA_FRAMES_PIXEL_PLANE_H_

#include <cstddef>
#include <cstdint>

namespace velmora {

// `rows` rows of `cols` pixels of `channels` bytes, rows `step` bytes apart.
struct PixelPlane {
  uint8_t* data = nullptr;
  ptrdiff_t step = 0;
  int rows = 0;
  int cols = 0;
  int channels = 0;

  uint8_t* row(int r) const { return data + r * step; }
};

// Bitmap rows of 4-byte pixels, `step` bytes apart, as many rows and pixels
// as the frame written into them.  A null `data` stands for no bitmap.
struct BitmapRows {
  uint8_t* data = nullptr;
  ptrdiff_t step = 0;

  uint8_t* row(int r) const { return data + r * step; }
};

}  // namespace velmora

#endif  // VELMORA_FRAMES_PIXEL_PLANE_H_
