// The conversion into the script's bitmap, checked against bytes written out
// by hand rather than against the other path: both the plain sequence and the
// fused pass must turn each pixel's first three samples into B, G, R, 255.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <opencv2/core.hpp>

#include "frames/frame_pass.h"
#include "frames/reference_delivery.h"
#include "host/host.h"

namespace velmora {
namespace {

using ::testing::ElementsAre;

FREBitmapData2 descriptorOf(host::Bitmap& bitmap) {
  return {bitmap.width(), bitmap.height(), 1, 0, bitmap.lineStride32(), 0, bitmap.words()};
}

using Deliver = void (*)(cv::Mat&, const FREBitmapData2&);

// Both paths mirror (flip code 1), without the overlay.
void deliverPlain(cv::Mat& frame, const FREBitmapData2& bitmap) {
  // Mirroring leaves a one-column frame as it is, so the bytes expected below
  // do not depend on the orientation.
  deliverFrameReference(frame, {false, 1, false}, &bitmap);
}

void deliverFused(cv::Mat& frame, const FREBitmapData2& bitmap) {
  FramePass::prepare(frame, {false, 1, false}).finish(&bitmap);
}

class BitmapTransferTest : public ::testing::TestWithParam<Deliver> {};

TEST_P(BitmapTransferTest, APixelBecomesItsBlueGreenRedAndOpaqueAlpha) {
  cv::Mat frame(1, 1, CV_8UC3, cv::Scalar(10, 20, 30));
  host::Bitmap bitmap(host::BitmapSpec{1, 1, 0, false, true, true, 0x01020304u});
  GetParam()(frame, descriptorOf(bitmap));
  ASSERT_EQ(bitmap.wordCount(), 1u);
  const auto* bytes = reinterpret_cast<const uint8_t*>(bitmap.words());
  EXPECT_THAT(std::vector<uint8_t>(bytes, bytes + 4), ElementsAre(10, 20, 30, 255));
}

TEST_P(BitmapTransferTest, AFourChannelFrameGivesItsFirstThreeSamples) {
  cv::Mat frame(3, 1, CV_8UC4);
  frame.at<cv::Vec4b>(0, 0) = {1, 2, 3, 4};
  frame.at<cv::Vec4b>(1, 0) = {5, 6, 7, 0};
  frame.at<cv::Vec4b>(2, 0) = {250, 251, 252, 253};
  host::Bitmap bitmap(host::BitmapSpec{1, 3, 2, true, false, false, 0xdeadbeefu});
  GetParam()(frame, descriptorOf(bitmap));
  EXPECT_THAT(bitmap.snapshot(), ElementsAre(0xff030201u, 0xdeadbeefu, 0xff070605u, 0xdeadbeefu,
                                             0xfffcfbfau, 0xdeadbeefu));
}

INSTANTIATE_TEST_SUITE_P(BothPaths, BitmapTransferTest,
                         ::testing::Values(&deliverPlain, &deliverFused), [](const auto& info) {
                           return std::string(info.param == &deliverPlain ? "Plain" : "Fused");
                         });

}  // namespace
}  // namespace velmora
