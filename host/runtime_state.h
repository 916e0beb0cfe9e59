// The host's process-wide bookkeeping: the call in progress, the records and
// the event queue.  The runtime operations are plain C functions, so this
// state is necessarily global.
#ifndef VELMORA_HOST_RUNTIME_STATE_H_
#define VELMORA_HOST_RUNTIME_STATE_H_

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/host.h"

namespace velmora::host::detail {

struct CallFrame {
  Context* context = nullptr;
  std::string function;
  const std::vector<Value>* values = nullptr;
  uintptr_t firstHandle = 0;  // argument i is handed over as firstHandle + i
  std::thread::id thread;
  const Value* acquired = nullptr;
  std::vector<uint32_t> wordsOutsideAcquired;  // as they were at the acquire
  std::vector<const Value*> released;

  // Position of `object` among the call's arguments, or -1.
  int position(FREObject object) const;
};

struct QueuedEvent {
  FREContext context;
  StatusEvent event;
};

struct RuntimeState {
  std::recursive_mutex mutex;
  std::vector<OperationCall> operations;
  std::vector<std::string> misuse;
  std::deque<QueuedEvent> queue;
  CallFrame* frame = nullptr;
  std::map<FREContext, Context*> liveContexts;
  std::set<Bitmap*> bitmaps;
  bool guardPixels = true;
  // Objects and contexts are handed over as numbers never handed out before,
  // so one kept past its call or its context's disposal is never mistaken
  // for a live one that happens to sit at the same address.
  uintptr_t nextHandle = 0x10000;
};

RuntimeState& state();

// `count` handles never handed out before, consecutive; the state's mutex
// must be held.
uintptr_t takeHandles(size_t count);

}  // namespace velmora::host::detail

#endif  // VELMORA_HOST_RUNTIME_STATE_H_
