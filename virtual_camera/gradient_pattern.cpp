#include <linux/videodev2.h>

#include "virtual_camera/frame_patterns.h"

namespace velmora::vcam {

void render_gradient(const FrameFormat& format, std::uint64_t frame, std::uint8_t* pixels) {
  const auto n = static_cast<std::uint8_t>(frame);
  const std::uint32_t stride = format.bytes_per_line();
  for (std::uint32_t y = 0; y < format.height; ++y) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * stride;
    const auto g = static_cast<std::uint8_t>(y);
    if (format.fourcc == V4L2_PIX_FMT_YUYV) {
      for (std::uint32_t x = 0; x < format.width; x += 2) {
        row[2 * x] = static_cast<std::uint8_t>(x);
        row[2 * x + 1] = g;
        row[2 * x + 2] = static_cast<std::uint8_t>(x + 1);
        row[2 * x + 3] = n;
      }
    } else {
      for (std::uint32_t x = 0; x < format.width; ++x) {
        row[3 * x] = static_cast<std::uint8_t>(x);
        row[3 * x + 1] = g;
        row[3 * x + 2] = n;
      }
    }
  }
}

}  // namespace velmora::vcam
