// Shared pieces of the frame benchmarks: frame sizes, frames of random
// pixels, and bitmap memory owned by the benchmark.
#ifndef VELMORA_BENCH_BENCH_FRAMES_H_
#define VELMORA_BENCH_BENCH_FRAMES_H_

#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>

#include "extension/runtime_bridge.h"

namespace velmora::bench {

struct FrameSize {
  int width;
  int height;
};

// The six ways GrabData turns and flips a frame.
struct Setting {
  const char* name;
  bool rotate;
  int32_t flipCode;
};

constexpr Setting kSettings[] = {{"Flip0", false, 0},       {"Flip1", false, 1},
                                 {"FlipM1", false, -1},     {"Rotate_Flip0", true, 0},
                                 {"Rotate_Flip1", true, 1}, {"Rotate_FlipM1", true, -1}};

inline cv::Mat randomFrame(int rows, int cols) {
  cv::Mat frame(rows, cols, CV_8UC3);
  cv::randu(frame, 0, 256);
  return frame;
}

// A tightly packed bitmap and the descriptor the runtime would hand over.
class BitmapMemory {
 public:
  BitmapMemory(int width, int height)
      : words_(static_cast<size_t>(width) * height, 0u),
        descriptor_{static_cast<uint32_t>(width),
                    static_cast<uint32_t>(height),
                    1,
                    0,
                    static_cast<uint32_t>(width),
                    0,
                    words_.data()} {}
  const FREBitmapData2& descriptor() const { return descriptor_; }
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(words_.data()); }
  size_t byteCount() const { return words_.size() * sizeof(uint32_t); }

 private:
  std::vector<uint32_t> words_;
  FREBitmapData2 descriptor_;
};

}  // namespace velmora::bench

#endif  // VELMORA_BENCH_BENCH_FRAMES_H_
