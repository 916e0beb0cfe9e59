// Memory whose last byte sits right before an inaccessible page, so that a
// kernel reading or writing one byte too far faults at once.
#ifndef VELMORA_TESTS_KERNELS_GUARDED_MEMORY_H_
#define VELMORA_TESTS_KERNELS_GUARDED_MEMORY_H_

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace velmora::testing {

class GuardedBytes {
 public:
  // `size` usable bytes ending `slack` bytes before the guard page.
  explicit GuardedBytes(size_t size, size_t slack = 0) : size_(size) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t usable = (size + slack + page - 1) / page * page;
    bytes_ = usable + page;
    mapping_ = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping_ == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<uint8_t*>(mapping_);
    mprotect(base + usable, page, PROT_NONE);
    data_ = base + usable - slack - size;
  }
  ~GuardedBytes() { munmap(mapping_, bytes_); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  uint8_t* data() { return data_; }
  size_t size() const { return size_; }

 private:
  void* mapping_ = nullptr;
  size_t bytes_ = 0;
  size_t size_ = 0;
  uint8_t* data_ = nullptr;
};

}  // namespace velmora::testing

#endif  // VELMORA_TESTS_KERNELS_GUARDED_MEMORY_H_
