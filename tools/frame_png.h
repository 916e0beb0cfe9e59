// Script bitmaps written out as PNG files through OpenCV's image codecs.
#ifndef VELMORA_TOOLS_FRAME_PNG_H_
#define VELMORA_TOOLS_FRAME_PNG_H_

#include <string>

#include "host/host.h"

namespace velmora::tools {

// Writes the bitmap's pixels (opaque blue, green, red words) to `path`,
// making its folder if needed.  Returns "" or what went wrong.
std::string writeBitmapPng(const host::Bitmap& bitmap, const std::string& path);

// `path` with the grab number before its extension: out/frame.png and 30
// give out/frame-0030.png.
std::string numberedPath(const std::string& path, int64_t number);

}  // namespace velmora::tools

#endif  // VELMORA_TOOLS_FRAME_PNG_H_
