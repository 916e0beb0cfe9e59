// Decoding the preview-sizes answer of property 1025, for both pointer widths.
#include <gtest/gtest.h>

#include <cstdint>
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

// A capture whose property 1025 answers with a fixed double.
class FixedAnswerCapture : public cv::VideoCapture {
 public:
  explicit FixedAnswerCapture(double answer) : answer_(answer) {}
  double get(int property) const override {
    return property == kPreviewSizesProperty ? answer_ : -1.0;
  }

 private:
  double answer_;
};

// Built twice: as the library is built by default, where the answer is never
// taken for an address, and configured for a capture that carries a pointer.
TEST(PreviewSizesTest, TheBuildDecidesWhetherTheAnswerIsAPointer) {
  static const char kSizes[] = "640x480,1280x720";
  const uint64_t address = reinterpret_cast<uintptr_t>(kSizes);
  FixedAnswerCapture carrying(fromPattern(address));
  FixedAnswerCapture none(fromPattern(0));
  FixedAnswerCapture plainNumber(-1.0);
#if defined(VELMORA_PREVIEW_SIZES_POINTER)
  EXPECT_TRUE(previewSizesCarryPointer(carrying));
  EXPECT_EQ(previewSizesText(carrying), kSizes);
  EXPECT_EQ(previewSizesText(none), nullptr);
#else
  for (FixedAnswerCapture* capture : {&carrying, &none, &plainNumber}) {
    EXPECT_FALSE(previewSizesCarryPointer(*capture));
    EXPECT_EQ(previewSizesText(*capture), nullptr);
  }
#endif
}

}  // namespace
}  // namespace velmora
