// The camera's supported preview sizes, as capture property 1025 gives them.
//
// A capture facility that has the property smuggles a pointer to the text
// through the double's bit pattern: the low 32 bits on 32-bit targets, the
// whole pattern on 64-bit ones, zero when there is none.  OpenCV's own
// backends do not have it (the Android native-camera backend that did was
// removed in OpenCV 3.0): they answer with a plain number, such as -1, that
// must never be taken for an address.  So the answer is read as a pointer
// only in a build configured with VELMORA_PREVIEW_SIZES_POINTER, for a
// capture facility known to carry one.
#ifndef VELMORA_CAMERA_PREVIEW_SIZES_H_
#define VELMORA_CAMERA_PREVIEW_SIZES_H_

#include <cstdint>

#include <opencv2/videoio.hpp>

namespace velmora {

constexpr int kPreviewSizesProperty = 1025;

// The address carried in `answer` by a backend that stores pointers of
// `pointerBits` (32 or 64) bits; 0 means no text.
uint64_t previewSizesAddress(double answer, unsigned pointerBits);

// Whether the open capture answers property 1025 with a text pointer.
bool previewSizesCarryPointer(const cv::VideoCapture& capture);

// The preview-sizes text of the open capture, or nullptr when it has none.
// The text belongs to the capture.
const char* previewSizesText(cv::VideoCapture& capture);

}  // namespace velmora

#endif  // VELMORA_CAMERA_PREVIEW_SIZES_H_
