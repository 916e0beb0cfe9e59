// The runtime operations, as the extension sees them.  Each one is recorded,
// checked against the runtime's rules, and answered the way the runtime
// answers (see host.h for the conversion rules).
#include <cmath>
#include <cstring>

#include "extension/export.h"
#include "host/runtime_state.h"

namespace velmora::host {

namespace {

using detail::state;

// Checks the rules every operation shares and resolves `object` to one of
// the current call's values.  Returns the value, or nullptr with *result
// set when the operation must fail.
class Operation {
 public:
  Operation(const char* name, FREObject object, bool releasesBitmap = false)
      : lock_(state().mutex), name_(name), frame_(state().frame) {
    if (frame_ == nullptr) {
      misuse("called outside an extension function");
      result_ = FRE_WRONG_THREAD;
      return;
    }
    if (frame_->thread != std::this_thread::get_id()) {
      misuse("called from a thread other than the one running " + frame_->function);
      result_ = FRE_WRONG_THREAD;
      return;
    }
    position_ = frame_->position(object);
    if (position_ >= 0) value_ = &(*frame_->values)[position_];
    if (frame_->acquired != nullptr && !(releasesBitmap && value_ == frame_->acquired)) {
      misuse("called while a bitmap is acquired");
    }
    if (object != nullptr && position_ < 0) {
      misuse("given an object that is not an argument of the current call");
    }
  }

  ~Operation() { state().operations.push_back({name_, functionName(), position_, result_}); }

  bool failed() const { return result_ != FRE_OK; }
  const Value* value() const { return value_; }
  detail::CallFrame& frame() { return *frame_; }
  int position() const { return position_; }

  FREResult finish(FREResult result) {
    result_ = result;
    return result;
  }
  FREResult finish() { return result_; }

  void misuse(const std::string& what) {
    state().misuse.push_back(functionName() + ": " + name_ + " " + what);
  }

 private:
  std::string functionName() const { return frame_ != nullptr ? frame_->function : ""; }

  std::lock_guard<std::recursive_mutex> lock_;
  std::string name_;
  detail::CallFrame* frame_;
  int position_ = -1;
  const Value* value_ = nullptr;
  FREResult result_ = FRE_OK;
};

bool wholeInt32(double v) {
  return std::isfinite(v) && std::trunc(v) == v && v >= -2147483648.0 && v <= 2147483647.0;
}

}  // namespace

extern "C" {

VELMORA_EXPORT FREResult FREGetObjectAsInt32(FREObject object, int32_t* value) {
  Operation op("FREGetObjectAsInt32", object);
  if (op.failed()) return op.finish();
  if (op.value() == nullptr) return op.finish(FRE_INVALID_OBJECT);
  if (value == nullptr) {
    op.misuse("given a null place for the value");
    return op.finish(FRE_INVALID_ARGUMENT);
  }
  switch (op.value()->kind()) {
    case Value::Kind::Int:
      *value = op.value()->asInt();
      return op.finish(FRE_OK);
    case Value::Kind::Double:
      if (!wholeInt32(op.value()->asDouble())) return op.finish(FRE_TYPE_MISMATCH);
      *value = static_cast<int32_t>(op.value()->asDouble());
      return op.finish(FRE_OK);
    default:
      return op.finish(FRE_TYPE_MISMATCH);
  }
}

VELMORA_EXPORT FREResult FREGetObjectAsDouble(FREObject object, double* value) {
  Operation op("FREGetObjectAsDouble", object);
  if (op.failed()) return op.finish();
  if (op.value() == nullptr) return op.finish(FRE_INVALID_OBJECT);
  if (value == nullptr) {
    op.misuse("given a null place for the value");
    return op.finish(FRE_INVALID_ARGUMENT);
  }
  switch (op.value()->kind()) {
    case Value::Kind::Int:
      *value = op.value()->asInt();
      return op.finish(FRE_OK);
    case Value::Kind::Double:
      *value = op.value()->asDouble();
      return op.finish(FRE_OK);
    default:
      return op.finish(FRE_TYPE_MISMATCH);
  }
}

VELMORA_EXPORT FREResult FREDispatchStatusEventAsync(FREContext ctx, const uint8_t* code,
                                                     const uint8_t* level) {
  Operation op("FREDispatchStatusEventAsync", nullptr);
  if (op.failed()) return op.finish();
  if (state().liveContexts.count(ctx) == 0) {
    op.misuse("given a context that does not exist");
    return op.finish(FRE_INVALID_ARGUMENT);
  }
  if (code == nullptr || level == nullptr) {
    op.misuse("given a null code or level");
    return op.finish(FRE_INVALID_ARGUMENT);
  }
  state().queue.push_back({ctx, StatusEvent{reinterpret_cast<const char*>(code),
                                            reinterpret_cast<const char*>(level)}});
  return op.finish(FRE_OK);
}

VELMORA_EXPORT FREResult FREAcquireBitmapData2(FREObject object, FREBitmapData2* descriptor) {
  Operation op("FREAcquireBitmapData2", object);
  if (op.failed()) return op.finish();
  if (op.frame().acquired != nullptr) return op.finish(FRE_ILLEGAL_STATE);
  if (op.value() == nullptr) return op.finish(FRE_INVALID_OBJECT);
  if (descriptor == nullptr) {
    op.misuse("given a null descriptor");
    return op.finish(FRE_INVALID_ARGUMENT);
  }
  if (op.value()->kind() != Value::Kind::Bitmap) return op.finish(FRE_TYPE_MISMATCH);
  Bitmap& bitmap = *op.value()->asBitmap();
  bitmap.setWritable(true);
  op.frame().wordsOutsideAcquired = bitmap.wordsOutsidePixels();
  descriptor->width = bitmap.width();
  descriptor->height = bitmap.height();
  descriptor->hasAlpha = bitmap.spec().hasAlpha;
  descriptor->isPremultiplied = bitmap.spec().isPremultiplied;
  descriptor->lineStride32 = bitmap.lineStride32();
  descriptor->isInvertedY = bitmap.spec().isInvertedY;
  descriptor->bits32 = bitmap.words();
  op.frame().acquired = op.value();
  return op.finish(FRE_OK);
}

VELMORA_EXPORT FREResult FREReleaseBitmapData(FREObject object) {
  Operation op("FREReleaseBitmapData", object, /*releasesBitmap=*/true);
  if (op.failed()) return op.finish();
  detail::CallFrame& frame = op.frame();
  if (op.value() != nullptr && frame.acquired == op.value()) {
    Bitmap& bitmap = *op.value()->asBitmap();
    if (bitmap.wordsOutsidePixels() != frame.wordsOutsideAcquired) {
      op.misuse("found a write outside the bitmap's pixels");
    }
    bitmap.setWritable(false);
    frame.acquired = nullptr;
    frame.released.push_back(op.value());
    return op.finish(FRE_OK);
  }
  bool releasedBefore = false;
  for (const Value* v : frame.released) releasedBefore |= (v == op.value() && v != nullptr);
  op.misuse(releasedBefore ? "released a bitmap twice" : "released a bitmap it had not acquired");
  return op.finish(FRE_ILLEGAL_STATE);
}

}  // extern "C"

}  // namespace velmora::host
