#include "frames/bitmap_transfer.h"

namespace velmora {

bool frameFitsBitmap(const cv::Mat& frame, const FREBitmapData2& bitmap) {
  if (static_cast<int64_t>(bitmap.width) != frame.cols) return false;
  if (static_cast<int64_t>(bitmap.height) != frame.rows) return false;
  if (frame.empty()) return false;
  if (frame.depth() != CV_8U || frame.channels() < 3 || frame.dims != 2) return false;
  if (bitmap.lineStride32 < bitmap.width || bitmap.bits32 == nullptr) return false;
  return true;
}

void convertBgrToBitmap(const uint8_t* src, size_t srcStep, int channels, uint32_t* dst,
                        size_t dstStride32, uint32_t width, uint32_t height) {
  for (uint32_t row = 0; row < height; ++row) {
    const uint8_t* in = src;
    uint8_t* out = reinterpret_cast<uint8_t*>(dst);
    for (uint32_t column = 0; column < width; ++column) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
      out[3] = 255;
      in += channels;
      out += 4;
    }
    src += srcStep;
    dst += dstStride32;
  }
}

void copyFrameToBitmap(const cv::Mat& frame, const FREBitmapData2& bitmap) {
  if (!frameFitsBitmap(frame, bitmap)) return;
  convertBgrToBitmap(frame.data, frame.step[0], frame.channels(), bitmap.bits32,
                     bitmap.lineStride32, bitmap.width, bitmap.height);
}

}  // namespace velmora
