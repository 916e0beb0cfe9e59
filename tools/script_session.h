// The application's script, played through the desktop host: load the
// extension, open a camera, set it up, grab frames into a bitmap, close the
// camera and unload.  Says what happens on `out` as it goes, and problems and
// progress on `err`.
#ifndef VELMORA_TOOLS_SCRIPT_SESSION_H_
#define VELMORA_TOOLS_SCRIPT_SESSION_H_

#include <ostream>

#include "tools/run_options.h"

namespace velmora::tools {

// Returns the exit status: 0 when frames were filled and nothing went wrong.
int playScript(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace velmora::tools

#endif  // VELMORA_TOOLS_SCRIPT_SESSION_H_
