// The boundary between an extension function and the runtime that called it.
// The extension runs inside someone else's application: an exception that
// reached the runtime would end that application, so every extension
// function runs its body through containExceptions and returns the null
// object on every path.
#ifndef VELMORA_EXTENSION_CALL_BOUNDARY_H_
#define VELMORA_EXTENSION_CALL_BOUNDARY_H_

#include "extension/runtime_bridge.h"

namespace velmora {

template <typename Body>
FREObject containExceptions(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    // Nothing to report through: the runtime's call has no error channel,
    // and the camera state is consistent at every point that can throw.
  }
  return nullptr;
}

}  // namespace velmora

#endif  // VELMORA_EXTENSION_CALL_BOUNDARY_H_
