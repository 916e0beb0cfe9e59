// velmora-camera-run: runs the camera extension end to end on a desktop, the
// way an application's script drives it, on a real camera or the virtual one.
#include <cstdlib>
#include <exception>
#include <iostream>

#include <opencv2/core/utils/logger.hpp>

#include "tools/run_options.h"
#include "tools/script_session.h"
#include "tools/virtual_camera_choice.h"

namespace {

constexpr int kFailed = 1;
constexpr int kBadCommandLine = 2;

}  // namespace

int main(int argc, char** argv) {
  using namespace velmora::tools;
  RunOptions defaults;
  defaults.library = VELMORA_EXTENSION_PATH;
  defaults.virtualCameraLibrary = VELMORA_VIRTUAL_CAMERA_PATH;

  const ParsedOptions parsed = parseOptions(argc, argv, defaults);
  if (!parsed.error.empty()) {
    std::cerr << "velmora-camera-run: " << parsed.error << "\n"
              << "Try 'velmora-camera-run --help'.\n";
    return kBadCommandLine;
  }
  const RunOptions& options = parsed.options;
  if (options.help) {
    std::cout << helpText(defaults);
    return 0;
  }

  if (needsVirtualCamera(options.virtualCamera)) {
    std::cout << (options.virtualCamera == VirtualCameraUse::kOn
                      ? "starting again with the virtual camera preloaded\n"
                      : "no /dev/video device on this machine: starting again with the "
                        "virtual camera preloaded\n")
              << std::flush;
    const std::string problem = restartWithVirtualCamera(options.virtualCameraLibrary, argv);
    std::cerr << "velmora-camera-run: " << problem << "\n";
    return kFailed;
  }
  if (const std::string virtualCamera = loadedVirtualCamera(); !virtualCamera.empty()) {
    configureVirtualCamera(options.virtualCameraFps);
    const char* fps = std::getenv("VELMORA_VCAM_FPS");
    std::cout << "camera: the virtual camera " << virtualCamera << " (pattern "
              << std::getenv("VELMORA_VCAM_PATTERN") << ", "
              << (fps != nullptr && std::atoi(fps) > 0 ? std::string("paced at ") + fps + " fps"
                                                       : std::string("not paced"))
              << ")\n";
  } else {
    std::cout << "camera: the machine's own /dev/video devices\n";
  }

  // The command reports failures in its own words; OpenCV's warnings about
  // them would only repeat it.  An OPENCV_LOG_LEVEL the user set wins.
  if (std::getenv("OPENCV_LOG_LEVEL") == nullptr) {
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR);
  }

  try {
    return playScript(options, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "velmora-camera-run: " << e.what() << "\n";
    return kFailed;
  }
}
