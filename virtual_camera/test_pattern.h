// The virtual camera's gradient pattern, stated independently of the code
// that draws it, for tests to compute the pixels they expect.
//
// Every pixel is a pure function of its column x, its row y and the frame
// number n, which is the device's sequence number: 0 for the first frame
// after VIDIOC_STREAMON, one more for each frame dequeued after it.
//   BGR24: B = x mod 256, G = y mod 256, R = n mod 256.
//   YUYV:  byte 2x of a row is pixel x's luma, x mod 256; byte 2x + 1 is a
//          chroma sample shared by the pair of pixels (x & ~1, x | 1):
//          U = y mod 256 at even x, V = n mod 256 at odd x.
//
// OpenCV's V4L2 capture dequeues and drops frame 0 when it starts the
// stream, so its k-th read() after opening (or after a size change, which
// restarts the stream) shows frame k.
#ifndef VELMORA_VIRTUAL_CAMERA_TEST_PATTERN_H_
#define VELMORA_VIRTUAL_CAMERA_TEST_PATTERN_H_

#include <cstdint>

namespace velmora::vcam::test_pattern {

struct Bgr {
  std::uint8_t b, g, r;
};

constexpr Bgr gradient_bgr(std::uint32_t x, std::uint32_t y, std::uint64_t frame) {
  return {static_cast<std::uint8_t>(x % 256), static_cast<std::uint8_t>(y % 256),
          static_cast<std::uint8_t>(frame % 256)};
}

// The two bytes pixel x of row y occupies in a YUYV frame.
struct YuyvSample {
  std::uint8_t luma, chroma;
};

constexpr YuyvSample gradient_yuyv(std::uint32_t x, std::uint32_t y, std::uint64_t frame) {
  return {static_cast<std::uint8_t>(x % 256),
          static_cast<std::uint8_t>(x % 2 == 0 ? y % 256 : frame % 256)};
}

}  // namespace velmora::vcam::test_pattern

#endif  // VELMORA_VIRTUAL_CAMERA_TEST_PATTERN_H_
