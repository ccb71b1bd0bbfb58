// The .res container. Every entry is a resource header, the data, and zero bytes up
// to the next multiple of 4. A header, all values little-endian:
//
//   DataSize         u32   data bytes after the header (0 first when back-patched)
//   HeaderSize       u32   from DataSize to Characteristics, name padding included
//   Type             u16 0xFFFF + u16 id, or UTF-16 units + u16 0
//   Name             as Type, directly after it
//   (padding)        0..3 zero bytes to the next multiple of 4
//   DataVersion      u32   always 0
//   MemoryFlags      u16   0x0010 moveable, 0x0020 pure, 0x0040 preload, 0x1000 discardable
//   LanguageId       u16   sublanguage * 1024 + primary language
//   Version          u32
//   Characteristics  u32
//
// The file opens with an empty entry (type 0, name 0, no data) that marks it as a
// 32-bit resource file rather than a 16-bit one.
#include "output/res_writer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "output/atomic_file.h"
#include "reader/diagnostics.h"
#include "data/large_pages.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kOrdinalMarker = 0xFFFF;
constexpr std::size_t kMaxPatchedDataSize = 0xFFFF;

}  // namespace

void WriteLeadingEntry(TOutputBuffer& out) {
  out.Clear();
  // An ordinal type 0 and name 0 with no data is exactly the 32-byte empty entry.
  WriteResourceHeader(out, 0, u"0", u"0", 0, 0, 0, 0, 0);
}

namespace {

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// digits := hexdigit {hexdigit}, the whole rest of the text, at most 32 bits of value
bool ParseHexDigits(std::u16string_view digits, std::uint32_t& value) {
  if (digits.empty()) return false;
  std::uint64_t total = 0;
  for (char16_t c : digits) {
    int digit = HexDigitValue(c);
    if (digit < 0) return false;
    total = total * 16 + static_cast<std::uint64_t>(digit);
    if (total > std::numeric_limits<std::uint32_t>::max()) return false;
  }
  value = static_cast<std::uint32_t>(total);
  return true;
}

// number := ["+" | "-"] digit {digit}, magnitude at most 2147483647
bool ParseDecimal(std::u16string_view text, std::uint32_t& value) {
  bool negative = false;
  if (!text.empty() && (text[0] == u'+' || text[0] == u'-')) {
    negative = text[0] == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  std::uint64_t magnitude = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - u'0');
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return false;
  }
  // Two's complement of the magnitude for a negative number: -1 gives 0xFFFFFFFF.
  value = static_cast<std::uint32_t>(magnitude);
  if (negative) value = ~value + 1;
  return true;
}

// The digits after a hexadecimal prefix ($, x, X, 0x, 0X); nothing without a prefix.
std::optional<std::u16string_view> HexDigitsAfterPrefix(std::u16string_view text) {
  if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) return text.substr(2);
  if (!text.empty() && (text[0] == u'$' || text[0] == u'x' || text[0] == u'X')) return text.substr(1);
  return std::nullopt;
}

void WriteIdentifierString(TOutputBuffer& out, std::u16string_view text) {
  out.WriteUtf16(text.data(), text.size());
  out.WriteU16(0);
}

// identifier := ordinal text (0xFFFF, low 16 bits) | any other text (UTF-16, NUL)
void WriteIdentifier(TOutputBuffer& out, std::u16string_view text) {
  std::uint16_t ordinal = 0;
  if (IdentifierOrdinal(text, ordinal)) {
    out.WriteU16(kOrdinalMarker);
    out.WriteU16(ordinal);
  } else {
    WriteIdentifierString(out, text);
  }
}

// A name in double quotes is a string even when it holds only digits.
void WriteName(TOutputBuffer& out, std::u16string_view name) {
  if (name.empty() || name.front() != u'"') {
    WriteIdentifier(out, name);
  } else {
    WriteIdentifierString(out, name.size() >= 2 ? name.substr(1, name.size() - 2) : std::u16string_view{});
  }
}

}  // namespace

bool IdentifierOrdinal(std::u16string_view text, std::uint16_t& ordinal) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  std::uint32_t value = 0;
  std::optional<std::u16string_view> hexDigits = HexDigitsAfterPrefix(text);
  bool converted = hexDigits ? ParseHexDigits(*hexDigits, value) : ParseDecimal(text, value);
  if (converted) ordinal = static_cast<std::uint16_t>(value & 0xFFFF);
  return converted;
}

namespace {

// An identifier of one to nine decimal digits, the commonest kind, as IdentifierOrdinal
// reads it.
bool DigitsOrdinal(std::u16string_view text, std::uint16_t& ordinal) {
  if (text.empty() || text.size() > 9) return false;
  std::uint32_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  ordinal = static_cast<std::uint16_t>(value & 0xFFFF);
  return true;
}

// The fixed 32-byte header of two ordinals, put together in one piece.
void WriteOrdinalsHeaderAligned(TOutputBuffer& out, std::uint32_t dataSize, std::uint16_t typeOrdinal,
                                std::uint16_t nameOrdinal, std::uint32_t dataVersion, std::uint16_t memoryFlags,
                                std::uint16_t languageId, std::uint32_t version, std::uint32_t characteristics) {
  constexpr std::uint32_t kOrdinalsHeaderSize = 32;
  const std::uint32_t fields[] = {dataSize,
                                  kOrdinalsHeaderSize,
                                  kOrdinalMarker | std::uint32_t{typeOrdinal} << 16,
                                  kOrdinalMarker | std::uint32_t{nameOrdinal} << 16,
                                  dataVersion,
                                  memoryFlags | std::uint32_t{languageId} << 16,
                                  version,
                                  characteristics};
  static_assert(sizeof fields == kOrdinalsHeaderSize);
  std::uint8_t* header = out.Extend(kOrdinalsHeaderSize);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(header, fields, sizeof fields);  // the fields are in file order already
  } else {
    for (std::uint32_t field : fields)
      for (int i = 0; i < 4; ++i) *header++ = static_cast<std::uint8_t>(field >> (8 * i) & 0xFF);
  }
}

}  // namespace

void WriteResourceHeader(TOutputBuffer& out, std::uint32_t dataSize, std::u16string_view type, std::u16string_view name,
                         std::uint32_t dataVersion, std::uint16_t memoryFlags, std::uint16_t languageId,
                         std::uint32_t version, std::uint32_t characteristics) {
  // A number for a name and a type, written where a header begins, makes the fixed
  // 32-byte header
  if (std::uint16_t typeOrdinal = 0, nameOrdinal = 0;
      out.Position() % 4 == 0 && DigitsOrdinal(type, typeOrdinal) && DigitsOrdinal(name, nameOrdinal)) {
    WriteOrdinalsHeaderAligned(out, dataSize, typeOrdinal, nameOrdinal, dataVersion, memoryFlags, languageId, version,
                               characteristics);
    return;
  }
  out.WriteU32(dataSize);
  std::size_t headerSizeAt = out.Position();
  out.WriteU32(0);  // HeaderSize, filled in below
  WriteIdentifier(out, type);
  WriteName(out, name);
  PadToDword(out);
  out.WriteU32(dataVersion);
  out.WriteU16(memoryFlags);
  out.WriteU16(languageId);
  out.WriteU32(version);
  out.WriteU32(characteristics);
  std::size_t end = out.Position();
  out.Seek(headerSizeAt);
  out.WriteU32(static_cast<std::uint32_t>(end - headerSizeAt + 4));
  out.Seek(end);
}

void WriteOrdinalsHeader(TOutputBuffer& out, std::uint32_t dataSize, std::uint16_t type, std::uint16_t name,
                         std::uint32_t dataVersion, std::uint16_t memoryFlags, std::uint16_t languageId,
                         std::uint32_t version, std::uint32_t characteristics) {
  if (out.Position() % 4 == 0)
    return WriteOrdinalsHeaderAligned(out, dataSize, type, name, dataVersion, memoryFlags, languageId, version,
                                      characteristics);
  auto digits = [](std::uint16_t ordinal) {
    std::string text = std::to_string(ordinal);
    return std::u16string(text.begin(), text.end());
  };
  WriteResourceHeader(out, dataSize, digits(type), digits(name), dataVersion, memoryFlags, languageId, version,
                      characteristics);
}

void PadToDword(TOutputBuffer& out) {
  if (std::size_t pad = (4 - out.Position() % 4) % 4; pad != 0) {
    std::uint8_t* zeros = out.Extend(pad);
    for (std::size_t i = 0; i < pad; ++i) zeros[i] = 0;
  }
}

std::int32_t RoundUpToDword(std::int32_t n) {
  if (n < 0 || n % 4 == 0) return n;
  if (n > std::numeric_limits<std::int32_t>::max() - 3)
    RaiseFailure("Resource data size " + std::to_string(n) + " is too large");
  return n + (4 - n % 4);
}

void PatchDataSize(TOutputBuffer& out, std::size_t headerStart, std::size_t dataStart) {
  std::size_t end = out.Position();
  if (dataStart > end || headerStart > dataStart) throw std::logic_error("PatchDataSize: positions out of order");
  std::size_t size = end - dataStart;
  if (size > kMaxPatchedDataSize)
    RaiseFailure("Resource data of " + std::to_string(size) + " bytes exceeds the limit of 65535 bytes");
  out.Seek(headerStart);
  out.WriteU16(static_cast<std::uint16_t>(size));
  out.Seek(end);
  PadToDword(out);
}

void SaveOutput(const TOutputBuffer& out, const std::string& fileName) { SaveOutput(out.Bytes(), fileName); }

void SaveOutput(std::span<const std::uint8_t> bytes, const std::string& fileName) {
  std::span<const std::uint8_t> pieces[] = {bytes};
  SaveFileAtomically(pieces, fileName);
}

}  // namespace tarvex
