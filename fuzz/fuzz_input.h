// A fuzz input read front to back.  Once it is used up every read answers
// zero, so any input, however short, is a complete program of calls.
#ifndef VELMORA_FUZZ_FUZZ_INPUT_H_
#define VELMORA_FUZZ_FUZZ_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace velmora::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return offset_ >= size_; }

  uint8_t byte() { return empty() ? 0 : data_[offset_++]; }

  template <typename T>
  T raw() {
    uint8_t bytes[sizeof(T)] = {};
    for (uint8_t& b : bytes) b = byte();
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

  std::string text(size_t length) {
    std::string s;
    while (s.size() < length && !empty()) s.push_back(static_cast<char>(byte()));
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

}  // namespace velmora::fuzz

#endif  // VELMORA_FUZZ_FUZZ_INPUT_H_
