#include "tests/res_reader.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace tarvex::test {

namespace {

TResIdentifier ReadIdentifier(TDataReader& cursor) {
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

TResEntry ReadEntry(const std::vector<std::uint8_t>& image, TDataReader& cursor) {
  TResEntry entry;
  entry.offset = cursor.position;
  entry.dataSize = cursor.U32();
  entry.headerSize = cursor.U32();
  entry.type = ReadIdentifier(cursor);
  entry.name = ReadIdentifier(cursor);
  cursor.Pad4();
  entry.dataVersion = cursor.U32();
  entry.memoryFlags = cursor.U16();
  entry.languageId = cursor.U16();
  entry.version = cursor.U32();
  entry.characteristics = cursor.U32();
  if (cursor.position - entry.offset != entry.headerSize)
    cursor.Fail("HeaderSize " + std::to_string(entry.headerSize) + " disagrees with the header");
  if (entry.dataSize > image.size() - cursor.position) cursor.Fail("data runs past the end");
  entry.data.assign(image.begin() + static_cast<std::ptrdiff_t>(cursor.position),
                    image.begin() + static_cast<std::ptrdiff_t>(cursor.position + entry.dataSize));
  cursor.position += entry.dataSize;
  cursor.Pad4();
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
  TDataReader cursor(image, ".res image");
  cursor.position = 32;
  std::vector<TResEntry> entries;
  while (!cursor.AtEnd()) entries.push_back(ReadEntry(image, cursor));
  return entries;
}

const TResEntry& FindEntry(const std::vector<TResEntry>& entries, std::string_view type, std::string_view name) {
  for (const TResEntry& entry : entries)
    if (entry.type.Printable() == type && entry.name.Printable() == name) return entry;
  throw std::runtime_error("no entry of type " + std::string(type) + " named " + std::string(name));
}

}  // namespace tarvex::test
