// What the virtual camera draws into a buffer when a frame is dequeued.
//
// Gradient (the default, for tests): every pixel is a pure function of its
// column x, its row y and the frame number n, the device's sequence number
// (0 for the first frame after VIDIOC_STREAMON, counting up by one per
// dequeued frame; in paced mode, by the frame periods elapsed).
//   BGR24: B = x mod 256, G = y mod 256, R = n mod 256.
//   YUYV:  pixel x stores luma Y = x mod 256; each pair of pixels (x even,
//          x + 1) shares U = y mod 256 and V = n mod 256, so a row's bytes
//          are Y(0) U Y(1) V Y(2) U Y(3) V ...
// test_pattern.h states the same definition for tests.
//
// Demo (for people): colour bars, a square moving back and forth, the frame
// number in seven-segment digits and as a 16-bit bar code.  README.md
// describes the layout.
#ifndef VELMORA_VIRTUAL_CAMERA_FRAME_PATTERNS_H_
#define VELMORA_VIRTUAL_CAMERA_FRAME_PATTERNS_H_

#include <cstdint>

#include "virtual_camera/frame_format.h"

namespace velmora::vcam {

enum class Pattern { kGradient, kDemo };

// Fills `pixels`, format.image_size() bytes, with frame `frame` of `pattern`.
void render_frame(Pattern pattern, const FrameFormat& format, std::uint64_t frame,
                  std::uint8_t* pixels);

void render_gradient(const FrameFormat& format, std::uint64_t frame, std::uint8_t* pixels);
void render_demo(const FrameFormat& format, std::uint64_t frame, std::uint8_t* pixels);

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_FRAME_PATTERNS_H_
