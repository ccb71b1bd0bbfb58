// The program's own allocation of large blocks. A block of a megabyte or more (the text
// of a large script above all, read into a std::string) is mapped on a 2 MiB boundary
// and in whole 2 MiB steps, with large pages advised: it then costs one page fault per
// 2 MiB instead of one per 4 KiB, and on a virtual machine a fault costs microseconds.
// Every other block comes from malloc, whose heap is taken in large pages too: its first
// 32 MiB are advised so at start, it is kept whole while the program runs, and the
// program's threads share it (a decompilation writes and compiles on three at once).
//
// Only the program links this file; a host that embeds the library keeps its own
// allocator. Under the sanitizers the allocator stays theirs.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TARVEX_SANITIZED_ALLOCATOR 1
#endif
#endif
#if !defined(TARVEX_SANITIZED_ALLOCATOR) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "data/large_pages.h"

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kLargeBlock = std::size_t{1} << 20;
constexpr std::size_t kSlots = 64;

// The mapped blocks that live now; a slot whose start is 0 is free. Few blocks are this
// large at once: when the slots are taken, a block comes from malloc.
struct TMappedBlock {
  std::uintptr_t start;
  std::size_t length;
};
TMappedBlock mapped[kSlots];
std::atomic_flag busy = ATOMIC_FLAG_INIT;

struct TSlotsHeld {
  TSlotsHeld() {
    while (busy.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~TSlotsHeld() { busy.clear(std::memory_order_release); }
};

void* MapLargeBlock(std::size_t size) {
  if (size > SIZE_MAX / 2 - 2 * kLargePage) return nullptr;
  std::size_t length = (size + kLargePage - 1) & ~(kLargePage - 1);
  void* memory = tarvex::MapLargePageAligned(length);
  if (memory == MAP_FAILED) return nullptr;
  auto start = reinterpret_cast<std::uintptr_t>(memory);
#if defined(MADV_HUGEPAGE)
  madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
#endif
  {
    TSlotsHeld held;
    for (TMappedBlock& slot : mapped) {
      if (slot.start == 0) {
        slot = {start, length};
        return reinterpret_cast<void*>(start);
      }
    }
  }
  munmap(reinterpret_cast<void*>(start), length);
  return nullptr;
}

// Whether `block` was mapped here; if so it is unmapped.
bool UnmapLargeBlock(void* block) {
  auto start = reinterpret_cast<std::uintptr_t>(block);
  if ((start & (kLargePage - 1)) != 0 || start == 0) return false;  // malloc's blocks, nearly always
  std::size_t length = 0;
  {
    TSlotsHeld held;
    for (TMappedBlock& slot : mapped) {
      if (slot.start == start) {
        length = slot.length;
        slot = {0, 0};
        break;
      }
    }
  }
  if (length == 0) return false;
  munmap(block, length);
  return true;
}

void* Allocate(std::size_t size) noexcept {
  if (size >= kLargeBlock) {
    if (void* block = MapLargeBlock(size)) return block;
  }
  return std::malloc(size == 0 ? 1 : size);
}

void Release(void* block) noexcept {
  if (block != nullptr && !UnmapLargeBlock(block)) std::free(block);
}

void* AllocateOrThrow(std::size_t size) {
  for (;;) {
    if (void* block = Allocate(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

// Grows malloc's heap by kHeapInLargePages at once and advises large pages for it; blocks
// below a megabyte then come from it, however many threads ask.
constexpr std::size_t kHeapInLargePages = std::size_t{32} << 20;

struct THeapInLargePages {
  THeapInLargePages() {
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(4 * kHeapInLargePages));
    // A block as large as the part wanted, from the heap (not mapped apart), grows it.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHeapInLargePages));
    std::size_t size = kHeapInLargePages - kLargePage;
    void* block = std::malloc(size);
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargeBlock));
    if (block == nullptr) return;
    auto start = reinterpret_cast<std::uintptr_t>(block);
    auto first = (start + kLargePage - 1) & ~(kLargePage - 1);
    auto top = reinterpret_cast<std::uintptr_t>(sbrk(0));
#if defined(MADV_HUGEPAGE)
    if (top >= start + size && top - first >= kLargePage)  // the block is the heap's, not a mapping
      madvise(reinterpret_cast<void*>(first), (top - first) & ~(kLargePage - 1), MADV_HUGEPAGE);
#endif
    std::free(block);
  }
};
THeapInLargePages heapInLargePages;

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }

#endif
