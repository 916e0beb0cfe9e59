#include "virtual_camera/config.h"

#include <linux/videodev2.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace velmora::vcam {
namespace {

// A cursor over one environment value.
struct Reader {
  const char* p;

  bool done() const { return *p == '\0'; }
  bool take(char c) {
    if (*p != c) return false;
    ++p;
    return true;
  }
  bool take(const char* word) {
    const size_t n = strlen(word);
    if (strncmp(p, word, n) != 0) return false;
    p += n;
    return true;
  }
  bool number(std::uint64_t* value) {
    if (*p < '0' || *p > '9') return false;
    char* end = nullptr;
    *value = strtoull(p, &end, 10);
    p = end;
    return true;
  }
  bool number(std::uint32_t* value, std::uint32_t max) {
    std::uint64_t wide = 0;
    if (!number(&wide) || wide > max) return false;
    *value = static_cast<std::uint32_t>(wide);
    return true;
  }
  bool size(std::uint32_t* width, std::uint32_t* height) {
    return number(width, 1u << 16) && take('x') && number(height, 1u << 16);
  }
};

void complain(const char* name, const char* value, const char* expected) {
  fprintf(stderr, "velmora virtual camera: ignoring %s=\"%s\" (expected %s)\n", name, value,
          expected);
}

// Applies one "<device>:<fault>[=<value>]" entry; false if malformed.
bool apply_fault(Reader& in, Config& config) {
  std::uint32_t device = 0;
  if (!in.number(&device, kMaxDevices - 1) || !in.take(':')) return false;
  Faults& faults = config.faults[device];
  if (in.take("open")) {
    faults.open_fails = true;
    return true;
  }
  std::uint64_t* threshold = nullptr;
  if (in.take("disconnect")) threshold = &faults.disconnect_at;
  if (threshold == nullptr && in.take("stall")) threshold = &faults.stall_at;
  if (threshold != nullptr) {
    *threshold = 0;
    return !in.take('=') || in.number(threshold);
  }
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  if (in.take("max-size=") && in.size(&width, &height)) {
    faults.limits = bounded_limits(width, height);
    return true;
  }
  return false;
}

void read_faults(const char* name, const char* value, Config& config) {
  Config candidate = config;
  Reader in{value};
  while (!in.done()) {
    if (!apply_fault(in, candidate) || !(in.done() || in.take(','))) {
      complain(name, value,
               "a comma-separated list of <device>:open, <device>:disconnect[=<frames>], "
               "<device>:stall[=<frames>] or <device>:max-size=<width>x<height>");
      return;
    }
  }
  config = candidate;
}

}  // namespace

Config config_from_environment() {
  Config config;
  if (const char* value = getenv("VELMORA_VCAM_DEVICES")) {
    Reader in{value};
    std::uint32_t devices = 0;
    if (in.number(&devices, kMaxDevices) && in.done()) {
      config.devices = static_cast<int>(devices);
    } else {
      complain("VELMORA_VCAM_DEVICES", value, "a number from 0 to 16");
    }
  }
  if (const char* value = getenv("VELMORA_VCAM_SIZE")) {
    Reader in{value};
    FrameFormat requested = config.format;
    if (in.size(&requested.width, &requested.height) && in.done()) {
      config.format = negotiate_format(requested, SizeLimits{});
    } else {
      complain("VELMORA_VCAM_SIZE", value, "<width>x<height>");
    }
  }
  if (const char* value = getenv("VELMORA_VCAM_FORMAT")) {
    if (strcmp(value, "BGR3") == 0 || strcmp(value, "YUYV") == 0) {
      config.format.fourcc = v4l2_fourcc(value[0], value[1], value[2], value[3]);
      config.format = negotiate_format(config.format, SizeLimits{});
    } else {
      complain("VELMORA_VCAM_FORMAT", value, "BGR3 or YUYV");
    }
  }
  if (const char* value = getenv("VELMORA_VCAM_PATTERN")) {
    if (strcmp(value, "gradient") == 0) {
      config.pattern = Pattern::kGradient;
    } else if (strcmp(value, "demo") == 0) {
      config.pattern = Pattern::kDemo;
    } else {
      complain("VELMORA_VCAM_PATTERN", value, "gradient or demo");
    }
  }
  if (const char* value = getenv("VELMORA_VCAM_FPS")) {
    Reader in{value};
    std::uint32_t fps = 0;
    if (in.number(&fps, kMaxFps) && in.done()) {
      config.fps = fps;
    } else {
      complain("VELMORA_VCAM_FPS", value, "a number from 0 (no pacing) to 240");
    }
  }
  if (const char* value = getenv("VELMORA_VCAM_FAULTS")) {
    read_faults("VELMORA_VCAM_FAULTS", value, config);
  }
  return config;
}

}  // namespace velmora::vcam
