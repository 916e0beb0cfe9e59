// Memory for turning frames a quarter turn without allocating per frame.
//
// A turned frame cannot be built over itself, so while rotation is on the
// frame buffer's allocation holds two frames: the buffer shows one half, the
// capture fills the other, and each grab turns the new frame from one half
// into the other and shows that one.  The half not shown still holds the
// frame as it was read until the next read overwrites it; the allocation,
// both halves, is freed with the frame buffer.  Without rotation the frame is
// oriented in place and the buffer goes back to a single frame.
#ifndef VELMORA_FRAMES_FRAME_BUFFER_PAIR_H_
#define VELMORA_FRAMES_FRAME_BUFFER_PAIR_H_

#include <opencv2/core/mat.hpp>

namespace velmora {

// Before the read: shapes the frame buffer so that a frame of the size last
// read fits it as it is and the capture writes into its memory again.
void prepareFrameBufferForRead(cv::Mat& frameBuffer, bool rotate);

// After the read, when rotating a frame of 8-bit samples: makes the frame
// buffer the half that the turned frame goes to (raw.cols rows of raw.rows
// pixels, contents not yet written) and returns the half that holds the frame
// as read.  Allocates, and copies the frame once, when the buffer is not yet
// half of a pair of its size.
cv::Mat takeRotationHalves(cv::Mat& frameBuffer);

}  // namespace velmora

#endif  // VELMORA_FRAMES_FRAME_BUFFER_PAIR_H_
