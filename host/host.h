// A desktop stand-in for the application runtime.  It loads an extension
// library by path the way the runtime does, creates and disposes of extension
// contexts through the callbacks the extension hands it, calls the extension's
// functions by their table names with script values, provides the runtime
// operations the extension calls, and delivers status events only when asked
// to pump its event queue, never inside a call.
//
// It is strict: every runtime operation is recorded in order, and every
// misuse of the runtime's rules is recorded (an operation while a bitmap is
// acquired other than that bitmap's release, a release without an acquire, a
// double release, a bitmap still acquired when a function returns, a result
// other than the null object, an operation outside an extension call or on
// another thread, an object used outside the call that passed it, a context
// that does not exist, a null where the operation writes its answer, a write
// to an acquired bitmap's memory outside its pixels, an exception escaping a
// function).  Tests assert that the misuse record is empty.  While an
// extension function runs, every bitmap's memory is read-only except between
// the acquire and the release of that bitmap, so a write outside that window
// faults at once (see setPixelGuard).
//
// Conversions follow these rules:
//   FREGetObjectAsInt32:  an int; a double that is whole and within int32
//                         range.  A fractional, NaN, infinite or out-of-range
//                         double, a string, null or a bitmap: FRE_TYPE_MISMATCH.
//   FREGetObjectAsDouble: an int or a double; anything else FRE_TYPE_MISMATCH.
//   The script's null is an object of its own (FRE_TYPE_MISMATCH); a null or
//   unknown FREObject handle is FRE_INVALID_OBJECT.  A failed conversion
//   leaves the caller's variable untouched.
//   FREAcquireBitmapData2 on anything but a bitmap: FRE_TYPE_MISMATCH.
#ifndef VELMORA_HOST_HOST_H_
#define VELMORA_HOST_HOST_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "extension/runtime_bridge.h"

namespace velmora::host {

struct BitmapSpec {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t lineStride32 = 0;  // 0: the width
  bool hasAlpha = true;
  bool isPremultiplied = false;
  bool isInvertedY = false;
  uint32_t fill = 0;  // every word, padding included, starts with this value
};

// A script bitmap.  Its pixel words sit between two inaccessible guard pages,
// the last word right before the upper one, so a write past the last word
// faults at once; the words below the first one, up to the lower guard page,
// and the padding past each row's width are compared at the release, so a
// write there while the bitmap is acquired is recorded as misuse.
class Bitmap {
 public:
  explicit Bitmap(const BitmapSpec& spec);
  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // The host's own: the pixel memory's protection, and the words around the
  // pixels (below the first word, then each row's padding) in order.
  void setWritable(bool writable);
  std::vector<uint32_t> wordsOutsidePixels() const;

  uint32_t width() const { return spec_.width; }
  uint32_t height() const { return spec_.height; }
  uint32_t lineStride32() const { return spec_.lineStride32; }
  const BitmapSpec& spec() const { return spec_; }

  uint32_t* words() { return words_; }
  const uint32_t* words() const { return words_; }
  size_t wordCount() const { return wordCount_; }
  uint32_t at(uint32_t x, uint32_t y) const { return words_[size_t(y) * spec_.lineStride32 + x]; }
  std::vector<uint32_t> snapshot() const { return {words_, words_ + wordCount_}; }

 private:
  BitmapSpec spec_;
  void* mapping_ = nullptr;
  size_t mappingBytes_ = 0;
  size_t dataBytes_ = 0;
  uint32_t* words_ = nullptr;
  size_t wordCount_ = 0;
};

// A script value passed to an extension function.
class Value {
 public:
  enum class Kind { Int, Double, Null, String, Bitmap };

  static Value integer(int32_t v);
  static Value number(double v);
  static Value null();
  static Value string(std::string v);
  static Value bitmap(std::shared_ptr<Bitmap> v);

  Kind kind() const { return kind_; }
  int32_t asInt() const { return int_; }
  double asDouble() const { return double_; }
  const std::string& asString() const { return string_; }
  const std::shared_ptr<Bitmap>& asBitmap() const { return bitmap_; }

 private:
  explicit Value(Kind kind) : kind_(kind) {}
  Kind kind_;
  int32_t int_ = 0;
  double double_ = 0.0;
  std::string string_;
  std::shared_ptr<Bitmap> bitmap_;
};

struct StatusEvent {
  std::string code;
  std::string level;
};

// One runtime operation as the extension called it.
struct OperationCall {
  std::string operation;  // e.g. "FREGetObjectAsInt32"
  std::string function;   // the extension function being called, "" outside a call
  int argument;           // position of the object in that call's arguments, -1 if none
  FREResult result;
};

class Extension;

class Context {
 public:
  // Calls the function registered under `name` with `args` (argc is their
  // number).  Throws std::invalid_argument when the table has no such name;
  // an exception escaping the function is recorded and passed on.
  FREObject call(const std::string& name, const std::vector<Value>& args = {});

  FREContext handle() const { return handle_; }
  uint32_t functionCount() const { return count_; }
  const FRENamedFunction* table() const { return table_; }

  // Events delivered to this context so far, oldest first.
  const std::vector<StatusEvent>& events() const { return events_; }
  void setListener(std::function<void(const StatusEvent&)> listener) {
    listener_ = std::move(listener);
  }

 private:
  friend class Extension;
  friend void deliverEvent(Context&, const StatusEvent&);
  Context() = default;

  FREContext handle_ = nullptr;
  uint32_t count_ = 0;
  const FRENamedFunction* table_ = nullptr;
  std::vector<StatusEvent> events_;
  std::function<void(const StatusEvent&)> listener_;
};

class Extension {
 public:
  // dlopens the library and calls its ExtInitializer; throws
  // std::runtime_error when it cannot be loaded or lacks an entry point.
  static std::unique_ptr<Extension> load(const std::string& path);
  // Disposes of the remaining contexts, calls ExtFinalizer and unloads.
  ~Extension();
  Extension(const Extension&) = delete;
  Extension& operator=(const Extension&) = delete;

  // Creates a context through the context initializer; `type` may be null.
  Context& createContext(const char* type = "");
  void disposeContext(Context& context);

  // A symbol of the loaded library, or nullptr.
  void* symbol(const char* name) const;
  template <typename T>
  T& variable(const char* name) const {
    return *static_cast<T*>(requireSymbol(name));
  }

  void* extData() const { return extData_; }

 private:
  Extension() = default;
  void* requireSymbol(const char* name) const;

  void* library_ = nullptr;
  void* extData_ = nullptr;
  FREFinalizer finalizer_ = nullptr;
  FREContextInitializer contextInitializer_ = nullptr;
  FREContextFinalizer contextFinalizer_ = nullptr;
  std::vector<std::unique_ptr<Context>> contexts_;
};

// Delivers every queued status event to its context, oldest first.  Events
// for a context disposed of meanwhile are dropped.  Returns how many were
// delivered.
size_t pumpEvents();
size_t pendingEventCount();

// Whether bitmaps are read-only during calls outside their acquire window
// (on by default).  Changing the protection of a frame's pages costs about
// as much as a copy of it, so benchmarks that time calls turn it off.
void setPixelGuard(bool on);

const std::vector<OperationCall>& operations();
const std::vector<std::string>& misuse();
// Forgets the operation and misuse records (not the event queue).
void clearRecords();

}  // namespace velmora::host

#endif  // VELMORA_HOST_HOST_H_
