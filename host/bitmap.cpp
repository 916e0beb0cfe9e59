#include <sys/mman.h>
#include <unistd.h>

#include <mutex>
#include <new>
#include <stdexcept>

#include "host/runtime_state.h"

namespace velmora::host {

namespace {

// Larger bitmaps than this are refused rather than half-allocated.
constexpr uint64_t kMaxBitmapBytes = uint64_t(1) << 30;

// What the words below the first pixel hold, so that a write there shows.
constexpr uint32_t kBelowPixels = 0xa5a5a5a5u;

size_t pageSize() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }

}  // namespace

Bitmap::Bitmap(const BitmapSpec& spec) : spec_(spec) {
  if (spec_.lineStride32 == 0) spec_.lineStride32 = spec_.width;
  // Rows are lineStride32 words apart; a stride below the width (which a
  // correct extension refuses to write) still gets memory for its last row.
  // Sizes are worked out in 64 bits so that a 32-bit build cannot wrap.
  uint64_t words = 0;
  if (spec_.height > 0) {
    const uint64_t rows = uint64_t(spec_.height) * spec_.lineStride32;
    const uint64_t lastRowEnd = uint64_t(spec_.height - 1) * spec_.lineStride32 + spec_.width;
    words = rows > lastRowEnd ? rows : lastRowEnd;
  }
  if (words > kMaxBitmapBytes / sizeof(uint32_t)) throw std::length_error("bitmap too large");
  wordCount_ = static_cast<size_t>(words);

  const size_t page = pageSize();
  dataBytes_ = (wordCount_ * sizeof(uint32_t) + page - 1) / page * page;
  mappingBytes_ = dataBytes_ + 2 * page;
  mapping_ = mmap(nullptr, mappingBytes_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED) throw std::bad_alloc();
  auto* base = static_cast<uint8_t*>(mapping_);
  if (dataBytes_ > 0 && mprotect(base + page, dataBytes_, PROT_READ | PROT_WRITE) != 0) {
    munmap(mapping_, mappingBytes_);
    throw std::bad_alloc();
  }
  words_ = reinterpret_cast<uint32_t*>(base + page + dataBytes_) - wordCount_;
  for (uint32_t* w = reinterpret_cast<uint32_t*>(base + page); w < words_; ++w) *w = kBelowPixels;
  for (size_t i = 0; i < wordCount_; ++i) words_[i] = spec_.fill;

  std::lock_guard<std::recursive_mutex> lock(detail::state().mutex);
  detail::state().bitmaps.insert(this);
}

Bitmap::~Bitmap() {
  {
    std::lock_guard<std::recursive_mutex> lock(detail::state().mutex);
    detail::state().bitmaps.erase(this);
  }
  munmap(mapping_, mappingBytes_);
}

void Bitmap::setWritable(bool writable) {
  if (dataBytes_ == 0 || !detail::state().guardPixels) return;
  mprotect(static_cast<uint8_t*>(mapping_) + pageSize(), dataBytes_,
           writable ? PROT_READ | PROT_WRITE : PROT_READ);
}

std::vector<uint32_t> Bitmap::wordsOutsidePixels() const {
  const auto* first =
      reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(mapping_) + pageSize());
  std::vector<uint32_t> words(first, static_cast<const uint32_t*>(words_));
  if (spec_.lineStride32 > spec_.width) {
    for (uint32_t y = 0; y < spec_.height; ++y) {
      const size_t rowStart = size_t(y) * spec_.lineStride32;
      for (size_t i = rowStart + spec_.width; i < rowStart + spec_.lineStride32 && i < wordCount_;
           ++i) {
        words.push_back(words_[i]);
      }
    }
  }
  return words;
}

}  // namespace velmora::host
