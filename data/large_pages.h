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

/// `size` bytes of fresh memory that begin on a 2 MiB boundary, so that large pages can
/// back all of it and not only the whole 2 MiB blocks inside it; MAP_FAILED when the
/// system has none to give.
inline void* MapLargePageAligned(std::size_t size) {
  constexpr std::size_t kLargePage = std::size_t{2} << 20;
  void* memory = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return memory;
  auto begin = reinterpret_cast<std::uintptr_t>(memory);
  std::uintptr_t aligned = (begin + kLargePage - 1) & ~std::uintptr_t{kLargePage - 1};
  if (aligned > begin) munmap(memory, aligned - begin);
  if (std::size_t tail = begin + kLargePage - aligned; tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace tarvex
