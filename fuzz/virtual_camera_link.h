// The preloaded virtual camera's control interface, found in the running
// process.  Without it the fuzzer would drive no camera at all and its runs
// would prove nothing, so a missing library ends the process.
#ifndef VELMORA_FUZZ_VIRTUAL_CAMERA_LINK_H_
#define VELMORA_FUZZ_VIRTUAL_CAMERA_LINK_H_

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "virtual_camera/virtual_camera_control.h"

namespace velmora::fuzz {

template <typename F>
F requireVirtualCamera(const char* name) {
  auto function = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
  if (function == nullptr) {
    std::fprintf(stderr,
                 "%s not found: run with LD_PRELOAD=<build>/lib/libvelmora_virtual_camera.so\n",
                 name);
    std::abort();
  }
  return function;
}

struct VirtualCameraLink {
#define VELMORA_FUZZ_VCAM(name)           \
  decltype(&::velmora_vcam_##name) name = \
      requireVirtualCamera<decltype(name)>("velmora_vcam_" #name)
  VELMORA_FUZZ_VCAM(device_count);
  VELMORA_FUZZ_VCAM(last_format);
  VELMORA_FUZZ_VCAM(open_descriptors);
  VELMORA_FUZZ_VCAM(inject_fault);
  VELMORA_FUZZ_VCAM(limit_size);
  VELMORA_FUZZ_VCAM(clear_faults);
#undef VELMORA_FUZZ_VCAM
};

}  // namespace velmora::fuzz

#endif  // VELMORA_FUZZ_VIRTUAL_CAMERA_LINK_H_
