// The pixel formats and frame sizes the virtual camera offers, and how it
// adjusts a requested format to one it can deliver, as a V4L2 driver does in
// VIDIOC_S_FMT and VIDIOC_TRY_FMT.
#ifndef VELMORA_VIRTUAL_CAMERA_FRAME_FORMAT_H_
#define VELMORA_VIRTUAL_CAMERA_FRAME_FORMAT_H_

#include <linux/videodev2.h>

#include <cstdint>

namespace velmora::vcam {

constexpr std::uint32_t kMinWidth = 16;
constexpr std::uint32_t kMinHeight = 16;
constexpr std::uint32_t kMaxWidth = 3840;
constexpr std::uint32_t kMaxHeight = 2160;

// The largest frame the device will agree to.  It is the hardware's limit
// unless a "size limit" fault lowers it.
struct SizeLimits {
  std::uint32_t max_width = kMaxWidth;
  std::uint32_t max_height = kMaxHeight;
};

// Bounds a fault's size limit to the hardware's range.
SizeLimits bounded_limits(std::uint32_t max_width, std::uint32_t max_height);

struct FrameFormat {
  std::uint32_t width = 640;
  std::uint32_t height = 480;
  std::uint32_t fourcc = V4L2_PIX_FMT_BGR24;

  // Rows are padded to a multiple of 4 bytes, as some hardware does.  OpenCV
  // 4.6 depends on it: it copies a BGR24 buffer whole into an image whose
  // rows are 4-byte aligned and never looks at bytesperline, so an odd
  // width with packed rows would come out sheared.
  std::uint32_t bytes_per_line() const;
  std::uint32_t image_size() const;
};

// Offered pixel formats, in VIDIOC_ENUM_FMT order; null past the end.
struct PixelFormatInfo {
  std::uint32_t fourcc;
  const char* description;
  std::uint32_t bytes_per_pixel;
  // Horizontal alignment the format needs (YUYV packs pixels in pairs).
  std::uint32_t width_step;
};
const PixelFormatInfo* pixel_format_at(std::uint32_t index);
const PixelFormatInfo* find_pixel_format(std::uint32_t fourcc);

// The format the device delivers when asked for `requested`: an unknown pixel
// format becomes BGR24, and the size is clamped to [16x16, limits] and
// aligned down to the format's width step.  Never fails: V4L2 drivers answer
// S_FMT with the nearest format they support rather than an error.
FrameFormat negotiate_format(const FrameFormat& requested, const SizeLimits& limits);

}  // namespace velmora::vcam

#endif  // VELMORA_VIRTUAL_CAMERA_FRAME_FORMAT_H_
