#include "camera/preview_sizes.h"

#include <cstring>

namespace velmora {

uint64_t previewSizesAddress(double answer, unsigned pointerBits) {
  uint64_t pattern = 0;
  std::memcpy(&pattern, &answer, sizeof pattern);
  return pointerBits == 32 ? (pattern & 0xffffffffu) : pattern;
}

bool previewSizesCarryPointer(const cv::VideoCapture&) {
#if defined(VELMORA_PREVIEW_SIZES_POINTER)
  return true;
#else
  return false;
#endif
}

const char* previewSizesText(cv::VideoCapture& capture) {
  if (!previewSizesCarryPointer(capture)) return nullptr;
  const uint64_t address =
      previewSizesAddress(capture.get(kPreviewSizesProperty), sizeof(void*) * 8);
  return reinterpret_cast<const char*>(static_cast<uintptr_t>(address));
}

}  // namespace velmora
