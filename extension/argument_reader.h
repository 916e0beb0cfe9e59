// Reads an extension function's arguments by position.  An argument that the
// caller did not pass (at or beyond argc) counts as a failed conversion, so no
// function ever reads past the array the runtime handed over.
#ifndef VELMORA_EXTENSION_ARGUMENT_READER_H_
#define VELMORA_EXTENSION_ARGUMENT_READER_H_

#include <cstdint>

#include "extension/runtime_bridge.h"

namespace velmora {

class ArgumentReader {
 public:
  ArgumentReader(uint32_t argc, FREObject* argv) : argc_(argv == nullptr ? 0 : argc), argv_(argv) {}

  // True when argument `index` was passed; it may still fail to convert.
  bool has(uint32_t index) const { return index < argc_; }
  FREObject object(uint32_t index) const { return has(index) ? argv_[index] : nullptr; }

  // Each returns true and writes *value only when the argument is present
  // and the runtime converted it.
  bool int32(uint32_t index, int32_t* value) const;
  bool float64(uint32_t index, double* value) const;

 private:
  uint32_t argc_;
  FREObject* argv_;
};

}  // namespace velmora

#endif  // VELMORA_EXTENSION_ARGUMENT_READER_H_
