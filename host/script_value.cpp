#include "host/host.h"

namespace velmora::host {

Value Value::integer(int32_t v) {
  Value value(Kind::Int);
  value.int_ = v;
  return value;
}

Value Value::number(double v) {
  Value value(Kind::Double);
  value.double_ = v;
  return value;
}

Value Value::null() { return Value(Kind::Null); }

Value Value::string(std::string v) {
  Value value(Kind::String);
  value.string_ = std::move(v);
  return value;
}

Value Value::bitmap(std::shared_ptr<Bitmap> v) {
  Value value(Kind::Bitmap);
  value.bitmap_ = std::move(v);
  return value;
}

}  // namespace velmora::host
