// Large buffers (a script of megabytes, the texts of a big string table) are touched
// once from end to end; asking for large pages where the system offers them costs one
// page fault per 2 MiB instead of one per 4 KiB.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace tarvex {

/// Advises large pages for the whole 2 MiB blocks inside `size` bytes from `data`; a
/// smaller buffer, or a system without them, is left as it is.
inline void AdviseLargePages(void* data, std::size_t size) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  auto begin = reinterpret_cast<std::uintptr_t>(data);
  std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
  std::uintptr_t last = (begin + size) & ~(kLargePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace tarvex
