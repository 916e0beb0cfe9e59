#include "virtual_camera/virtual_camera_control.h"

#include "virtual_camera/registry.h"

namespace vcam = velmora::vcam;

int velmora_vcam_device_count(void) { return vcam::device_count(); }

uint64_t velmora_vcam_frames_served(int device) {
  uint64_t frames = 0;
  vcam::with_device(device, [&](vcam::Device& d) { frames = d.frames_served(); });
  return frames;
}

int velmora_vcam_last_format(int device, uint32_t* width, uint32_t* height, uint32_t* fourcc) {
  vcam::FrameFormat format;
  bool found = false;
  vcam::with_device(device, [&](vcam::Device& d) { found = d.last_format(&format); });
  if (!found) return -1;
  if (width != nullptr) *width = format.width;
  if (height != nullptr) *height = format.height;
  if (fourcc != nullptr) *fourcc = format.fourcc;
  return 0;
}

uint64_t velmora_vcam_ioctl_count(int device, unsigned long request) {
  uint64_t calls = 0;
  vcam::with_device(
      device, [&](vcam::Device& d) { calls = d.ioctl_calls(static_cast<uint32_t>(request)); });
  return calls;
}

int velmora_vcam_open_descriptors(int device) { return vcam::open_descriptors(device); }

int velmora_vcam_inject_fault(int device, int fault, uint64_t after_frames) {
  if (fault != VELMORA_VCAM_FAULT_OPEN && fault != VELMORA_VCAM_FAULT_DISCONNECT &&
      fault != VELMORA_VCAM_FAULT_STALL) {
    return -1;
  }
  const bool found = vcam::with_device(device, [&](vcam::Device& d) {
    if (fault == VELMORA_VCAM_FAULT_OPEN) d.fail_opens();
    if (fault == VELMORA_VCAM_FAULT_DISCONNECT) d.disconnect_after(after_frames);
    if (fault == VELMORA_VCAM_FAULT_STALL) d.stall_after(after_frames);
  });
  return found ? 0 : -1;
}

int velmora_vcam_limit_size(int device, uint32_t max_width, uint32_t max_height) {
  const bool found = vcam::with_device(
      device, [&](vcam::Device& d) { d.limit_size(vcam::bounded_limits(max_width, max_height)); });
  return found ? 0 : -1;
}

int velmora_vcam_clear_faults(int device) {
  return vcam::with_device(device, [](vcam::Device& d) { d.clear_faults(); }) ? 0 : -1;
}
