// Script values decoded from a fuzz input: integers and doubles (the edge
// values a script can pass among them), null, strings and bitmaps of any
// shape, most of them close to the size of the frame the next grab reads.
#ifndef VELMORA_FUZZ_SCRIPT_VALUES_H_
#define VELMORA_FUZZ_SCRIPT_VALUES_H_

#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "host/host.h"

namespace velmora::fuzz {

// Every word of a new bitmap.  Its alpha byte is 0 and the extension writes
// only opaque words, so a word that still holds it was not written.
constexpr uint32_t kUnwrittenWord = 0x00a5c3e1u;

// Bitmaps stay below this many bytes so that inputs stay fast and the
// process small (the host itself allows 1 GiB).
constexpr uint64_t kMaxBitmapBytes = uint64_t(64) << 20;

struct FrameSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

// One value: a kind byte, then that kind's payload.  `frame` is the size, as
// the script sees it (after the turn), that the next grab is expected to
// deliver.
host::Value decodeValue(FuzzInput& in, FrameSize frame);

}  // namespace velmora::fuzz

#endif  // VELMORA_FUZZ_SCRIPT_VALUES_H_
