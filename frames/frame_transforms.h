// The per-frame image work, done in place on the frame buffer.
#ifndef VELMORA_FRAMES_FRAME_TRANSFORMS_H_
#define VELMORA_FRAMES_FRAME_TRANSFORMS_H_

#include <cstdint>

#include <opencv2/core/mat.hpp>
#include <opencv2/core/types.hpp>

namespace velmora {

// Turns the frame a quarter turn clockwise when `rotate` is set, then flips it
// with OpenCV's flip code (0 upside down, positive mirror, negative both).
void orientFrame(cv::Mat& frame, bool rotate, int32_t flipCode);

// Writes "Display performance: <cols> x <rows> " in green at (8, 64).
void drawSizeOverlay(cv::Mat& frame);

// The same text for a frame of `cols` x `rows`, drawn onto `canvas`, which
// may be smaller than that frame.
void drawSizeOverlayText(cv::Mat& canvas, int cols, int rows);

// The text's box and baseline, as cv::getTextSize measures them.
cv::Size sizeOverlayTextSize(int cols, int rows, int* baseline);
inline cv::Point sizeOverlayOrigin() { return {8, 64}; }

}  // namespace velmora

#endif  // VELMORA_FRAMES_FRAME_TRANSFORMS_H_
