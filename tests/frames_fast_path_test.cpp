// The fused pass of GrabData against the plain OpenCV sequence it replaces:
// for every rotation and flip setting, overlay on and off, 3- and 4-channel
// frames, padded frame rows and padded bitmap rows, both the bitmap and the
// frame buffer must come out byte for byte the same.  Bitmaps end at a guard
// page (host::Bitmap), so a write past the last pixel faults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "frames/frame_buffer_pair.h"
#include "frames/frame_pass.h"
#include "frames/frame_transforms.h"
#include "frames/kernels/row_kernels.h"
#include "frames/overlay_pixels.h"
#include "frames/reference_delivery.h"
#include "host/host.h"

namespace velmora::testing {
namespace {

using kernels::RowKernels;

struct Orientation {
  bool rotate;
  int32_t flipCode;
};

std::string describe(const Orientation& o) {
  const std::string flip =
      o.flipCode < 0 ? "m" + std::to_string(-o.flipCode) : std::to_string(o.flipCode);
  return std::string(o.rotate ? "Rotate" : "Upright") + "Flip" + flip;
}

cv::Mat randomFrame(int rows, int cols, int channels, bool paddedRows, uint32_t seed) {
  cv::Mat whole(rows, cols + (paddedRows ? 3 : 0), CV_8UC(channels));
  cv::RNG random(seed);
  random.fill(whole, cv::RNG::UNIFORM, 0, 256);
  return paddedRows ? whole.colRange(1, cols + 1) : whole;
}

std::shared_ptr<host::Bitmap> bitmapFor(int rows, int cols, uint32_t padding) {
  host::BitmapSpec layout;
  layout.width = static_cast<uint32_t>(cols);
  layout.height = static_cast<uint32_t>(rows);
  layout.lineStride32 = layout.width + padding;
  layout.fill = 0x12345678;
  return std::make_shared<host::Bitmap>(layout);
}

FREBitmapData2 descriptorOf(host::Bitmap& bitmap) {
  FREBitmapData2 d{};
  d.width = bitmap.width();
  d.height = bitmap.height();
  d.lineStride32 = bitmap.lineStride32();
  d.bits32 = bitmap.words();
  return d;
}

std::vector<uint8_t> bytesOf(const cv::Mat& frame) {
  std::vector<uint8_t> bytes;
  for (int r = 0; r < frame.rows; ++r) {
    bytes.insert(bytes.end(), frame.ptr(r), frame.ptr(r) + frame.cols * frame.elemSize());
  }
  return bytes;
}

void expectSameFrame(const cv::Mat& actual, const cv::Mat& expected) {
  ASSERT_EQ(actual.rows, expected.rows);
  ASSERT_EQ(actual.cols, expected.cols);
  ASSERT_EQ(actual.type(), expected.type());
  EXPECT_TRUE(bytesOf(actual) == bytesOf(expected)) << "frame buffers differ";
}

// Runs both paths on copies of `frame` with a bitmap of the oriented frame's
// size (or `bitmapRows` x `bitmapCols` when given) and compares the results.
void expectSameDelivery(const cv::Mat& frame, const DeliverySettings& settings,
                        const RowKernels& kernels, uint32_t padding = 0, int bitmapRows = -1,
                        int bitmapCols = -1) {
  const int outRows = settings.rotate ? frame.cols : frame.rows;
  const int outCols = settings.rotate ? frame.rows : frame.cols;
  if (bitmapRows < 0) bitmapRows = outRows;
  if (bitmapCols < 0) bitmapCols = outCols;
  auto expectedBitmap = bitmapFor(bitmapRows, bitmapCols, padding);
  auto actualBitmap = bitmapFor(bitmapRows, bitmapCols, padding);
  cv::Mat expected = frame.clone();
  cv::Mat actual = frame.clone();
  const FREBitmapData2 expectedDescriptor = descriptorOf(*expectedBitmap);
  const FREBitmapData2 actualDescriptor = descriptorOf(*actualBitmap);

  deliverFrameReference(expected, settings, &expectedDescriptor);
  FramePass::prepare(actual, settings, kernels).finish(&actualDescriptor);

  expectSameFrame(actual, expected);
  EXPECT_TRUE(actualBitmap->snapshot() == expectedBitmap->snapshot()) << "bitmaps differ";
}

constexpr Orientation kOrientations[] = {{false, 0},  {false, 1}, {false, 2}, {false, -1},
                                         {false, -5}, {true, 0},  {true, 1},  {true, 2},
                                         {true, -1},  {true, -5}};

struct Size {
  int rows;
  int cols;
};

// Odd and tiny sizes, and sizes whose edges cut the overlay text (it spans
// roughly rows 50..68 and columns 8..420).
constexpr Size kSizes[] = {{1, 1},    {1, 17},   {17, 1},   {2, 3},    {16, 16},
                           {3, 33},   {33, 5},   {61, 47},  {64, 90},  {66, 31},
                           {70, 200}, {90, 423}, {120, 17}, {480, 640}};

class FastPathTest : public ::testing::TestWithParam<std::tuple<Orientation, const RowKernels*>> {
 protected:
  DeliverySettings settings(bool overlay) const {
    return {std::get<0>(GetParam()).rotate, std::get<0>(GetParam()).flipCode, overlay};
  }
  const RowKernels& kernels() const { return *std::get<1>(GetParam()); }
};

TEST_P(FastPathTest, MatchesTheReferenceOnEverySize) {
  uint32_t seed = 1;
  for (const Size size : kSizes) {
    for (int channels : {3, 4}) {
      for (bool overlay : {false, true}) {
        for (bool paddedRows : {false, true}) {
          SCOPED_TRACE(std::to_string(size.rows) + "x" + std::to_string(size.cols) + " channels " +
                       std::to_string(channels) + (overlay ? " overlay" : "") +
                       (paddedRows ? " padded rows" : ""));
          const cv::Mat frame = randomFrame(size.rows, size.cols, channels, paddedRows, seed++);
          expectSameDelivery(frame, settings(overlay), kernels(), paddedRows ? 3 : 0);
        }
      }
    }
  }
}

TEST_P(FastPathTest, MatchesTheReferenceOnRandomSizes) {
  std::mt19937 random(20261211);
  for (int i = 0; i < 25; ++i) {
    const int rows = 1 + static_cast<int>(random() % 200);
    const int cols = 1 + static_cast<int>(random() % 500);
    const bool overlay = (random() & 1) != 0;
    SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(cols));
    expectSameDelivery(randomFrame(rows, cols, 3, (random() & 1) != 0, random()), settings(overlay),
                       kernels(), static_cast<uint32_t>(random() % 4));
  }
}

// Without a bitmap of its size the frame buffer is still oriented and
// overlaid; the bitmap keeps every pixel.
TEST_P(FastPathTest, OrientsTheFrameBufferWhenNoBitmapFits) {
  const cv::Mat frame = randomFrame(37, 90, 3, false, 5);
  const int outRows = settings(true).rotate ? 90 : 37;
  const int outCols = settings(true).rotate ? 37 : 90;
  struct Mismatch {
    const char* name;
    int rows;
    int cols;
  };
  for (const Mismatch m :
       {Mismatch{"wider", outRows, outCols + 1}, Mismatch{"higher", outRows + 1, outCols},
        Mismatch{"turned", outCols, outRows}}) {
    SCOPED_TRACE(m.name);
    expectSameDelivery(frame, settings(true), kernels(), 0, m.rows, m.cols);
  }
  for (bool overlay : {false, true}) {
    cv::Mat expected = frame.clone();
    cv::Mat actual = frame.clone();
    deliverFrameReference(expected, settings(overlay), nullptr);
    FramePass::prepare(actual, settings(overlay), kernels()).finish(nullptr);
    expectSameFrame(actual, expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, FastPathTest,
    ::testing::Combine(::testing::ValuesIn(kOrientations),
                       ::testing::ValuesIn(kernels::availableRowKernels())),
    [](const ::testing::TestParamInfo<std::tuple<Orientation, const RowKernels*>>& info) {
      return describe(std::get<0>(info.param)) + "_" + std::get<1>(info.param)->name;
    });

TEST(FastPathBitmapTest, ABitmapWithRowsShorterThanItsWidthIsNotWritten) {
  const cv::Mat frame = randomFrame(8, 8, 3, false, 9);
  host::BitmapSpec layout;
  layout.width = 8;
  layout.height = 8;
  layout.lineStride32 = 7;
  layout.fill = 0xdeadbeef;
  host::Bitmap bitmap(layout);
  const std::vector<uint32_t> before = bitmap.snapshot();
  FREBitmapData2 d = descriptorOf(bitmap);
  cv::Mat actual = frame.clone();
  FramePass::prepare(actual, {false, 1, true}).finish(&d);
  EXPECT_EQ(bitmap.snapshot(), before);
}

// Frames the pass does not take go the reference way: nothing reaches the
// bitmap unless the frame is 8-bit with at least 3 channels, and the frame
// buffer is oriented as OpenCV orients it.
TEST(FastPathBitmapTest, OtherFrameTypesBehaveAsTheReference) {
  // OpenCV transposes no 5-byte pixels, so that frame is only flipped.
  struct Case {
    int type;
    Orientation orientation;
  };
  for (const Case c :
       {Case{CV_8UC1, {true, 1}}, Case{CV_8UC2, {false, -1}}, Case{CV_8UC2, {true, 0}},
        Case{CV_16UC3, {true, 1}}, Case{CV_32FC3, {false, 0}}, Case{CV_8UC(5), {false, -1}}}) {
    SCOPED_TRACE("type " + std::to_string(c.type) + " " + describe(c.orientation));
    cv::Mat frame(12, 20, c.type);
    cv::randu(frame, 0, 200);
    expectSameDelivery(frame, {c.orientation.rotate, c.orientation.flipCode, false},
                       kernels::rowKernels());
  }
}

// The overlay drawn once per size must be the pixels putText sets on the
// frame itself, including where the frame's edges cut the text.
TEST(FastPathOverlayTest, PixelsAreThoseThatPutTextSetsOnTheFrame) {
  std::vector<int> widths;
  for (int cols = 1; cols <= 24; ++cols) widths.push_back(cols);
  for (int cols = 25; cols <= 470; cols += 7) widths.push_back(cols);
  for (int rows = 1; rows <= 96; ++rows) {
    for (int cols : widths) {
      cv::Mat drawn(rows, cols, CV_8UC3, cv::Scalar::all(0));
      drawSizeOverlay(drawn);
      std::vector<OverlayPixel> expected;
      for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
          if (drawn.at<cv::Vec3b>(r, c)[1] != 0) expected.push_back({r, c});
        }
      }
      const std::vector<OverlayPixel>& actual = overlayPixels(rows, cols);
      ASSERT_EQ(actual.size(), expected.size()) << rows << "x" << cols;
      for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(actual[i].row, expected[i].row) << rows << "x" << cols;
        ASSERT_EQ(actual[i].col, expected[i].col) << rows << "x" << cols;
      }
    }
  }
}

// A capture that plays a list of frames through OpenCV's own read path:
// each step either fails to grab, fails to retrieve (leaving the image as it
// was), or copies its frame into the image as OpenCV's captures do.
class ScriptedCapture : public cv::VideoCapture {
 public:
  struct Step {
    cv::Mat frame;
    bool grabs = true;
    bool retrieves = true;
  };
  explicit ScriptedCapture(std::vector<Step> steps) : steps_(std::move(steps)) {}

  bool grab() override { return steps_.at(next_++).grabs; }
  bool retrieve(cv::OutputArray image, int) override {
    const Step& step = steps_.at(next_ - 1);
    if (!step.retrieves) return false;
    step.frame.copyTo(image);
    return true;
  }

 private:
  std::vector<Step> steps_;
  size_t next_ = 0;
};

// GrabData's read and pass against `capture >> frameBuffer` and the plain
// sequence, over size and setting changes, failed reads included.  With
// rotation the buffer settles on the two halves of one allocation.
TEST(FastPathFrameBufferTest, RepeatedGrabsMatchTheReferenceAndReuseMemory) {
  struct Grab {
    int rows;
    int cols;
    bool rotate;
    int32_t flipCode;
    bool grabs = true;
    bool retrieves = true;
  };
  const std::vector<Grab> grabs = {{48, 64, true, 1},
                                   {48, 64, true, 1},
                                   {48, 64, true, 0},
                                   {48, 64, true, -1, true, false},
                                   {48, 64, true, -1},
                                   {48, 64, false, 0},
                                   {48, 64, false, 1},
                                   {48, 64, true, -1},
                                   {48, 64, true, 1, false},
                                   {48, 64, true, 1},
                                   {48, 64, false, 2, true, false},
                                   {30, 20, true, 1},
                                   {30, 20, true, 1},
                                   {30, 20, true, 0},
                                   {20, 20, true, 1},
                                   {20, 20, false, 1},
                                   {20, 20, true, 0},
                                   {20, 20, true, 0}};
  std::vector<ScriptedCapture::Step> steps;
  uint32_t seed = 40;
  for (const Grab& g : grabs) {
    steps.push_back({randomFrame(g.rows, g.cols, 3, false, seed++), g.grabs, g.retrieves});
  }
  ScriptedCapture capture(steps);
  ScriptedCapture referenceCapture(steps);
  cv::Mat frameBuffer;
  cv::Mat expected;
  for (size_t i = 0; i < grabs.size(); ++i) {
    const Grab& g = grabs[i];
    SCOPED_TRACE("grab " + std::to_string(i));
    const DeliverySettings settings{g.rotate, g.flipCode, true};
    const int outRows = g.rotate ? g.cols : g.rows;
    const int outCols = g.rotate ? g.rows : g.cols;
    auto bitmap = bitmapFor(outRows, outCols, 1);
    auto expectedBitmap = bitmapFor(outRows, outCols, 1);
    const FREBitmapData2 d = descriptorOf(*bitmap);
    const FREBitmapData2 expectedDescriptor = descriptorOf(*expectedBitmap);

    // An empty frame after a failed grab makes OpenCV throw on both paths,
    // which GrabData contains.
    bool threw = false;
    bool referenceThrew = false;
    try {
      readIntoFrameBuffer(capture, frameBuffer, g.rotate);
      FramePass::prepare(frameBuffer, settings).finish(&d);
    } catch (const cv::Exception&) {
      threw = true;
    }
    try {
      referenceCapture >> expected;
      deliverFrameReference(expected, settings, &expectedDescriptor);
    } catch (const cv::Exception&) {
      referenceThrew = true;
    }

    EXPECT_EQ(threw, referenceThrew);
    expectSameFrame(frameBuffer, expected);
    EXPECT_TRUE(bitmap->snapshot() == expectedBitmap->snapshot());
  }
}

TEST(FastPathFrameBufferTest, SteadyRotationAlternatesBetweenTwoHalves) {
  std::vector<ScriptedCapture::Step> steps;
  for (uint32_t i = 0; i < 8; ++i) steps.push_back({randomFrame(30, 40, 3, false, 100u + i)});
  ScriptedCapture capture(steps);
  cv::Mat frameBuffer;
  std::set<const uint8_t*> places;
  for (size_t i = 0; i < steps.size(); ++i) {
    readIntoFrameBuffer(capture, frameBuffer, true);
    FramePass::prepare(frameBuffer, {true, 1, false}).finish(nullptr);
    if (i >= 2) places.insert(frameBuffer.data);
  }
  EXPECT_EQ(places.size(), 2u);
}

}  // namespace
}  // namespace velmora::testing
