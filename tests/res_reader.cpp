#include "tests/res_reader.h"

#include <cstdio>
#include <stdexcept>

namespace tarvex::test {

namespace {

constexpr std::size_t kLeadingEntrySize = 32;

// Reads little-endian values from an image, refusing every read past its end.
class TResCursor {
 public:
  explicit TResCursor(const std::vector<std::uint8_t>& image) : image_(image) {}

  std::size_t Position() const { return position_; }
  bool AtEnd() const { return position_ == image_.size(); }

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error(".res image: " + what + " at offset " + std::to_string(position_));
  }
  void Require(std::size_t count) const {
    if (count > image_.size() - position_) Fail("need " + std::to_string(count) + " more bytes");
  }
  std::uint8_t ReadU8() {
    Require(1);
    return image_[position_++];
  }
  std::uint16_t ReadU16() {
    std::uint16_t low = ReadU8();
    return static_cast<std::uint16_t>(low | (ReadU8() << 8));
  }
  std::uint32_t ReadU32() {
    std::uint32_t low = ReadU16();
    return low | (static_cast<std::uint32_t>(ReadU16()) << 16);
  }
  std::vector<std::uint8_t> ReadBytes(std::size_t count) {
    Require(count);
    std::vector<std::uint8_t> bytes(image_.begin() + static_cast<std::ptrdiff_t>(position_),
                                    image_.begin() + static_cast<std::ptrdiff_t>(position_ + count));
    position_ += count;
    return bytes;
  }
  // Mirror of PadToDword: the bytes up to the next multiple of 4 must be there and zero.
  void SkipPadding() {
    while (position_ % 4 != 0)
      if (ReadU8() != 0) Fail("non-zero padding byte");
  }

 private:
  const std::vector<std::uint8_t>& image_;
  std::size_t position_ = 0;
};

// identifier := 0xFFFF id | {unit <> 0} 0
TResIdentifier ReadIdentifier(TResCursor& cursor) {
  TResIdentifier id;
  std::uint16_t first = cursor.ReadU16();
  if (first == 0xFFFF) {
    id.isOrdinal = true;
    id.ordinal = cursor.ReadU16();
    return id;
  }
  for (std::uint16_t unit = first; unit != 0; unit = cursor.ReadU16()) id.text.push_back(static_cast<char16_t>(unit));
  return id;
}

TResEntry ReadEntry(TResCursor& cursor) {
  TResEntry entry;
  entry.offset = cursor.Position();
  if (entry.offset % 4 != 0) cursor.Fail("entry not aligned to 4 bytes");
  entry.dataSize = cursor.ReadU32();
  entry.headerSize = cursor.ReadU32();
  entry.type = ReadIdentifier(cursor);
  entry.name = ReadIdentifier(cursor);
  cursor.SkipPadding();
  entry.dataVersion = cursor.ReadU32();
  entry.memoryFlags = cursor.ReadU16();
  entry.languageId = cursor.ReadU16();
  entry.version = cursor.ReadU32();
  entry.characteristics = cursor.ReadU32();
  std::size_t measured = cursor.Position() - entry.offset;
  if (measured != entry.headerSize)
    cursor.Fail("HeaderSize " + std::to_string(entry.headerSize) + " but the header has " +
                std::to_string(measured) + " bytes");
  entry.data = cursor.ReadBytes(entry.dataSize);
  cursor.SkipPadding();
  return entry;
}

void CheckLeadingEntry(TResCursor& cursor) {
  TResEntry leading = ReadEntry(cursor);
  bool exact = leading.dataSize == 0 && leading.headerSize == kLeadingEntrySize && leading.type.isOrdinal &&
               leading.type.ordinal == 0 && leading.name.isOrdinal && leading.name.ordinal == 0 &&
               leading.dataVersion == 0 && leading.memoryFlags == 0 && leading.languageId == 0 &&
               leading.version == 0 && leading.characteristics == 0;
  if (!exact) throw std::runtime_error(".res image: the leading empty entry is missing or not empty");
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
      ++i;
    } else {
      AppendUtf8(out, IsHighSurrogate(u) || IsLowSurrogate(u) ? char32_t{0xFFFD} : char32_t{u});
    }
  }
  return out;
}

std::string TResIdentifier::Printable() const {
  return isOrdinal ? "#" + std::to_string(ordinal) : Utf16ToUtf8(text);
}

std::string TResEntry::Describe() const {
  return "type=" + type.Printable() + " name=" + name.Printable() + " flags=" + Hex(memoryFlags, 4) +
         " language=" + Hex(languageId, 4) + " version=" + std::to_string(version) +
         " characteristics=" + std::to_string(characteristics) + " size=" + std::to_string(dataSize);
}

std::vector<TResEntry> ReadResImage(const std::vector<std::uint8_t>& image) {
  TResCursor cursor(image);
  CheckLeadingEntry(cursor);
  std::vector<TResEntry> entries;
  while (!cursor.AtEnd()) entries.push_back(ReadEntry(cursor));
  return entries;
}

const TResEntry& FindEntry(const std::vector<TResEntry>& entries, std::string_view type, std::string_view name) {
  for (const TResEntry& entry : entries)
    if (entry.type.Printable() == type && entry.name.Printable() == name) return entry;
  throw std::runtime_error("no entry of type " + std::string(type) + " named " + std::string(name));
}

}  // namespace tarvex::test
