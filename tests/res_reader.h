// A test-only reader of .res images that mirrors the writer field for field, so that
// tests can assert on decoded entries instead of raw bytes. It checks every offset,
// size and alignment and throws std::runtime_error (naming the offset) on anything
// the writer would never produce.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::test {

/// A resource type or name: an ordinal or a UTF-16 string.
struct TResIdentifier {
  bool isOrdinal = false;
  std::uint16_t ordinal = 0;
  std::u16string text;

  /// "#5" for an ordinal, the string as UTF-8 otherwise ("MYTYPE").
  std::string Printable() const;
};

/// One entry of the file: its header fields and its data (padding excluded).
struct TResEntry {
  std::size_t offset = 0;  ///< file offset of the DataSize field
  std::uint32_t dataSize = 0;
  std::uint32_t headerSize = 0;
  TResIdentifier type;
  TResIdentifier name;
  std::uint32_t dataVersion = 0;
  std::uint16_t memoryFlags = 0;
  std::uint16_t languageId = 0;
  std::uint32_t version = 0;
  std::uint32_t characteristics = 0;
  std::vector<std::uint8_t> data;

  /// One line with every header field, for whole-entry comparisons:
  /// "type=#5 name=ABC flags=0x1030 language=0x0409 version=0 characteristics=0 size=12".
  std::string Describe() const;
};

/// Decodes a whole image. The leading 32-byte empty entry must be present and exact;
/// it is checked and not returned, so the result lists the resources only.
std::vector<TResEntry> ReadResImage(const std::vector<std::uint8_t>& image);

/// The entry with the given printable type and name ("#6", "#1"); throws when absent.
const TResEntry& FindEntry(const std::vector<TResEntry>& entries, std::string_view type, std::string_view name);

/// Little-endian reads from the data of a resource that never pass its end: a read that
/// would throws std::runtime_error "<kind> offset <n>: <what>".
class TDataReader {
 public:
  TDataReader(const std::vector<std::uint8_t>& data, const char* kind) : data_(data), kind_(kind) {}

  std::size_t position = 0;

  bool AtEnd() const { return position == data_.size(); }
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error(std::string(kind_) + " offset " + std::to_string(position) + ": " + what);
  }
  std::uint8_t U8() {
    if (position >= data_.size()) Fail("field runs past the end");
    return data_[position++];
  }
  std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | U8() << 8); }
  std::uint32_t U32() { return U16() | static_cast<std::uint32_t>(U16()) << 16; }
  /// Units up to a zero unit, which is read and not kept.
  std::u16string Text() {
    std::u16string text;
    for (char16_t unit = U16(); unit != 0; unit = U16()) text += unit;
    return text;
  }
  /// The bytes up to the next multiple of 4 must be there and zero.
  void Pad4() {
    while (position % 4 != 0)
      if (U8() != 0) Fail("padding byte is not zero");
  }

 private:
  const std::vector<std::uint8_t>& data_;
  const char* kind_;
};

/// The code units of a UTF-16 string as UTF-8 (unpaired surrogates as U+FFFD).
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace tarvex::test
