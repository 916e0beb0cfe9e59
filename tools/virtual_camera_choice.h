// Where the frames come from: a real /dev/video device, or the virtual
// camera, which only works preloaded and so needs the program started again.
#ifndef VELMORA_TOOLS_VIRTUAL_CAMERA_CHOICE_H_
#define VELMORA_TOOLS_VIRTUAL_CAMERA_CHOICE_H_

#include <string>

#include "tools/run_options.h"

namespace velmora::tools {

// The path of the virtual camera library loaded into this process, or "".
std::string loadedVirtualCamera();

// Whether the program should run on the virtual camera and is not yet.
bool needsVirtualCamera(VirtualCameraUse use);

// Starts this program again, with the same arguments and `library` added to
// LD_PRELOAD.  Returns only when that is impossible, with the reason.
std::string restartWithVirtualCamera(const std::string& library, char** argv);

// Sets the virtual camera's settings the command chooses, before it first
// opens a device: the demo pattern unless the environment names one, and the
// pacing asked for (0: leave as the environment says).
void configureVirtualCamera(int fps);

}  // namespace velmora::tools

#endif  // VELMORA_TOOLS_VIRTUAL_CAMERA_CHOICE_H_
