#include "fuzz/script_values.h"

#include <cmath>
#include <limits>
#include <memory>

namespace velmora::fuzz {

namespace {

using host::Value;

constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// Indices, sizes, flip codes, overlay switches and white-balance modes at and
// around their edges.  A selector byte past the table reads 4 raw bytes.
constexpr int32_t kInts[] = {
    0,        1,   -1,  2,   3,    7,    8,    16,      17,        48,
    64,       -48, 480, 640, 2160, 3840, 4096, 1 << 16, kInt32Min, kInt32Min + 1,
    kInt32Max};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kDoubles[] = {0.0,
                               -0.0,
                               1.0,
                               -1.0,
                               0.5,
                               1.5,
                               64.0,
                               48.0,
                               std::numeric_limits<double>::quiet_NaN(),
                               -std::numeric_limits<double>::quiet_NaN(),
                               kInf,
                               -kInf,
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::lowest(),
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               2147483647.0,
                               2147483648.0,
                               -2147483648.0,
                               -2147483649.0,
                               1e300};

template <typename T, size_t N>
T pick(FuzzInput& in, const T (&table)[N]) {
  const uint8_t selector = in.byte();
  return selector < N ? table[selector] : in.raw<T>();
}

uint32_t clampedDimension(int64_t value) { return static_cast<uint32_t>(value < 0 ? 0 : value); }

// A bitmap of one of eight shapes: the frame's size with a stride equal to,
// above or below the width; swapped; off by one; empty; small; or very wide
// or very high.
std::shared_ptr<host::Bitmap> decodeBitmap(FuzzInput& in, FrameSize frame) {
  host::BitmapSpec spec;
  const uint8_t shape = in.byte();
  spec.width = frame.width;
  spec.height = frame.height;
  switch (shape % 8) {
    case 0:
      break;
    case 1:
      spec.lineStride32 = frame.width + 1 + in.byte() % 8;
      break;
    case 2:
      // lineStride32 0 means the width, so a stride below it needs width 2.
      spec.width = frame.width < 2 ? 2 : frame.width;
      spec.lineStride32 = spec.width - 1;
      break;
    case 3:
      spec.width = frame.height;
      spec.height = frame.width;
      break;
    case 4: {
      const uint8_t delta = in.byte();
      spec.width = clampedDimension(int64_t(frame.width) + delta % 3 - 1);
      spec.height = clampedDimension(int64_t(frame.height) + delta / 3 % 3 - 1);
      break;
    }
    case 5:
      spec.width = in.byte() % 2 == 0 ? 0 : frame.width;
      spec.height = 0;
      break;
    case 6:
      spec.width = in.byte();
      spec.height = in.byte();
      spec.lineStride32 = spec.width + in.byte() % 4;
      break;
    case 7: {
      // Up to 65535 wide or high, a few MB on average.
      const uint16_t length = in.raw<uint16_t>();
      const uint32_t breadth = in.byte() % 64;
      const bool tall = length & 1;
      spec.width = tall ? breadth : length;
      spec.height = tall ? length : breadth;
      break;
    }
  }
  const uint64_t stride = spec.lineStride32 != 0 ? spec.lineStride32 : spec.width;
  if (stride > 0 && stride * spec.height * 4 > kMaxBitmapBytes) {
    spec.height = static_cast<uint32_t>(kMaxBitmapBytes / 4 / stride);
  }
  const uint8_t flags = in.byte();
  spec.hasAlpha = flags & 1;
  spec.isPremultiplied = flags & 2;
  spec.isInvertedY = flags & 4;
  spec.fill = kUnwrittenWord;
  return std::make_shared<host::Bitmap>(spec);
}

}  // namespace

Value decodeValue(FuzzInput& in, FrameSize frame) {
  switch (in.byte() % 5) {
    case 0:
      return Value::integer(pick(in, kInts));
    case 1:
      return Value::number(pick(in, kDoubles));
    case 2:
      return Value::null();
    case 3:
      return Value::string(in.text(in.byte() % 32));
    default:
      return Value::bitmap(decodeBitmap(in, frame));
  }
}

}  // namespace velmora::fuzz
