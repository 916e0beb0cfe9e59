// Picks the row functions once per process from what the processor reports.
#include "frames/kernels/row_kernels.h"

#include "frames/kernels/row_kernels_variants.h"

#if defined(__arm__) && !defined(__ARM_NEON)
#include <sys/auxv.h>
#endif

namespace velmora::kernels {

namespace {

#if defined(VELMORA_KERNELS_HAVE_SSSE3)
bool hasSsse3() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3");
}
#endif

#if defined(VELMORA_KERNELS_HAVE_NEON)
bool hasNeon() {
#if defined(__arm__) && !defined(__ARM_NEON)
  // 32-bit ARM built for the base architecture: NEON is optional there.
  constexpr unsigned long kHwcapNeon = 1ul << 12;
  return (getauxval(AT_HWCAP) & kHwcapNeon) != 0;
#else
  return true;
#endif
}
#endif

}  // namespace

std::vector<const RowKernels*> availableRowKernels() {
  std::vector<const RowKernels*> sets{&referenceRowKernels()};
#if defined(VELMORA_KERNELS_HAVE_SSSE3)
  if (hasSsse3()) sets.push_back(&ssse3RowKernels());
#endif
#if defined(VELMORA_KERNELS_HAVE_NEON)
  if (hasNeon()) sets.push_back(&neonRowKernels());
#endif
  return sets;
}

const RowKernels& rowKernels() {
  static const RowKernels* const best = availableRowKernels().back();
  return *best;
}

}  // namespace velmora::kernels
