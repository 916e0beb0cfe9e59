// How a device answers each V4L2 request: the dispatch, and the requests
// that describe the device and negotiate its format and frame rate.  The
// buffer and streaming requests are in device.cpp.
#include <errno.h>
#include <stdio.h>

#include <algorithm>

#include "virtual_camera/device.h"

namespace velmora::vcam {
namespace {

constexpr std::uint32_t kCapture = V4L2_BUF_TYPE_VIDEO_CAPTURE;

void describe_format(const FrameFormat& format, v4l2_pix_format& pix) {
  pix = v4l2_pix_format{};
  pix.width = format.width;
  pix.height = format.height;
  pix.pixelformat = format.fourcc;
  pix.field = V4L2_FIELD_NONE;
  pix.bytesperline = format.bytes_per_line();
  pix.sizeimage = format.image_size();
  pix.colorspace =
      format.fourcc == V4L2_PIX_FMT_YUYV ? V4L2_COLORSPACE_SMPTE170M : V4L2_COLORSPACE_SRGB;
}

FrameFormat requested_format(const v4l2_pix_format& pix) {
  FrameFormat format;
  format.width = pix.width;
  format.height = pix.height;
  format.fourcc = pix.pixelformat;
  return format;
}

}  // namespace

int Device::ioctl(int fd, std::uint32_t request, void* arg) {
  ioctl_calls_.count(request);
  // Every V4L2 request carries a structure; the kernel fails to copy from a
  // null one before it looks at the request.
  if (arg == nullptr) return EFAULT;
  switch (request) {
    case VIDIOC_QUERYCAP:
      return query_capability(*static_cast<v4l2_capability*>(arg));
    case VIDIOC_ENUM_FMT:
      return enum_format(*static_cast<v4l2_fmtdesc*>(arg));
    case VIDIOC_ENUM_FRAMESIZES:
      return enum_frame_sizes(*static_cast<v4l2_frmsizeenum*>(arg));
    case VIDIOC_G_FMT:
      return get_format(*static_cast<v4l2_format*>(arg));
    case VIDIOC_TRY_FMT:
      return try_format(*static_cast<v4l2_format*>(arg));
    case VIDIOC_S_FMT:
      return set_format(*static_cast<v4l2_format*>(arg));
    case VIDIOC_G_PARM:
      return get_parm(*static_cast<v4l2_streamparm*>(arg));
    case VIDIOC_S_PARM:
      return set_parm(*static_cast<v4l2_streamparm*>(arg));
    case VIDIOC_REQBUFS:
      return request_buffers(fd, *static_cast<v4l2_requestbuffers*>(arg));
    case VIDIOC_QUERYBUF:
      return query_buffer(*static_cast<v4l2_buffer*>(arg));
    case VIDIOC_QBUF:
      return queue_buffer(fd, *static_cast<v4l2_buffer*>(arg));
    case VIDIOC_DQBUF:
      return dequeue_buffer(fd, *static_cast<v4l2_buffer*>(arg));
    case VIDIOC_STREAMON:
      return stream_on(fd, *static_cast<const std::uint32_t*>(arg));
    case VIDIOC_STREAMOFF:
      return stream_off(fd, *static_cast<const std::uint32_t*>(arg));
    // A camera without controls: V4L2 answers a query for an unknown
    // control with EINVAL.
    case VIDIOC_QUERYCTRL:
    case VIDIOC_QUERY_EXT_CTRL:
    case VIDIOC_QUERYMENU:
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL:
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS:
    case VIDIOC_TRY_EXT_CTRLS:
      return EINVAL;
    default:
      // What the kernel answers for a request the driver does not implement.
      return ENOTTY;
  }
}

int Device::query_capability(v4l2_capability& cap) const {
  cap = v4l2_capability{};
  snprintf(reinterpret_cast<char*>(cap.driver), sizeof cap.driver, "velmora_vcam");
  snprintf(reinterpret_cast<char*>(cap.card), sizeof cap.card, "Velmora virtual camera %d", index_);
  snprintf(reinterpret_cast<char*>(cap.bus_info), sizeof cap.bus_info, "platform:velmora-vcam-%d",
           index_);
  cap.version = (6u << 16) | (1u << 8);
  cap.device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
  cap.capabilities = cap.device_caps | V4L2_CAP_DEVICE_CAPS;
  return 0;
}

int Device::enum_format(v4l2_fmtdesc& desc) const {
  const PixelFormatInfo* info = pixel_format_at(desc.index);
  if (desc.type != kCapture || info == nullptr) return EINVAL;
  const std::uint32_t index = desc.index;
  desc = v4l2_fmtdesc{};
  desc.index = index;
  desc.type = kCapture;
  desc.pixelformat = info->fourcc;
  snprintf(reinterpret_cast<char*>(desc.description), sizeof desc.description, "%s",
           info->description);
  return 0;
}

int Device::enum_frame_sizes(v4l2_frmsizeenum& sizes) const {
  const PixelFormatInfo* info = find_pixel_format(sizes.pixel_format);
  if (sizes.index != 0 || info == nullptr) return EINVAL;
  sizes.type = V4L2_FRMSIZE_TYPE_STEPWISE;
  sizes.stepwise.min_width = kMinWidth;
  sizes.stepwise.max_width = faults_.limits.max_width - faults_.limits.max_width % info->width_step;
  sizes.stepwise.step_width = info->width_step;
  sizes.stepwise.min_height = kMinHeight;
  sizes.stepwise.max_height = faults_.limits.max_height;
  sizes.stepwise.step_height = 1;
  return 0;
}

int Device::get_format(v4l2_format& format) const {
  if (format.type != kCapture) return EINVAL;
  describe_format(format_, format.fmt.pix);
  return 0;
}

int Device::try_format(v4l2_format& format) const {
  if (format.type != kCapture) return EINVAL;
  describe_format(negotiate_format(requested_format(format.fmt.pix), faults_.limits),
                  format.fmt.pix);
  return 0;
}

int Device::set_format(v4l2_format& format) {
  if (format.type != kCapture) return EINVAL;
  // As with vb2: the format is fixed while buffers exist.
  if (pool_.count() > 0) return EBUSY;
  format_ = negotiate_format(requested_format(format.fmt.pix), faults_.limits);
  describe_format(format_, format.fmt.pix);
  last_set_format_ = format_;
  format_set_ = true;
  return 0;
}

int Device::get_parm(v4l2_streamparm& parm) const {
  if (parm.type != kCapture) return EINVAL;
  parm.parm.capture = v4l2_captureparm{};
  parm.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
  parm.parm.capture.timeperframe.numerator = 1;
  parm.parm.capture.timeperframe.denominator = fps_;
  return 0;
}

int Device::set_parm(v4l2_streamparm& parm) {
  if (parm.type != kCapture) return EINVAL;
  // A paced device runs at its own rate and says so in the answer, as a
  // fixed-rate sensor does; otherwise the rate is only remembered.
  const v4l2_fract asked = parm.parm.capture.timeperframe;
  if (pace_fps_ == 0 && asked.numerator != 0 && asked.denominator != 0) {
    // Rounded in 64 bits: a denominator near the top of its range must not wrap.
    const std::uint64_t fps =
        (std::uint64_t{asked.denominator} + asked.numerator / 2) / asked.numerator;
    fps_ = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(fps, 1, kMaxFps));
  }
  return get_parm(parm);
}

}  // namespace velmora::vcam
