// The .res container: an in-memory output image of little-endian entries, each a
// resource header, the resource data and zero padding to the next multiple of 4.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

/// A growable byte image with a current position that can move back for back-patching.
/// Numbers are written little-endian by WriteU16 and WriteU32; text and file bytes go in
/// bulk through WriteUtf16 and WriteBytes.
class TOutputBuffer {
 public:
  void Clear() {
    bytes_.clear();
    position_ = 0;
  }
  std::size_t Position() const { return position_; }
  std::size_t Size() const { return bytes_.size(); }
  /// Moves the position; never beyond the end of what was written.
  void Seek(std::size_t position);
  void WriteU8(std::uint8_t value) {
    if (position_ == bytes_.size())
      bytes_.push_back(value);
    else
      bytes_[position_] = value;
    ++position_;
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
  void WriteWidened(std::string_view ascii) {
    std::uint8_t* out = Room(2 * ascii.size());
    for (char c : ascii) {
      *out++ = static_cast<std::uint8_t>(c);
      *out++ = 0;
    }
  }
  void WriteBytes(const std::uint8_t* data, std::size_t size);
  /// Reserves room for `size` more bytes (a hint for large resources), so that a large
  /// resource is copied into the image once. The room at least doubles whenever it grows,
  /// so that many small hints cost no more than plain appends.
  void Reserve(std::size_t size) {
    std::size_t needed = bytes_.size() + size;
    if (needed > bytes_.capacity()) bytes_.reserve(std::max(needed, 2 * bytes_.capacity()));
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  /// Hands the finished image over without a copy; the buffer is empty afterwards.
  std::vector<std::uint8_t> TakeBytes() {
    position_ = 0;
    return std::move(bytes_);
  }

 private:
  /// `size` bytes at the position, to be written over: the bytes already there, the
  /// image grown (zero-filled) where the position runs past its end. The position moves on.
  std::uint8_t* Room(std::size_t size) {
    std::size_t at = position_;
    if (at + size > bytes_.size()) Grow(at + size);
    position_ = at + size;
    return bytes_.data() + at;
  }
  void Grow(std::size_t size);

  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

/// Empties the buffer and writes the 32-byte leading empty entry.
void WriteLeadingEntry(TOutputBuffer& out);

/// Appends one resource header (see the field table in res_writer.cpp) and leaves the
/// position where the data begins. `type` and `name` are UTF-16 identifier texts: an
/// ordinal when the text converts to an integer, else a NUL-terminated string; a name
/// that starts with a double quote loses its first and last unit and is always a string.
void WriteResourceHeader(TOutputBuffer& out, std::uint32_t dataSize, std::u16string_view type, std::u16string_view name,
                         std::uint32_t dataVersion, std::uint16_t memoryFlags, std::uint16_t languageId,
                         std::uint32_t version, std::uint32_t characteristics);

/// Appends zero bytes (at most 3) until the position is a multiple of 4.
void PadToDword(TOutputBuffer& out);

/// n when n is negative or a multiple of 4, else the next larger multiple of 4.
std::int32_t RoundUpToDword(std::int32_t n);

/// Writes end - dataStart as the 16-bit data size of the header at headerStart, then
/// pads. Throws a TCompileError when the data exceeds 65,535 bytes; nothing is patched then.
void PatchDataSize(TOutputBuffer& out, std::size_t headerStart, std::size_t dataStart);

/// The ordinal an identifier text stands for, when it converts to a 32-bit integer
/// (decimal with optional sign, or hex after $, x, X, 0x, 0X); the low 16 bits.
bool IdentifierOrdinal(std::u16string_view text, std::uint16_t& ordinal);

/// Saves the image to `fileName` atomically: written to a new temporary file in the
/// same directory, then renamed over the name. On failure the old file stays as it was
/// and a TCompileError "Cannot create file <name>" is thrown.
void SaveOutput(const TOutputBuffer& out, const std::string& fileName);

/// The same for any finished image (a COFF object, a dependency file's text).
void SaveOutput(const std::vector<std::uint8_t>& bytes, const std::string& fileName);

}  // namespace tarvex
