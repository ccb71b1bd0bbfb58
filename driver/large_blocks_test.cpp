#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TARVEX_TEST_SANITIZED 1
#endif
#endif
#if defined(TARVEX_TEST_SANITIZED) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = false;
#else
constexpr bool kOwnAllocator = true;
#endif

bool OnLargePage(const void* block) { return reinterpret_cast<std::uintptr_t>(block) % (std::size_t{2} << 20) == 0; }

// Large blocks keep their bytes however many live at once, and whatever order they go in;
// more of them than the program keeps track of come from malloc.
TEST(LargeBlocksTest, HoldTheirBytesAndAreFreedInAnyOrder) {
  struct TCase {
    std::size_t size;
    bool mapped;  // expected on a large page boundary
  };
  // a string of n characters takes n + 1 bytes
  const TCase cases[] = {{100, false}, {(1 << 20) - 2, false}, {(1 << 20) - 1, true}, {(3 << 20) + 5, true}};
  for (const TCase& c : cases) {
    std::string text(c.size, 'x');
    text.back() = 'y';
    std::string copy = text;
    EXPECT_EQ(copy, text);
    if (kOwnAllocator) {
      EXPECT_EQ(OnLargePage(text.data()), c.mapped) << c.size;
    }
  }
  // Untouched blocks cost no memory; a few are written to show they are whole.
  constexpr std::size_t kSize = 1 << 20;
  std::vector<std::unique_ptr<char[]>> blocks;
  for (std::size_t i = 0; i < 70; ++i) blocks.emplace_back(new char[kSize]);
  for (std::size_t i = 0; i < blocks.size(); i += 2) blocks[i].reset();
  for (std::size_t i = 1; i < blocks.size(); i += 10) {
    blocks[i][0] = blocks[i][kSize - 1] = static_cast<char>(i);
    EXPECT_EQ(blocks[i][0] + blocks[i][kSize - 1], 2 * static_cast<char>(i));
  }
  blocks.clear();
  auto again = std::make_unique<char[]>(kSize);
  // An impossible size fails as the standard says (the sanitizers' allocator aborts instead).
  if (kOwnAllocator) {
    EXPECT_TRUE(OnLargePage(again.get()));
    EXPECT_EQ(::operator new(SIZE_MAX / 2, std::nothrow), nullptr);
    EXPECT_THROW(::operator delete(::operator new(SIZE_MAX / 2)), std::bad_alloc);
  }
}

}  // namespace
