#include "extension/argument_reader.h"

namespace velmora {

bool ArgumentReader::int32(uint32_t index, int32_t* value) const {
  if (!has(index)) return false;
  int32_t converted = 0;
  if (FREGetObjectAsInt32(argv_[index], &converted) != FRE_OK) return false;
  *value = converted;
  return true;
}

bool ArgumentReader::float64(uint32_t index, double* value) const {
  if (!has(index)) return false;
  double converted = 0.0;
  if (FREGetObjectAsDouble(argv_[index], &converted) != FRE_OK) return false;
  *value = converted;
  return true;
}

}  // namespace velmora
