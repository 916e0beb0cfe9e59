#include "tools/frame_png.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace velmora::tools {

std::string writeBitmapPng(const host::Bitmap& bitmap, const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code error;
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  if (error) return "cannot make " + folder.string() + ": " + error.message();
  // A word's bytes in memory are blue, green, red, alpha: OpenCV's BGRA.
  const cv::Mat words(int(bitmap.height()), int(bitmap.width()), CV_8UC4,
                      const_cast<uint32_t*>(bitmap.words()),
                      size_t(bitmap.lineStride32()) * sizeof(uint32_t));
  cv::Mat bgr;
  cv::cvtColor(words, bgr, cv::COLOR_BGRA2BGR);
  try {
    if (cv::imwrite(path, bgr)) return "";
  } catch (const cv::Exception& e) {
    return "cannot write " + path + ": " + e.what();
  }
  return "cannot write " + path;
}

std::string numberedPath(const std::string& path, int64_t number) {
  const std::filesystem::path original(path);
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "-%04lld", static_cast<long long>(number));
  std::filesystem::path numbered = original.parent_path() / original.stem();
  numbered += suffix;
  numbered += original.extension();
  return numbered.string();
}

}  // namespace velmora::tools
