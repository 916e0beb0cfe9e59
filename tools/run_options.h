// The command line of velmora-camera-run: what the script it plays asks the
// extension for, and how the command finds a camera and reports.
#ifndef VELMORA_TOOLS_RUN_OPTIONS_H_
#define VELMORA_TOOLS_RUN_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <string>

namespace velmora::tools {

enum class VirtualCameraUse { kAuto, kOn, kOff };

struct RunOptions {
  std::string library;  // the extension library to load
  int32_t camera = 0;
  int32_t width = 640;
  int32_t height = 480;
  bool rotate = false;
  int32_t flip = 1;
  bool overlay = false;
  std::optional<int32_t> whiteBalance;
  int32_t frames = 30;
  std::string output;  // the last filled frame as PNG; empty: none
  int32_t every = 0;   // also every this many grabs as numbered PNGs; 0: none
  bool fixedSize = false;
  VirtualCameraUse virtualCamera = VirtualCameraUse::kAuto;
  std::string virtualCameraLibrary;
  int32_t virtualCameraFps = 0;  // 0: as the environment says
  bool help = false;
};

struct ParsedOptions {
  RunOptions options;
  std::string error;  // empty when the command line was understood
};

// Reads argv[1..argc-1] over `defaults`.
ParsedOptions parseOptions(int argc, const char* const* argv, const RunOptions& defaults);

std::string helpText(const RunOptions& defaults);

}  // namespace velmora::tools

#endif  // VELMORA_TOOLS_RUN_OPTIONS_H_
