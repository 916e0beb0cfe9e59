#include "tools/run_options.h"

#include <charconv>
#include <functional>
#include <limits>
#include <sstream>
#include <vector>

namespace velmora::tools {
namespace {

// Larger bitmaps than this are surely a typing slip, and would not fit in
// memory anyway.
constexpr int32_t kMaxSide = 16384;
constexpr int32_t kWhiteBalanceModes = 8;
constexpr int32_t kMaxVirtualFps = 240;

bool readInt(const std::string& text, int32_t low, int32_t high, int32_t* value) {
  int32_t parsed = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, parsed);
  if (error != std::errc() || stop != end || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

bool readSize(const std::string& text, int32_t* width, int32_t* height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  return readInt(text.substr(0, x), 1, kMaxSide, width) &&
         readInt(text.substr(x + 1), 1, kMaxSide, height);
}

// One option: a flag when `read` is empty, otherwise it takes a value that
// `read` stores, returning what was expected when the value is unusable.
struct Option {
  const char* name;
  std::function<void(RunOptions&)> set;
  std::function<std::string(RunOptions&, const std::string&)> read;
};

std::string integerOption(int32_t* target, const std::string& text, int32_t low, int32_t high) {
  if (readInt(text, low, high, target)) return "";
  std::ostringstream expected;
  expected << "a whole number from " << low << " to " << high;
  return expected.str();
}

std::vector<Option> options() {
  constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
  return {
      {"--help", [](RunOptions& o) { o.help = true; }, nullptr},
      {"--library", nullptr,
       [](RunOptions& o, const std::string& v) {
         o.library = v;
         return v.empty() ? "a path" : "";
       }},
      {"--camera", nullptr,
       [](RunOptions& o, const std::string& v) { return integerOption(&o.camera, v, 0, kMaxInt); }},
      {"--size", nullptr,
       [](RunOptions& o, const std::string& v) {
         return readSize(v, &o.width, &o.height)
                    ? ""
                    : "WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxSide);
       }},
      {"--rotate", [](RunOptions& o) { o.rotate = true; }, nullptr},
      {"--flip", nullptr,
       [](RunOptions& o, const std::string& v) {
         return integerOption(&o.flip, v, kMinInt, kMaxInt);
       }},
      {"--overlay", [](RunOptions& o) { o.overlay = true; }, nullptr},
      {"--white-balance", nullptr,
       [](RunOptions& o, const std::string& v) {
         int32_t mode = 0;
         const std::string expected = integerOption(&mode, v, 0, kWhiteBalanceModes - 1);
         if (expected.empty()) o.whiteBalance = mode;
         return expected;
       }},
      {"--frames", nullptr,
       [](RunOptions& o, const std::string& v) { return integerOption(&o.frames, v, 1, kMaxInt); }},
      {"--output", nullptr,
       [](RunOptions& o, const std::string& v) {
         o.output = v;
         return v.empty() ? "a file name" : "";
       }},
      {"--every", nullptr,
       [](RunOptions& o, const std::string& v) { return integerOption(&o.every, v, 1, kMaxInt); }},
      {"--fixed-size", [](RunOptions& o) { o.fixedSize = true; }, nullptr},
      {"--virtual-camera", nullptr,
       [](RunOptions& o, const std::string& v) -> std::string {
         if (v == "auto") {
           o.virtualCamera = VirtualCameraUse::kAuto;
         } else if (v == "on") {
           o.virtualCamera = VirtualCameraUse::kOn;
         } else if (v == "off") {
           o.virtualCamera = VirtualCameraUse::kOff;
         } else {
           return "auto, on or off";
         }
         return "";
       }},
      {"--virtual-camera-library", nullptr,
       [](RunOptions& o, const std::string& v) {
         o.virtualCameraLibrary = v;
         return v.empty() ? "a path" : "";
       }},
      {"--virtual-fps", nullptr,
       [](RunOptions& o, const std::string& v) {
         return integerOption(&o.virtualCameraFps, v, 1, kMaxVirtualFps);
       }},
  };
}

}  // namespace

ParsedOptions parseOptions(int argc, const char* const* argv, const RunOptions& defaults) {
  ParsedOptions parsed{defaults, ""};
  const std::vector<Option> table = options();
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "-h") word = "--help";
    std::string name = word;
    std::optional<std::string> value;
    if (const size_t equals = word.find('='); word.rfind("--", 0) == 0 && equals != word.npos) {
      name = word.substr(0, equals);
      value = word.substr(equals + 1);
    }
    const Option* option = nullptr;
    for (const Option& candidate : table) {
      if (name == candidate.name) option = &candidate;
    }
    if (option == nullptr) {
      parsed.error = (word.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") +
                     std::string("'") + word + "'";
      return parsed;
    }
    if (!option->read) {
      if (value) {
        parsed.error = name + " takes no value";
        return parsed;
      }
      option->set(parsed.options);
      continue;
    }
    if (!value) {
      if (i + 1 >= argc) {
        parsed.error = name + " needs a value";
        return parsed;
      }
      value = argv[++i];
    }
    const std::string expected = option->read(parsed.options, *value);
    if (!expected.empty()) {
      parsed.error = name + ": '" + *value + "' is not " + expected;
      return parsed;
    }
  }
  if (parsed.options.every > 0 && parsed.options.output.empty()) {
    parsed.error = "--every needs --output, whose name the numbered files follow";
  }
  return parsed;
}

std::string helpText(const RunOptions& defaults) {
  std::ostringstream text;
  text << "usage: velmora-camera-run [OPTION]...\n"
       << "\n"
       << "Runs the camera extension end to end the way an application's script does:\n"
       << "loads the library, creates a context, opens a camera with InitCam, applies\n"
       << "SetCamInfo (and SetCamWhiteBalance), copies frames into a bitmap with\n"
       << "GrabData, releases the camera and unloads.  Reports the frames it got and\n"
       << "how long GrabData took, and any breach of the runtime's rules.\n"
       << "\n"
       << "Script:\n"
       << "  --camera N            camera index for InitCam (" << defaults.camera << ")\n"
       << "  --size WxH            capture size for SetCamInfo (" << defaults.width << "x"
       << defaults.height << ")\n"
       << "  --rotate              turn each frame a quarter clockwise (width and height swap)\n"
       << "  --flip CODE           OpenCV flip code: 0 upside down, >0 mirrored, <0 both ("
       << defaults.flip << ")\n"
       << "  --overlay             draw the frame size on each frame\n"
       << "  --white-balance MODE  call SetCamWhiteBalance with MODE, 0 to 7\n"
       << "  --frames N            number of GrabData calls (" << defaults.frames << ")\n"
       << "  --fixed-size          keep the bitmap at the requested size even when the\n"
       << "                        camera delivers another; such frames stay unfilled\n"
       << "\n"
       << "Output:\n"
       << "  --output FILE         write the last filled frame to FILE as PNG\n"
       << "  --every K             also write every K-th grabbed frame, numbered after\n"
       << "                        FILE: out/frame.png -> out/frame-0030.png\n"
       << "\n"
       << "Camera:\n"
       << "  --virtual-camera auto|on|off\n"
       << "                        auto (the default) uses the virtual camera when the\n"
       << "                        machine has no /dev/video device; on always, off never\n"
       << "  --virtual-fps N       pace the virtual camera at N frames per second (1-240)\n"
       << "  --virtual-camera-library PATH\n"
       << "                        (" << defaults.virtualCameraLibrary << ")\n"
       << "  --library PATH        the extension (" << defaults.library << ")\n"
       << "\n"
       << "The virtual camera shows VELMORA_VCAM_PATTERN, demo unless set, and reads its\n"
       << "other VELMORA_VCAM_* settings from the environment.\n"
       << "\n"
       << "Exit status: 0 when frames were filled and the runtime's rules were kept,\n"
       << "1 when the run failed, 2 for a bad command line.\n";
  return text.str();
}

}  // namespace velmora::tools
