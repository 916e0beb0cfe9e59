// Decoding the preview-sizes answer of property 1025, for both pointer widths.
#include <gtest/gtest.h>

#include <cstring>

#include "camera/preview_sizes.h"

namespace velmora {
namespace {

double fromPattern(uint64_t pattern) {
  double answer;
  std::memcpy(&answer, &pattern, sizeof answer);
  return answer;
}

TEST(PreviewSizesTest, DecodesTheAddressForEachPointerWidth) {
  struct Case {
    uint64_t pattern;
    unsigned bits;
    uint64_t address;
  };
  const Case cases[] = {
      {0x0000000012345678u, 32, 0x12345678u},
      {0xdeadbeef12345678u, 32, 0x12345678u},  // the high word is not part of it
      {0xdeadbeef00000000u, 32, 0},            // zero low word: no text
      {0x00007f0012345678u, 64, 0x00007f0012345678u},
      {0, 64, 0},
      {0, 32, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(previewSizesAddress(fromPattern(c.pattern), c.bits), c.address)
        << std::hex << c.pattern << " / " << std::dec << c.bits;
  }
}

TEST(PreviewSizesTest, OpenCvFourCapturesNeverCarryAPointer) {
  // This build links OpenCV 4, whose backends answer with plain numbers
  // such as -1, which must not be taken for an address.
  cv::VideoCapture capture;
  EXPECT_FALSE(previewSizesCarryPointer(capture));
  EXPECT_EQ(previewSizesText(capture), nullptr);
}

}  // namespace
}  // namespace velmora
