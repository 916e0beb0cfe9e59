#include "virtual_camera/frame_format.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <iterator>

namespace velmora::vcam {
namespace {

constexpr PixelFormatInfo kPixelFormats[] = {
    {V4L2_PIX_FMT_BGR24, "24-bit BGR 8-8-8", 3, 1},
    {V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", 2, 2},
};

}  // namespace

SizeLimits bounded_limits(std::uint32_t max_width, std::uint32_t max_height) {
  return {std::clamp(max_width, kMinWidth, kMaxWidth),
          std::clamp(max_height, kMinHeight, kMaxHeight)};
}

std::uint32_t FrameFormat::bytes_per_line() const {
  const PixelFormatInfo* info = find_pixel_format(fourcc);
  const std::uint32_t packed = width * (info ? info->bytes_per_pixel : 3);
  return (packed + 3) / 4 * 4;
}

std::uint32_t FrameFormat::image_size() const { return bytes_per_line() * height; }

const PixelFormatInfo* pixel_format_at(std::uint32_t index) {
  return index < std::size(kPixelFormats) ? &kPixelFormats[index] : nullptr;
}

const PixelFormatInfo* find_pixel_format(std::uint32_t fourcc) {
  for (const PixelFormatInfo& info : kPixelFormats) {
    if (info.fourcc == fourcc) return &info;
  }
  return nullptr;
}

FrameFormat negotiate_format(const FrameFormat& requested, const SizeLimits& limits) {
  const PixelFormatInfo* info = find_pixel_format(requested.fourcc);
  if (info == nullptr) info = &kPixelFormats[0];
  FrameFormat format;
  format.fourcc = info->fourcc;
  format.width = std::clamp(requested.width, kMinWidth, limits.max_width);
  format.width -= format.width % info->width_step;
  format.height = std::clamp(requested.height, kMinHeight, limits.max_height);
  return format;
}

}  // namespace velmora::vcam
