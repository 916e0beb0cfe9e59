#include "tools/virtual_camera_choice.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velmora::tools {
namespace {

// Set in the environment of the restarted program, so that a library the
// loader would not preload ends in a message rather than a restart loop.
constexpr char kRestartedMarker[] = "VELMORA_CAMERA_RUN_RESTARTED";

bool machineHasVideoDevice() {
  DIR* dev = opendir("/dev");
  if (dev == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(dev)) {
    if (std::strncmp(entry->d_name, "video", 5) == 0 && entry->d_name[5] >= '0' &&
        entry->d_name[5] <= '9') {
      found = true;
      break;
    }
  }
  closedir(dev);
  return found;
}

// A sanitizer's shared runtime insists on coming first among the loaded
// libraries, which a preload would otherwise displace.
int findSanitizerRuntime(dl_phdr_info* info, size_t, void* path) {
  const char* base = std::strrchr(info->dlpi_name, '/');
  base = base != nullptr ? base + 1 : info->dlpi_name;
  if (std::strncmp(base, "libasan.so", 10) != 0) return 0;
  *static_cast<std::string*>(path) = info->dlpi_name;
  return 1;
}

std::string preloadList(const std::string& library) {
  std::string list;
  dl_iterate_phdr(&findSanitizerRuntime, &list);
  if (const char* inherited = std::getenv("LD_PRELOAD"); inherited != nullptr && *inherited) {
    list += (list.empty() ? "" : ":") + std::string(inherited);
  }
  return list + (list.empty() ? "" : ":") + library;
}

}  // namespace

std::string loadedVirtualCamera() {
  void* control = dlsym(RTLD_DEFAULT, "velmora_vcam_device_count");
  Dl_info info{};
  if (control == nullptr || dladdr(control, &info) == 0 || info.dli_fname == nullptr) return "";
  return info.dli_fname;
}

bool needsVirtualCamera(VirtualCameraUse use) {
  if (use == VirtualCameraUse::kOff || !loadedVirtualCamera().empty()) return false;
  return use == VirtualCameraUse::kOn || !machineHasVideoDevice();
}

std::string restartWithVirtualCamera(const std::string& library, char** argv) {
  if (std::getenv(kRestartedMarker) != nullptr) {
    return "the virtual camera " + library + " could not be preloaded";
  }
  if (access(library.c_str(), R_OK) != 0) {
    return "the virtual camera " + library + " is missing (" + std::strerror(errno) +
           "); build the velmora_virtual_camera target";
  }
  setenv("LD_PRELOAD", preloadList(library).c_str(), 1);
  setenv(kRestartedMarker, "1", 1);
  execv("/proc/self/exe", argv);
  return std::string("cannot start again with the virtual camera: ") + std::strerror(errno);
}

void configureVirtualCamera(int fps) {
  // The library is in; nothing this program starts should take the marker
  // for its own.
  unsetenv(kRestartedMarker);
  setenv("VELMORA_VCAM_PATTERN", "demo", 0);
  if (fps > 0) setenv("VELMORA_VCAM_FPS", std::to_string(fps).c_str(), 1);
}

}  // namespace velmora::tools
