#include "tests/res_reader.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace tarvex::test {

namespace {

// Little-endian reads that never pass the end of the image.
class TCursor {
 public:
  explicit TCursor(const std::vector<std::uint8_t>& image) : image_(image) {}

  std::size_t position = 32;  // after the leading entry

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error(".res image offset " + std::to_string(position) + ": " + what);
  }
  std::uint16_t U16() {
    if (image_.size() - position < 2) Fail("field runs past the end");
    position += 2;
    return static_cast<std::uint16_t>(image_[position - 2] | image_[position - 1] << 8);
  }
  std::uint32_t U32() { return U16() | static_cast<std::uint32_t>(U16()) << 16; }
  TResIdentifier Identifier() {
    TResIdentifier id;
    std::uint16_t first = U16();
    id.isOrdinal = first == 0xFFFF;
    if (id.isOrdinal) id.ordinal = U16();
    for (std::uint16_t unit = first; !id.isOrdinal && unit != 0; unit = U16()) id.text.push_back(unit);
    return id;
  }
  // The bytes up to the next multiple of 4 must be there and zero.
  void Pad4() {
    for (; position % 4 != 0; ++position)
      if (position >= image_.size() || image_[position] != 0) Fail("padding byte missing or not zero");
  }

 private:
  const std::vector<std::uint8_t>& image_;
};

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

std::string TResIdentifier::Printable() const {
  if (isOrdinal) return "#" + std::to_string(ordinal);
  std::string out;  // UTF-8; unpaired surrogates as U+FFFD
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
  std::vector<TResEntry> entries;
  for (TCursor in(image); in.position < image.size();) {
    TResEntry entry;
    std::size_t start = in.position;
    entry.dataSize = in.U32();
    std::uint32_t headerSize = in.U32();
    entry.type = in.Identifier();
    entry.name = in.Identifier();
    in.Pad4();
    in.U32();  // DataVersion
    entry.memoryFlags = in.U16();
    entry.languageId = in.U16();
    entry.version = in.U32();
    entry.characteristics = in.U32();
    if (in.position - start != headerSize) in.Fail("HeaderSize " + std::to_string(headerSize) + " disagrees");
    if (entry.dataSize > image.size() - in.position) in.Fail("data runs past the end");
    entry.data.assign(image.begin() + static_cast<std::ptrdiff_t>(in.position),
                      image.begin() + static_cast<std::ptrdiff_t>(in.position + entry.dataSize));
    in.position += entry.dataSize;
    in.Pad4();
    entries.push_back(std::move(entry));
  }
  return entries;
}

const TResEntry& FindEntry(const std::vector<TResEntry>& entries, std::string_view type, std::string_view name) {
  for (const TResEntry& entry : entries)
    if (entry.type.Printable() == type && entry.name.Printable() == name) return entry;
  throw std::runtime_error("no entry of type " + std::string(type) + " named " + std::string(name));
}

}  // namespace tarvex::test
