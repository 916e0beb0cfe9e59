// Memory for turning frames a quarter turn without allocating per frame.
//
// A turned frame cannot be built over itself, so while rotation is on the
// frame buffer's allocation holds two frames: each read lands in the half the
// buffer shows, and the grab turns it into the other half and shows that
// one.  The half not shown still holds the frame as it was read until the
// next grab; the allocation, both halves, is freed with the frame buffer.
// Without rotation the frame is oriented in place and the buffer goes back to
// a single frame.
#ifndef VELMORA_FRAMES_FRAME_BUFFER_PAIR_H_
#define VELMORA_FRAMES_FRAME_BUFFER_PAIR_H_

#include <opencv2/core/mat.hpp>
#include <opencv2/videoio.hpp>

namespace velmora {

// Reads the next frame into the frame buffer as `capture >> frameBuffer`
// does (grab, then retrieve; a failed grab empties the buffer, a failed
// retrieve leaves it as it was), but hands the capture the buffer shaped
// like the frame it is about to deliver, so that a frame of the size last
// read lands in the same memory.
void readIntoFrameBuffer(cv::VideoCapture& capture, cv::Mat& frameBuffer, bool rotate);

// After the read, when rotating a frame of 8-bit samples: makes the frame
// buffer the half that the turned frame goes to (raw.cols rows of raw.rows
// pixels, contents not yet written) and returns the half that holds the frame
// as read.  Allocates, and copies the frame once, when the buffer is not yet
// half of a pair of its size.
cv::Mat takeRotationHalves(cv::Mat& frameBuffer);

}  // namespace velmora

#endif  // VELMORA_FRAMES_FRAME_BUFFER_PAIR_H_
