// The host's process-wide bookkeeping: the call in progress, the records and
// the event queue.  The runtime operations are plain C functions, so this
// state is necessarily global.
#ifndef VELMORA_HOST_RUNTIME_STATE_H_
#define VELMORA_HOST_RUNTIME_STATE_H_

#include <deque>
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
  std::thread::id thread;
  const Value* acquired = nullptr;
  std::vector<const Value*> released;

  // Position of `object` among the call's arguments, or -1.
  int position(FREObject object) const;
};

struct QueuedEvent {
  Context* context;
  StatusEvent event;
};

struct RuntimeState {
  std::recursive_mutex mutex;
  std::vector<OperationCall> operations;
  std::vector<std::string> misuse;
  std::deque<QueuedEvent> queue;
  CallFrame* frame = nullptr;
  std::set<Context*> liveContexts;
};

RuntimeState& state();

}  // namespace velmora::host::detail

#endif  // VELMORA_HOST_RUNTIME_STATE_H_
