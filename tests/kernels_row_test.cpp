// Every SIMD set of row functions against the reference, byte for byte, with
// source and destination ending at a guard page or a few bytes before it.
// Built for the host here and, through tests/kernels_cross, for ARM under
// qemu, where the NEON set is the one under test.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "frames/kernels/row_kernels.h"
#include "tests/kernels_guarded_memory.h"

namespace velmora::testing {
namespace {

using kernels::RowKernels;

// Widths around every vector length the sets use (4, 8, 16 pixels).
constexpr int kWidths[] = {0,  1,  2,  3,  4,  5,  7,  8,  9,  15,  16,
                           17, 31, 32, 33, 47, 48, 63, 64, 65, 100, 257};
// Bytes between the end of a row and the guard page; odd ones misalign.
constexpr size_t kSlacks[] = {0, 1, 3, 6};

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

using RowFunction = void (*)(const uint8_t*, uint8_t*, int);

struct RowCase {
  const char* name;
  RowFunction RowKernels::*function;
  size_t srcPixelBytes;
  size_t dstPixelBytes;
};

constexpr RowCase kRowCases[] = {
    {"convertRow3", &RowKernels::convertRow3, 3, 4},
    {"convertRow4", &RowKernels::convertRow4, 4, 4},
    {"convertMirrorRow3", &RowKernels::convertMirrorRow3, 3, 4},
    {"convertMirrorRow4", &RowKernels::convertMirrorRow4, 4, 4},
    {"packRow", &RowKernels::packRow, 4, 3},
};

class RowKernelsTest : public ::testing::TestWithParam<const RowKernels*> {
 protected:
  const RowKernels& simd() const { return *GetParam(); }
  const RowKernels& reference() const { return kernels::referenceRowKernels(); }
};

TEST_P(RowKernelsTest, RowFunctionsEqualTheReference) {
  for (const RowCase& c : kRowCases) {
    for (int width : kWidths) {
      for (size_t slack : kSlacks) {
        SCOPED_TRACE(std::string(c.name) + " width " + std::to_string(width) + " slack " +
                     std::to_string(slack));
        const size_t srcBytes = c.srcPixelBytes * width;
        const size_t dstBytes = c.dstPixelBytes * width;
        GuardedBytes src(srcBytes, slack);
        const std::vector<uint8_t> pixels = randomBytes(srcBytes, static_cast<uint32_t>(width));
        if (srcBytes > 0) std::memcpy(src.data(), pixels.data(), srcBytes);
        GuardedBytes expected(dstBytes, slack);
        GuardedBytes actual(dstBytes, slack);
        if (dstBytes > 0) {
          std::memset(expected.data(), 0x5a, dstBytes);
          std::memset(actual.data(), 0x5a, dstBytes);
        }

        (reference().*c.function)(src.data(), expected.data(), width);
        (simd().*c.function)(src.data(), actual.data(), width);

        ASSERT_EQ(std::vector<uint8_t>(actual.data(), actual.data() + dstBytes),
                  std::vector<uint8_t>(expected.data(), expected.data() + dstBytes));
      }
    }
  }
}

// A frame of `frameRows` x `frameCols` 3-byte pixels, rows padded to `step`,
// ending at the guard page, is read column-wise in each of the four
// directions into bitmap and frame rows that end at a guard page too.
TEST_P(RowKernelsTest, RotatedRowsEqualTheReference) {
  struct Direction {
    bool up;
    bool left;
  };
  constexpr Direction kDirections[] = {{false, false}, {false, true}, {true, false}, {true, true}};
  for (int rows : {1, 2, 3, 4, 5, 7, 8, 9, 12, 16, 17}) {
    for (int width : kWidths) {
      for (const Direction d : kDirections) {
        for (bool withBitmap : {true, false}) {
          SCOPED_TRACE("rows " + std::to_string(rows) + " width " + std::to_string(width) +
                       (d.up ? " up" : " down") + (d.left ? " left" : " right") +
                       (withBitmap ? "" : " no bitmap"));
          // Frame: `width` rows (one per output column) of rows + 2 pixels.
          const int frameCols = rows + 2;
          const ptrdiff_t step = 3 * frameCols + 5;
          const size_t frameBytes =
              width == 0 ? 0 : static_cast<size_t>(step) * (width - 1) + 3 * frameCols;
          GuardedBytes frame(frameBytes);
          const std::vector<uint8_t> pixels = randomBytes(frameBytes, 7u * rows + width);
          if (frameBytes > 0) std::memcpy(frame.data(), pixels.data(), frameBytes);

          const int firstRow = d.up && width > 0 ? width - 1 : 0;
          const int firstCol = d.left ? frameCols - 1 : 0;
          const uint8_t* origin = frame.data() + firstRow * step + 3 * firstCol;
          const ptrdiff_t rowStep = d.up ? -step : step;
          const ptrdiff_t pixelStep = d.left ? -3 : 3;

          // Output rows padded by 2 pixels except the last, which ends at the guard.
          const ptrdiff_t step32 = 4 * (width + 2);
          const ptrdiff_t step3 = 3 * (width + 2);
          const size_t bytes32 = static_cast<size_t>(step32) * (rows - 1) + 4 * width;
          const size_t bytes3 = static_cast<size_t>(step3) * (rows - 1) + 3 * width;
          GuardedBytes expected32(bytes32), actual32(bytes32), expected3(bytes3), actual3(bytes3);
          std::memset(expected32.data(), 0x5a, bytes32);
          std::memset(actual32.data(), 0x5a, bytes32);
          std::memset(expected3.data(), 0x5a, bytes3);
          std::memset(actual3.data(), 0x5a, bytes3);

          reference().rotateRows3(origin, rowStep, pixelStep,
                                  withBitmap ? expected32.data() : nullptr, step32,
                                  expected3.data(), step3, rows, width);
          simd().rotateRows3(origin, rowStep, pixelStep, withBitmap ? actual32.data() : nullptr,
                             step32, actual3.data(), step3, rows, width);

          ASSERT_EQ(std::vector<uint8_t>(actual32.data(), actual32.data() + bytes32),
                    std::vector<uint8_t>(expected32.data(), expected32.data() + bytes32));
          ASSERT_EQ(std::vector<uint8_t>(actual3.data(), actual3.data() + bytes3),
                    std::vector<uint8_t>(expected3.data(), expected3.data() + bytes3));
        }
      }
    }
  }
}

std::vector<const RowKernels*> simdSets() {
  std::vector<const RowKernels*> sets = kernels::availableRowKernels();
  sets.erase(sets.begin());
  return sets;
}

INSTANTIATE_TEST_SUITE_P(Available, RowKernelsTest, ::testing::ValuesIn(simdSets()),
                         [](const ::testing::TestParamInfo<const RowKernels*>& info) {
                           return std::string(info.param->name);
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RowKernelsTest);

// The reference itself on a known pixel, so that agreement with it means
// something: bytes B, G, R become B, G, R, 255; the mirror reverses pixels;
// packing drops the fourth byte.
TEST(ReferenceRowKernelsTest, ConvertsKnownPixels) {
  const RowKernels& c = kernels::referenceRowKernels();
  const uint8_t bgr[] = {10, 20, 30, 40, 50, 60};
  uint8_t out[8];
  c.convertRow3(bgr, out, 2);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8),
            (std::vector<uint8_t>{10, 20, 30, 255, 40, 50, 60, 255}));
  c.convertMirrorRow3(bgr, out, 2);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8),
            (std::vector<uint8_t>{40, 50, 60, 255, 10, 20, 30, 255}));
  const uint8_t bgrx[] = {1, 2, 3, 4, 5, 6, 7, 8};
  c.convertRow4(bgrx, out, 2);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{1, 2, 3, 255, 5, 6, 7, 255}));
  c.convertMirrorRow4(bgrx, out, 2);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{5, 6, 7, 255, 1, 2, 3, 255}));
  uint8_t packed[6];
  c.packRow(bgrx, packed, 2);
  EXPECT_EQ(std::vector<uint8_t>(packed, packed + 6), (std::vector<uint8_t>{1, 2, 3, 5, 6, 7}));
}

TEST(ReferenceRowKernelsTest, RotatedRowsTakeTheGivenColumn) {
  // A 2 x 3 frame read bottom-up from its last column: output row 0 is that
  // column upward, row 1 the column to its left.
  const uint8_t frame[] = {0, 0, 0, 1, 1, 1, 2, 2, 2,  //
                           3, 3, 3, 4, 4, 4, 5, 5, 5};
  uint8_t out32[16];
  uint8_t out3[12];
  kernels::referenceRowKernels().rotateRows3(frame + 9 + 6, -9, -3, out32, 8, out3, 6, 2, 2);
  EXPECT_EQ(std::vector<uint8_t>(out3, out3 + 12),
            (std::vector<uint8_t>{5, 5, 5, 2, 2, 2, 4, 4, 4, 1, 1, 1}));
  EXPECT_EQ(std::vector<uint8_t>(out32, out32 + 8),
            (std::vector<uint8_t>{5, 5, 5, 255, 2, 2, 2, 255}));
}

}  // namespace
}  // namespace velmora::testing
