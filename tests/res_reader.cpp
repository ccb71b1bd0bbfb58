#include "tests/res_reader.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace tarvex::test {

namespace {

// Reads little-endian values from an image, refusing every read past its end.
class TResCursor {
 public:
  explicit TResCursor(const std::vector<std::uint8_t>& image) : image_(image) {}

  std::size_t Position() const { return position_; }
  bool AtEnd() const { return position_ == image_.size(); }
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error(".res image: " + what + " at offset " + std::to_string(position_));
  }
  std::uint8_t U8() {
    if (position_ >= image_.size()) Fail("need more bytes");
    return image_[position_++];
  }
  std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | U8() << 8); }
  std::uint32_t U32() { return U16() | static_cast<std::uint32_t>(U16()) << 16; }
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    if (count > image_.size() - position_) Fail("need " + std::to_string(count) + " more bytes");
    position_ += count;
    return {image_.begin() + static_cast<std::ptrdiff_t>(position_ - count),
            image_.begin() + static_cast<std::ptrdiff_t>(position_)};
  }
  // The bytes up to the next multiple of 4 must be there and zero.
  void SkipPadding() {
    while (position_ % 4 != 0)
      if (U8() != 0) Fail("non-zero padding byte");
  }

 private:
  const std::vector<std::uint8_t>& image_;
  std::size_t position_ = 0;
};

TResIdentifier ReadIdentifier(TResCursor& cursor) {
  TResIdentifier id;
  std::uint16_t first = cursor.U16();
  if (first == 0xFFFF) {
    id.isOrdinal = true;
    id.ordinal = cursor.U16();
    return id;
  }
  for (std::uint16_t unit = first; unit != 0; unit = cursor.U16()) id.text.push_back(static_cast<char16_t>(unit));
  return id;
}

TResEntry ReadEntry(TResCursor& cursor) {
  TResEntry entry;
  entry.offset = cursor.Position();
  entry.dataSize = cursor.U32();
  entry.headerSize = cursor.U32();
  entry.type = ReadIdentifier(cursor);
  entry.name = ReadIdentifier(cursor);
  cursor.SkipPadding();
  entry.dataVersion = cursor.U32();
  entry.memoryFlags = cursor.U16();
  entry.languageId = cursor.U16();
  entry.version = cursor.U32();
  entry.characteristics = cursor.U32();
  if (cursor.Position() - entry.offset != entry.headerSize)
    cursor.Fail("HeaderSize " + std::to_string(entry.headerSize) + " disagrees with the header");
  entry.data = cursor.Bytes(entry.dataSize);
  cursor.SkipPadding();
  return entry;
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = 0xFFFD;
    int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    out += static_cast<char>(extra == 0 ? c : (0xFF00u >> (extra + 1) & 0xFF) | c >> (6 * extra));
    for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | (c >> (6 * k) & 0x3F));
  }
  return out;
}

std::string TResIdentifier::Printable() const { return isOrdinal ? "#" + std::to_string(ordinal) : Utf16ToUtf8(text); }

std::string TResEntry::Describe() const {
  return "type=" + type.Printable() + " name=" + name.Printable() + " flags=" + Hex(memoryFlags) +
         " language=" + Hex(languageId) + " version=" + std::to_string(version) +
         " characteristics=" + std::to_string(characteristics) + " size=" + std::to_string(dataSize);
}

std::vector<TResEntry> ReadResImage(const std::vector<std::uint8_t>& image) {
  static const std::vector<std::uint8_t> kLeading = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
  if (image.size() < 32 || !std::equal(kLeading.begin(), kLeading.end(), image.begin()) ||
      std::any_of(image.begin() + 16, image.begin() + 32, [](std::uint8_t b) { return b != 0; }))
    throw std::runtime_error(".res image: the leading empty entry is missing or not empty");
  TResCursor cursor(image);
  cursor.Bytes(32);
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
