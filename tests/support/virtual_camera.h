// The virtual camera as the tests see it: its control interface, looked up in
// the running process (it is preloaded, not linked), and the size it opens
// with.  A test that needs it fails, never skips, when it is not there.
#ifndef VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_H_
#define VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_H_

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "virtual_camera/virtual_camera_control.h"

namespace velmora::testing {

class VirtualCamera {
 private:
  template <typename F>
  static F lookup(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
  }
  template <typename F, typename... Args>
  static auto call(const char* name, Args... args) {
    F function = lookup<F>(name);
    if (function == nullptr) {
      ADD_FAILURE() << "the virtual camera is not preloaded (" << name << " not found)";
      return decltype(function(args...)){};
    }
    return function(args...);
  }

 public:
  static constexpr int kDefaultWidth = 640;
  static constexpr int kDefaultHeight = 480;

  // Whether the virtual camera is preloaded into this process.
  static bool loaded() {
    return lookup<decltype(&velmora_vcam_device_count)>("velmora_vcam_device_count") != nullptr;
  }

  static uint64_t framesServed(int device = 0) {
    return call<decltype(&velmora_vcam_frames_served)>("velmora_vcam_frames_served", device);
  }
  static int openDescriptors(int device = 0) {
    return call<decltype(&velmora_vcam_open_descriptors)>("velmora_vcam_open_descriptors", device);
  }
  static void injectFault(int device, int fault, uint64_t afterFrames = 0) {
    EXPECT_EQ(call<decltype(&velmora_vcam_inject_fault)>("velmora_vcam_inject_fault", device, fault,
                                                         afterFrames),
              0);
  }
  static void clearFaults(int device = 0) {
    EXPECT_EQ(call<decltype(&velmora_vcam_clear_faults)>("velmora_vcam_clear_faults", device), 0);
  }
  static void limitSize(int device, uint32_t maxWidth, uint32_t maxHeight) {
    EXPECT_EQ(call<decltype(&velmora_vcam_limit_size)>("velmora_vcam_limit_size", device, maxWidth,
                                                       maxHeight),
              0);
  }
};

}  // namespace velmora::testing

#endif  // VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_H_
