// Copies a processed frame into the script's bitmap, converting each 8-bit
// blue, green, red pixel into an opaque 32-bit pixel (bytes B, G, R, 255).
#ifndef VELMORA_FRAMES_BITMAP_TRANSFER_H_
#define VELMORA_FRAMES_BITMAP_TRANSFER_H_

#include <cstddef>
#include <cstdint>

#include <opencv2/core/mat.hpp>

#include "extension/runtime_bridge.h"

namespace velmora {

// Whether `frame` can be copied into the bitmap that `bitmap` describes: an
// 8-bit frame of at least three channels, of exactly the bitmap's width and
// height, into rows that do not overlap.
bool frameFitsBitmap(const cv::Mat& frame, const FREBitmapData2& bitmap);

// Converts `height` rows of `width` pixels of `channels` bytes each (the
// first three blue, green, red) into 32-bit opaque pixels.
void convertBgrToBitmap(const uint8_t* src, size_t srcStep, int channels, uint32_t* dst,
                        size_t dstStride32, uint32_t width, uint32_t height);

// Copies the frame into the acquired bitmap that `bitmap` describes when it
// fits; leaves the bitmap untouched otherwise.
void copyFrameToBitmap(const cv::Mat& frame, const FREBitmapData2& bitmap);

}  // namespace velmora

#endif  // VELMORA_FRAMES_BITMAP_TRANSFER_H_
