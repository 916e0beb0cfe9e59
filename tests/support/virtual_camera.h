// The virtual camera as the extension's tests use it: its control interface
// through a few named calls, and the size it opens with.  A test that needs
// it fails, never skips, when it is not there.
#ifndef VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_H_
#define VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/support/virtual_camera_fixture.h"

namespace velmora::testing {

class VirtualCamera {
 public:
  static constexpr int kDefaultWidth = 640;
  static constexpr int kDefaultHeight = 480;

  // Whether the virtual camera is preloaded into this process.
  static bool loaded() { return VirtualCameraControl().complete(); }

  static uint64_t framesServed(int device = 0) { return control().frames_served(device); }
  static int openDescriptors(int device = 0) { return control().open_descriptors(device); }
  static void injectFault(int device, int fault, uint64_t afterFrames = 0) {
    EXPECT_EQ(control().inject_fault(device, fault, afterFrames), 0);
  }
  static void clearFaults(int device = 0) { EXPECT_EQ(control().clear_faults(device), 0); }
  static void limitSize(int device, uint32_t maxWidth, uint32_t maxHeight) {
    EXPECT_EQ(control().limit_size(device, maxWidth, maxHeight), 0);
  }

 private:
  // Without the library there is nothing to call: the test process ends,
  // and so the test fails.
  static const VirtualCameraControl& control() {
    static const VirtualCameraControl functions;
    if (!functions.complete()) {
      std::fprintf(stderr, "the virtual camera is not preloaded\n");
      std::abort();
    }
    return functions;
  }
};

}  // namespace velmora::testing

#endif  // VELMORA_TESTS_SUPPORT_VIRTUAL_CAMERA_H_
