// The per-frame image work, done in place on the frame buffer.
#ifndef VELMORA_FRAMES_FRAME_TRANSFORMS_H_
#define VELMORA_FRAMES_FRAME_TRANSFORMS_H_

#include <cstdint>

#include <opencv2/core/mat.hpp>

namespace velmora {

// Turns the frame a quarter turn clockwise when `rotate` is set, then flips it
// with OpenCV's flip code (0 upside down, positive mirror, negative both).
void orientFrame(cv::Mat& frame, bool rotate, int32_t flipCode);

// Writes "Display performance: <cols> x <rows> " in green at (8, 64).
void drawSizeOverlay(cv::Mat& frame);

}  // namespace velmora

#endif  // VELMORA_FRAMES_FRAME_TRANSFORMS_H_
