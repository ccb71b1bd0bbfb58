#include "data/byte_image.h"

#include <sys/mman.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "data/large_pages.h"

namespace tarvex {

std::uint8_t TByteView::at(std::size_t index) const {
  if (index >= size()) throw std::out_of_range("byte index beyond the image");
  return (*this)[index];
}

TOutputBuffer& TOutputBuffer::operator=(TOutputBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    position_ = std::exchange(other.position_, 0);
  }
  return *this;
}

// The room doubles, so that appends cost a constant per byte; when the doubled room
// cannot be had, exactly the room needed is tried.
void TOutputBuffer::Grow(std::size_t needed) {
  constexpr std::size_t kMinimum = 64 * 1024;
  constexpr std::size_t kHugePageAdvice = 1 << 20;
  constexpr std::size_t kLargePage = 2 << 20;
  auto pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  // Room of a megabyte or more is taken in whole large pages.
  auto rounded = [&](std::size_t n) {
    std::size_t step = n >= kHugePageAdvice ? kLargePage : pageSize;
    return (n + step - 1) / step * step;
  };
  if (needed > std::numeric_limits<std::size_t>::max() / 4) throw std::bad_alloc();
  for (std::size_t capacity : {rounded(std::max({needed, 2 * capacity_, kMinimum})), rounded(needed)}) {
    void* memory = data_ == nullptr && capacity >= kHugePageAdvice ? MapLargePageAligned(capacity)
                   : data_ == nullptr
                       ? mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                       : mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
    if (memory != MAP_FAILED) {
      data_ = static_cast<std::uint8_t*>(memory);
      capacity_ = capacity;
      // Large pages where the system offers them: a large image then costs a page fault
      // per 2 MiB instead of per 4 KiB.
      if (capacity >= kHugePageAdvice) madvise(data_, capacity_, MADV_HUGEPAGE);
      return;
    }
  }
  throw std::bad_alloc();
}

void TOutputBuffer::Release() {
  if (data_ != nullptr) munmap(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = position_ = 0;
}

std::vector<std::uint8_t> TOutputBuffer::TakeBytes() {
  std::vector<std::uint8_t> bytes(data_, data_ + size_);
  Release();
  return bytes;
}

void TOutputBuffer::Seek(std::size_t position) {
  if (position > size_) throw std::out_of_range("output position beyond the written bytes");
  position_ = position;
}

void TOutputBuffer::WriteUtf16(const char16_t* units, std::size_t count) {
  if (count > capacity_ / 2 || position_ > capacity_ - 2 * count) Grow(position_ + 2 * count);
  std::uint8_t* out = data_ + position_;
  if constexpr (std::endian::native == std::endian::little) {
    if (count != 0) std::memcpy(out, units, 2 * count);  // the units are already in file order
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      out[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
      out[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
  }
  position_ += 2 * count;
  size_ = std::max(size_, position_);
}

void TOutputBuffer::WriteBytes(std::string_view bytes) {
  WriteBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Bytes are copied as they stand (no byte order applies); what lies before the end
// is overwritten, the rest appended.
void TOutputBuffer::WriteBytes(const std::uint8_t* data, std::size_t size) {
  if (size > capacity_ || position_ > capacity_ - size) Grow(position_ + size);
  if (size > 0) std::memcpy(data_ + position_, data, size);
  position_ += size;
  size_ = std::max(size_, position_);
}

bool TOutputBuffer::AppendFromFile(int fd, std::uint64_t offset, std::size_t size, int& error) {
  if (position_ != size_) throw std::logic_error("AppendFromFile: the position is not at the end");
  Reserve(size);
  constexpr std::size_t kMaxRead = std::size_t{1} << 30;
  for (std::size_t done = 0; done < size;) {
    ssize_t got = pread(fd, data_ + size_ + done, std::min(size - done, kMaxRead), static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error = got < 0 ? errno : 0;
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  size_ += size;
  position_ = size_;
  return true;
}

}  // namespace tarvex
