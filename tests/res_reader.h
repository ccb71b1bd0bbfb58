// A test-only reader of .res images that mirrors the writer field for field, so that tests
// can assert on decoded entries instead of raw bytes. It checks every offset, size, header
// size and padding byte and throws std::runtime_error (naming the offset) on anything the
// writer would never produce. Self-contained: the tarvex_list tool uses it too.
#pragma once

#include <cstdint>
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
  std::uint32_t dataSize = 0;
  TResIdentifier type;
  TResIdentifier name;
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

}  // namespace tarvex::test
