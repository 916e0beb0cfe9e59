#include "virtual_camera/frame_patterns.h"

namespace velmora::vcam {

void render_frame(Pattern pattern, const FrameFormat& format, std::uint64_t frame,
                  std::uint8_t* pixels) {
  switch (pattern) {
    case Pattern::kGradient:
      render_gradient(format, frame, pixels);
      return;
    case Pattern::kDemo:
      render_demo(format, frame, pixels);
      return;
  }
}

}  // namespace velmora::vcam
