// A growable image of bytes in memory of its own: what a compilation writes its output
// into before the output is saved.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/short_bytes.h"

namespace tarvex {

/// A view of bytes that reads like the vector it replaces: at() checks the index, and it
/// converts to a std::vector copy where one is wanted.
class TByteView : public std::span<const std::uint8_t> {
 public:
  using std::span<const std::uint8_t>::span;
  std::uint8_t at(std::size_t index) const;
  operator std::vector<std::uint8_t>() const { return {begin(), end()}; }
};

/// A growable byte image with a current position that can move back for back-patching.
/// Numbers are written little-endian by WriteU16 and WriteU32; text and file bytes go in
/// bulk through WriteUtf16, WriteBytes and AppendFromFile.
///
/// The image lives in memory mapped for it alone, which grows by remapping its pages:
/// growing never copies what was written, so a large image costs its own size once.
/// Memory that cannot be had throws std::bad_alloc.
class TOutputBuffer {
 public:
  TOutputBuffer() = default;
  ~TOutputBuffer() { Release(); }
  TOutputBuffer(TOutputBuffer&& other) noexcept { *this = std::move(other); }
  TOutputBuffer& operator=(TOutputBuffer&& other) noexcept;
  TOutputBuffer(const TOutputBuffer&) = delete;
  TOutputBuffer& operator=(const TOutputBuffer&) = delete;

  void Clear() { size_ = position_ = 0; }
  std::size_t Position() const { return position_; }
  std::size_t Size() const { return size_; }
  /// Moves the position; never beyond the end of what was written.
  void Seek(std::size_t position);
  void WriteU8(std::uint8_t value) {
    if (position_ >= capacity_) Grow(position_ + 1);
    data_[position_++] = value;
    size_ = std::max(size_, position_);
  }
  /// Low byte first, then high byte.
  void WriteU16(std::uint16_t value) {
    std::uint8_t* out = Room(2);
    out[0] = static_cast<std::uint8_t>(value & 0xFF);
    out[1] = static_cast<std::uint8_t>(value >> 8);
  }
  void WriteU32(std::uint32_t value) {
    std::uint8_t* out = Room(4);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i) & 0xFF);
  }
  void WriteBytes(std::string_view bytes);
  /// UTF-16 code units, each low byte first.
  void WriteUtf16(const char16_t* units, std::size_t count);
  /// ASCII text as UTF-16 code units (each byte widened to one unit).
  void WriteWidened(std::string_view ascii) { WidenAscii(Room(2 * ascii.size()), ascii); }
  void WriteBytes(const std::uint8_t* data, std::size_t size);
  /// Appends `size` bytes of the file `fd` from `offset` on, read straight into the
  /// image. The position must be at the end. False when a read fails (`error` is its
  /// errno) or the file ends first (`error` is 0); nothing is appended then.
  bool AppendFromFile(int fd, std::uint64_t offset, std::size_t size, int& error);
  /// `count` bytes at the position for the caller to fill; the position moves past them.
  std::uint8_t* Extend(std::size_t count) { return Room(count); }
  /// Puts `value` over the four bytes written at `at`; the position stays.
  void PatchU32(std::size_t at, std::uint32_t value) {
    if (at > size_ || size_ - at < 4) throw std::out_of_range("patched bytes beyond the written ones");
    for (int i = 0; i < 4; ++i)
      data_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i) & 0xFF);
  }
  /// Makes room for `size` more bytes after the end.
  void Reserve(std::size_t size) {
    if (size > capacity_ - size_) Grow(size_ + size);
  }
  TByteView Bytes() const { return {data_, size_}; }
  /// A copy of the finished image; the buffer is empty and its memory returned afterwards.
  std::vector<std::uint8_t> TakeBytes();

 private:
  void Grow(std::size_t needed);
  void Release();
  /// `count` bytes at the position for the caller to fill; the position moves past them.
  std::uint8_t* Room(std::size_t count) {
    if (count > capacity_ - position_) Grow(position_ + count);
    std::uint8_t* out = data_ + position_;
    position_ += count;
    size_ = std::max(size_, position_);
    return out;
  }

  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::size_t position_ = 0;
};

}  // namespace tarvex
