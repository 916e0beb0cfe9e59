#include "frames/orient_convert.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

// Rows are swapped through the stack, a slice at a time, so that no frame
// size needs memory of its own.
void swapRows(uint8_t* a, uint8_t* b, size_t bytes) {
  uint8_t slice[2048];
  while (bytes > 0) {
    const size_t n = std::min(bytes, sizeof slice);
    std::memcpy(slice, a, n);
    std::memcpy(a, b, n);
    std::memcpy(b, slice, n);
    a += n;
    b += n;
    bytes -= n;
  }
}

void reversePixels(uint8_t* row, int cols, int channels) {
  uint8_t* left = row;
  uint8_t* right = row + static_cast<ptrdiff_t>(cols - 1) * channels;
  for (; left < right; left += channels, right -= channels) {
    std::swap_ranges(left, left + channels, right);
  }
}

class InPlacePass {
 public:
  InPlacePass(const PixelPlane& frame, int32_t flipCode, const BitmapRows& bitmap,
              const kernels::RowKernels& kernels)
      : frame_(frame),
        bitmap_(bitmap),
        kernels_(kernels),
        vertical_(flipCode <= 0),
        mirror_(flipCode != 0),
        rowBytes_(static_cast<size_t>(frame.cols) * frame.channels) {}

  void run() const {
    for (int top = 0; top < frame_.rows; ++top) {
      const int bottom = vertical_ ? frame_.rows - 1 - top : top;
      if (bottom < top) break;
      orientRows(top, bottom);
    }
  }

 private:
  // Rows `a` and `b` (the same row when the flip keeps rows in place) trade
  // places when the flip is vertical, and both are mirrored when it mirrors.
  void orientRows(int a, int b) const {
    uint8_t* rowA = frame_.row(a);
    uint8_t* rowB = frame_.row(b);
    const int cols = frame_.cols;
    const bool pair = a != b;
    if (bitmap_.data != nullptr && mirror_ && frame_.channels == 3) {
      // The mirrored bitmap row, still in the cache, packs back into the
      // frame row faster than three-byte pixels reverse in place.
      kernels_.convertMirrorRow3(rowB, bitmap_.row(a), cols);
      if (pair) kernels_.convertMirrorRow3(rowA, bitmap_.row(b), cols);
      kernels_.packRow(bitmap_.row(a), rowA, cols);
      if (pair) kernels_.packRow(bitmap_.row(b), rowB, cols);
      return;
    }
    if (bitmap_.data != nullptr && !mirror_ && frame_.channels <= 4) {
      convert(rowB, bitmap_.row(a));
      if (pair) {
        convert(rowA, bitmap_.row(b));
        swapRows(rowA, rowB, rowBytes_);
      }
      return;
    }
    if (pair) swapRows(rowA, rowB, rowBytes_);
    if (mirror_) {
      reversePixels(rowA, cols, frame_.channels);
      if (pair) reversePixels(rowB, cols, frame_.channels);
    }
    if (bitmap_.data == nullptr) return;
    convert(rowA, bitmap_.row(a));
    if (pair) convert(rowB, bitmap_.row(b));
  }

  void convert(const uint8_t* src, uint8_t* dst) const {
    switch (frame_.channels) {
      case 3:
        kernels_.convertRow3(src, dst, frame_.cols);
        break;
      case 4:
        kernels_.convertRow4(src, dst, frame_.cols);
        break;
      default:
        kernels::convertRowReference(src, frame_.channels, dst, frame_.cols);
    }
  }

  PixelPlane frame_;
  BitmapRows bitmap_;
  const kernels::RowKernels& kernels_;
  bool vertical_;
  bool mirror_;
  size_t rowBytes_;
};

// Output rows are gathered sixteen at a time, each from one frame column read
// top to bottom or bottom to top, so every variant can work on 16 x N tiles:
// sixteen 3-byte pixels of a frame row are 48 bytes, most of a cache line.
// Each band sweeps the whole frame height: long runs along the output rows
// write faster than blocking into shorter runs, though the frame lines that
// the next band shares are then read from the second-level cache.
void rotate(const PixelPlane& raw, const PixelPlane& out, int32_t flipCode,
            const BitmapRows& bitmap, const kernels::RowKernels& kernels) {
  const int n = raw.channels;
  // Output (i, j) takes frame pixel (r0 + dr*j, c0 + dc*i).
  const bool upward = flipCode == 0;
  const bool leftward = flipCode <= 0;
  const uint8_t* origin =
      raw.row(upward ? raw.rows - 1 : 0) + static_cast<ptrdiff_t>(leftward ? raw.cols - 1 : 0) * n;
  const ptrdiff_t rowStep = upward ? -raw.step : raw.step;
  const ptrdiff_t pixelStep = leftward ? -n : n;
  constexpr int kBand = 16;
  for (int i = 0; i < out.rows; i += kBand) {
    const int rows = std::min(kBand, out.rows - i);
    const uint8_t* src = origin + i * pixelStep;
    uint8_t* dst32 = bitmap.data != nullptr ? bitmap.row(i) : nullptr;
    if (n == 3 && dst32 != nullptr) {
      kernels.rotateRows3(src, rowStep, pixelStep, dst32, bitmap.step, out.row(i), out.step, rows,
                          out.cols);
    } else {
      kernels::rotateRowsReference(src, rowStep, pixelStep, n, dst32, bitmap.step, out.row(i),
                                   out.step, rows, out.cols);
    }
  }
}

}  // namespace

void orientAndConvert(const PixelPlane& raw, const PixelPlane& out, bool rotateFrame,
                      int32_t flipCode, const BitmapRows& bitmap,
                      const kernels::RowKernels& kernels) noexcept {
  if (rotateFrame) {
    rotate(raw, out, flipCode, bitmap, kernels);
  } else {
    InPlacePass(out, flipCode, bitmap, kernels).run();
  }
}

}  // namespace velmora
