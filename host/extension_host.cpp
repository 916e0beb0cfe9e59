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

int CallFrame::position(FREObject object) const {
  if (values == nullptr || object == nullptr) return -1;
  for (size_t i = 0; i < values->size(); ++i) {
    if (static_cast<const void*>(&(*values)[i]) == object) return static_cast<int>(i);
  }
  return -1;
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
    state().liveContexts.insert(context.get());
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
  state().liveContexts.erase(&context);
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
  FREFunction function = nullptr;
  for (uint32_t i = 0; i < count_; ++i) {
    if (std::strcmp(reinterpret_cast<const char*>(table_[i].name), name.c_str()) == 0) {
      function = table_[i].function;
      break;
    }
  }
  if (function == nullptr) throw std::invalid_argument("no function " + name + " in the table");
  void* functionData = nullptr;
  for (uint32_t i = 0; i < count_; ++i) {
    if (table_[i].function == function) functionData = table_[i].functionData;
  }

  detail::CallFrame frame;
  frame.context = this;
  frame.function = name;
  frame.values = &args;
  frame.thread = std::this_thread::get_id();
  std::vector<FREObject> argv;
  argv.reserve(args.size());
  for (const Value& value : args) argv.push_back(const_cast<Value*>(&value));
  {
    std::lock_guard<std::recursive_mutex> lock(state().mutex);
    if (state().frame != nullptr) {
      state().misuse.push_back(name + ": called while " + state().frame->function + " runs");
    }
    state().frame = &frame;
  }

  FREObject result = function(handle(), functionData, static_cast<uint32_t>(argv.size()),
                              argv.empty() ? nullptr : argv.data());

  std::lock_guard<std::recursive_mutex> lock(state().mutex);
  state().frame = nullptr;
  if (frame.acquired != nullptr)
    state().misuse.push_back(name + ": returned with a bitmap acquired");
  if (result != nullptr) state().misuse.push_back(name + ": returned an object other than null");
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
    bool live = false;
    {
      std::lock_guard<std::recursive_mutex> lock(state().mutex);
      live = state().liveContexts.count(queued.context) > 0;
    }
    if (!live) continue;
    deliverEvent(*queued.context, queued.event);
    ++delivered;
  }
  return delivered;
}

size_t pendingEventCount() {
  std::lock_guard<std::recursive_mutex> lock(state().mutex);
  return state().queue.size();
}

const std::vector<OperationCall>& operations() { return state().operations; }
const std::vector<std::string>& misuse() { return state().misuse; }

void clearRecords() {
  std::lock_guard<std::recursive_mutex> lock(state().mutex);
  state().operations.clear();
  state().misuse.clear();
}

}  // namespace velmora::host
