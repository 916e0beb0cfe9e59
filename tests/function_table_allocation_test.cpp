// A context whose function table cannot be allocated is told it has no
// functions, rather than five functions behind a null pointer.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "extension/runtime_bridge.h"
#include "host/host.h"

extern "C" void* __libc_malloc(size_t size);

namespace {
bool failAllocations = false;
}

// Interposes on the process's malloc so the test can make exactly the
// table's allocation fail; everything else goes to glibc's allocator.
extern "C" void* malloc(size_t size) {
  if (failAllocations) return nullptr;
  return __libc_malloc(size);
}

namespace {

TEST(FunctionTableAllocationTest, FailedAllocationHandsOverAnEmptyTable) {
  // The runtime operations the library needs come from the host.
  void* library = dlopen(VELMORA_EXTENSION_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto initializer = reinterpret_cast<FREContextInitializer>(dlsym(library, "ContextInitializer"));
  ASSERT_NE(initializer, nullptr);

  uint32_t count = 99;
  const FRENamedFunction* table = reinterpret_cast<const FRENamedFunction*>(&count);
  failAllocations = true;
  initializer(nullptr, reinterpret_cast<const uint8_t*>("camera"), nullptr, &count, &table);
  failAllocations = false;
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(table, nullptr);

  initializer(nullptr, reinterpret_cast<const uint8_t*>("camera"), nullptr, &count, &table);
  EXPECT_EQ(count, 5u);
  EXPECT_NE(table, nullptr);
  EXPECT_TRUE(velmora::host::misuse().empty());
}

}  // namespace
