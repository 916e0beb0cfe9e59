// Loading an extension, its contexts, calls into it and event delivery.
#include <dlfcn.h>

#include <cstring>
#include <stdexcept>

#include "host/runtime_state.h"

namespace velmora::host {

namespace detail {

RuntimeState& state() {
  static RuntimeState* runtime = new RuntimeState;  // outlives every static destructor
  return *runtime;
}

uintptr_t takeHandles(size_t count) {
  const uintptr_t first = state().nextHandle;
  // A gap after each batch keeps one call's handles from running into the next.
  state().nextHandle += count + 1;
  return first;
}

int CallFrame::position(FREObject object) const {
  if (values == nullptr || object == nullptr) return -1;
  const uintptr_t offset = reinterpret_cast<uintptr_t>(object) - firstHandle;
  return offset < values->size() ? static_cast<int>(offset) : -1;
}

}  // namespace detail

using detail::state;

void deliverEvent(Context& context, const StatusEvent& event) {
  context.events_.push_back(event);
  if (context.listener_) context.listener_(event);
}

std::unique_ptr<Extension> Extension::load(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) throw std::runtime_error(std::string("cannot load: ") + dlerror());
  auto initializer = reinterpret_cast<FREInitializer>(dlsym(library, "ExtInitializer"));
  auto finalizer = reinterpret_cast<FREFinalizer>(dlsym(library, "ExtFinalizer"));
  if (initializer == nullptr || finalizer == nullptr) {
    dlclose(library);
    throw std::runtime_error(path + " has no ExtInitializer or ExtFinalizer");
  }
  std::unique_ptr<Extension> extension(new Extension);
  extension->library_ = library;
  extension->finalizer_ = finalizer;
  initializer(&extension->extData_, &extension->contextInitializer_, &extension->contextFinalizer_);
  if (extension->contextInitializer_ == nullptr || extension->contextFinalizer_ == nullptr) {
    throw std::runtime_error(path + " handed over no context callbacks");
  }
  return extension;
}

Extension::~Extension() {
  while (!contexts_.empty()) disposeContext(*contexts_.back());
  if (finalizer_ != nullptr) finalizer_(extData_);
  dlclose(library_);
}

Context& Extension::createContext(const char* type) {
  std::unique_ptr<Context> context(new Context());
  {
    std::lock_guard<std::recursive_mutex> lock(state().mutex);
    context->handle_ = reinterpret_cast<FREContext>(detail::takeHandles(1));
    state().liveContexts.emplace(context->handle_, context.get());
  }
  contextInitializer_(extData_, reinterpret_cast<const uint8_t*>(type), context->handle(),
                      &context->count_, &context->table_);
  if (context->count_ > 0 && context->table_ == nullptr) {
    std::lock_guard<std::recursive_mutex> lock(state().mutex);
    state().misuse.push_back("ContextInitializer: announced functions behind a null table");
    context->count_ = 0;
  }
  contexts_.push_back(std::move(context));
  return *contexts_.back();
}

void Extension::disposeContext(Context& context) {
  contextFinalizer_(context.handle());
  std::lock_guard<std::recursive_mutex> lock(state().mutex);
  state().liveContexts.erase(context.handle());
  for (auto it = contexts_.begin(); it != contexts_.end(); ++it) {
    if (it->get() == &context) {
      contexts_.erase(it);
      break;
    }
  }
}

void* Extension::symbol(const char* name) const { return dlsym(library_, name); }

void* Extension::requireSymbol(const char* name) const {
  void* address = symbol(name);
  if (address == nullptr) throw std::runtime_error(std::string("no symbol ") + name);
  return address;
}

FREObject Context::call(const std::string& name, const std::vector<Value>& args) {
  const FRENamedFunction* entry = nullptr;
  for (uint32_t i = 0; i < count_ && entry == nullptr; ++i) {
    if (std::strcmp(reinterpret_cast<const char*>(table_[i].name), name.c_str()) == 0) {
      entry = &table_[i];
    }
  }
  if (entry == nullptr || entry->function == nullptr) {
    throw std::invalid_argument("no function " + name + " in the table");
  }

  detail::CallFrame frame;
  frame.context = this;
  frame.function = name;
  frame.values = &args;
  frame.thread = std::this_thread::get_id();
  std::vector<FREObject> argv;
  argv.reserve(args.size());
  {
    std::lock_guard<std::recursive_mutex> lock(state().mutex);
    if (state().frame != nullptr) {
      state().misuse.push_back(name + ": called while " + state().frame->function + " runs");
    }
    frame.firstHandle = detail::takeHandles(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
      argv.push_back(reinterpret_cast<FREObject>(frame.firstHandle + i));
    }
    for (Bitmap* bitmap : state().bitmaps) bitmap->setWritable(false);
    state().frame = &frame;
  }
  // Whatever way the function ends, the host forgets the call and hands the
  // script its bitmaps back.
  auto endCall = [&](const char* problem) {
    std::lock_guard<std::recursive_mutex> lock(state().mutex);
    state().frame = nullptr;
    for (Bitmap* bitmap : state().bitmaps) bitmap->setWritable(true);
    if (problem != nullptr) state().misuse.push_back(name + ": " + problem);
    if (frame.acquired != nullptr) {
      state().misuse.push_back(name + ": returned with a bitmap acquired");
    }
  };

  FREObject result = nullptr;
  try {
    result = entry->function(handle(), entry->functionData, static_cast<uint32_t>(argv.size()),
                             argv.empty() ? nullptr : argv.data());
  } catch (...) {
    endCall("let an exception escape");
    throw;
  }
  endCall(result != nullptr ? "returned an object other than null" : nullptr);
  return result;
}

size_t pumpEvents() {
  std::deque<detail::QueuedEvent> queue;
  {
    std::lock_guard<std::recursive_mutex> lock(state().mutex);
    queue.swap(state().queue);
  }
  size_t delivered = 0;
  for (auto& queued : queue) {
    Context* context = nullptr;
    {
      std::lock_guard<std::recursive_mutex> lock(state().mutex);
      const auto live = state().liveContexts.find(queued.context);
      if (live != state().liveContexts.end()) context = live->second;
    }
    if (context == nullptr) continue;
    deliverEvent(*context, queued.event);
    ++delivered;
  }
  return delivered;
}

size_t pendingEventCount() {
  std::lock_guard<std::recursive_mutex> lock(state().mutex);
  return state().queue.size();
}

void setPixelGuard(bool on) {
  // Outside a call every bitmap is writable whichever way the guard is set.
  std::lock_guard<std::recursive_mutex> lock(state().mutex);
  state().guardPixels = on;
}

const std::vector<OperationCall>& operations() { return state().operations; }
const std::vector<std::string>& misuse() { return state().misuse; }

void clearRecords() {
  std::lock_guard<std::recursive_mutex> lock(state().mutex);
  state().operations.clear();
  state().misuse.clear();
}

}  // namespace velmora::host
