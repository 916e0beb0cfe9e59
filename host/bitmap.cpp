#include <sys/mman.h>
#include <unistd.h>

#include <new>
#include <stdexcept>

#include "host/host.h"

namespace velmora::host {

namespace {

// Larger bitmaps than this are refused rather than half-allocated.
constexpr size_t kMaxBitmapBytes = size_t(1) << 30;

size_t pageSize() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }

}  // namespace

Bitmap::Bitmap(const BitmapSpec& spec) : spec_(spec) {
  if (spec_.lineStride32 == 0) spec_.lineStride32 = spec_.width;
  // Rows are lineStride32 words apart; a stride below the width (which a
  // correct extension refuses to write) still gets memory for its last row.
  if (spec_.height > 0) {
    const size_t rows = size_t(spec_.height) * spec_.lineStride32;
    const size_t lastRowEnd = size_t(spec_.height - 1) * spec_.lineStride32 + spec_.width;
    wordCount_ = rows > lastRowEnd ? rows : lastRowEnd;
  }
  if (wordCount_ > kMaxBitmapBytes / sizeof(uint32_t)) throw std::length_error("bitmap too large");

  const size_t page = pageSize();
  const size_t dataBytes = (wordCount_ * sizeof(uint32_t) + page - 1) / page * page;
  mappingBytes_ = dataBytes + 2 * page;
  mapping_ = mmap(nullptr, mappingBytes_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED) throw std::bad_alloc();
  auto* base = static_cast<uint8_t*>(mapping_);
  if (dataBytes > 0 && mprotect(base + page, dataBytes, PROT_READ | PROT_WRITE) != 0) {
    munmap(mapping_, mappingBytes_);
    throw std::bad_alloc();
  }
  words_ = reinterpret_cast<uint32_t*>(base + page + dataBytes) - wordCount_;
  for (size_t i = 0; i < wordCount_; ++i) words_[i] = spec_.fill;
}

Bitmap::~Bitmap() { munmap(mapping_, mappingBytes_); }

}  // namespace velmora::host
