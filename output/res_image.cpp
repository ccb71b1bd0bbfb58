#include "output/res_image.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_set>

#include "reader/diagnostics.h"
#include "reader/source_encoding.h"

namespace tarvex {

namespace {

constexpr std::size_t kLeadingEntrySize = 32;
constexpr std::array<std::uint8_t, kLeadingEntrySize> kLeadingEntry = {0,    0,    0, 0, 0x20, 0,    0, 0,
                                                                       0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
constexpr std::size_t kFixedHeaderTail = 16;  // DataVersion, MemoryFlags, LanguageId, Version, Characteristics
constexpr std::size_t kSmallestHeader = 8 + 4 + 4 + kFixedHeaderTail;

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kDirectoryEntrySize = 8;
constexpr int kLanguageLevel = 2;

std::string Hex(std::size_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%zX", value);
  return text;
}

[[noreturn]] void FailAt(const std::string& fileName, std::size_t offset, const std::string& what) {
  RaiseFailure("File " + fileName + ". Offset " + std::to_string(offset) + " : " + what);
}

// .res: the leading empty entry, then entries of header, data and padding to 4 bytes.
std::vector<TResourceEntry> ReadResFile(std::span<const std::uint8_t> bytes, const std::string& fileName) {
  std::vector<TResourceEntry> resources;
  std::size_t position = kLeadingEntrySize;
  while (position < bytes.size()) {
    if (bytes.size() - position < 8) FailAt(fileName, position, "resource header runs past the end of the file");
    TByteCursor cursor(bytes, position);
    std::uint32_t dataSize = cursor.U32();
    std::uint32_t headerSize = cursor.U32();
    if (headerSize < kSmallestHeader)
      FailAt(fileName, position, "header size " + std::to_string(headerSize) + " is too small");
    if (headerSize > bytes.size() - position)
      FailAt(fileName, position, "header of " + std::to_string(headerSize) + " bytes runs past the end of the file");
    std::size_t tail = position + headerSize - kFixedHeaderTail;
    TResourceEntry entry;
    try {
      TByteCursor names(bytes.subspan(0, tail), position + 8);
      entry.type = names.NameOrOrdinal();
      entry.name = names.NameOrOrdinal();
    } catch (const TDataError&) {
      FailAt(fileName, position, "type and name run past the header");
    }
    cursor.Seek(tail + 4);
    entry.memoryFlags = cursor.U16();
    entry.language = cursor.U16();
    entry.version = cursor.U32();
    entry.characteristics = cursor.U32();
    std::size_t dataStart = position + headerSize;
    if (dataSize > bytes.size() - dataStart)
      FailAt(fileName, position, "data of " + std::to_string(dataSize) + " bytes runs past the end of the file");
    entry.data = bytes.subspan(dataStart, dataSize);
    bool empty = entry.type.isOrdinal && entry.type.ordinal == 0 && entry.name.isOrdinal && entry.name.ordinal == 0;
    if (!empty || dataSize != 0) resources.push_back(std::move(entry));
    std::size_t next = dataStart + dataSize;
    position = std::min(bytes.size(), next + (4 - next % 4) % 4);
  }
  return resources;
}

// The header of the section an object keeps its resource tree in: .rsrc$01, or .rsrc
// when there is no such section; 0 when there is neither.
std::size_t CoffResourceSection(std::span<const std::uint8_t> bytes, std::size_t sections, std::size_t count) {
  std::size_t plain = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = sections + i * kSectionHeaderSize;
    if (at > bytes.size() || bytes.size() - at < kSectionHeaderSize) return 0;
    if (std::memcmp(bytes.data() + at, ".rsrc$01", 8) == 0) return at;
    if (plain == 0 && std::memcmp(bytes.data() + at, ".rsrc\0\0\0", 8) == 0) plain = at;
  }
  return plain;
}

// The resource section of a PE file: a three-level directory tree (type, name, language)
// whose data entries give the data by virtual address.
class TProgramReader {
 public:
  TProgramReader(std::span<const std::uint8_t> bytes, const std::string& fileName)
      : bytes_(bytes), fileName_(fileName) {}

  std::vector<TResourceEntry> Read() {
    std::size_t header = U32At(0x3C);
    std::size_t fileHeader = header + 4;
    Require(fileHeader, 20, "file header");
    std::size_t sectionCount = U16At(fileHeader + 2);
    std::size_t optionalSize = U16At(fileHeader + 16);
    std::size_t optional = fileHeader + 20;
    Require(optional, optionalSize, "optional header");
    std::size_t directoryCountAt = 0;
    switch (optionalSize >= 2 ? U16At(optional) : 0) {
      case 0x10B:
        directoryCountAt = 92;
        break;  // PE32
      case 0x20B:
        directoryCountAt = 108;
        break;  // PE32+
      default:
        FailAt(fileName_, optional, "the optional header is neither PE32 nor PE32+");
    }
    std::size_t resourceDirectoryAt = directoryCountAt + 4 + 2 * 8;
    if (optionalSize < directoryCountAt + 4 || U32At(optional + directoryCountAt) < 3 ||
        optionalSize < resourceDirectoryAt + 8)
      return {};  // no resource directory entry
    std::uint32_t rootAddress = U32At(optional + resourceDirectoryAt);
    if (rootAddress == 0) return {};
    sections_ = optional + optionalSize;
    sectionCount_ = sectionCount;
    Require(sections_, sectionCount * kSectionHeaderSize, "section table");
    TRegion root = MapAddress(rootAddress, optional + resourceDirectoryAt);
    base_ = root.offset;
    limit_ = root.limit;
    ReadDirectory(0, 0, {});
    return std::move(resources_);
  }

  /// A COFF object: the tree in .rsrc$01 (or .rsrc), each data entry's address a
  /// relocation against a symbol of the section that holds the data.
  std::vector<TResourceEntry> ReadObject() {
    sectionCount_ = U16At(2);
    sections_ = 20 + std::size_t{U16At(16)};
    Require(sections_, sectionCount_ * kSectionHeaderSize, "section table");
    symbols_ = U32At(8);
    symbolCount_ = U32At(12);
    std::size_t tree = CoffResourceSection(bytes_, sections_, sectionCount_);
    if (tree == 0) FailAt(fileName_, sections_, "the object has no .rsrc$01 or .rsrc section");
    std::size_t rawSize = U32At(tree + 16);
    base_ = U32At(tree + 20);
    Require(base_, rawSize, "resource section");
    limit_ = base_ + rawSize;
    std::size_t relocations = U32At(tree + 24);
    std::size_t relocationCount = U16At(tree + 32);
    Require(relocations, relocationCount * 10, "relocation table");
    for (std::size_t i = 0; i < relocationCount; ++i)
      relocations_.emplace(U32At(relocations + i * 10), U32At(relocations + i * 10 + 4));
    object_ = true;
    ReadDirectory(0, 0, {});
    return std::move(resources_);
  }

 private:
  // A stretch of the file: from `offset` to `limit`.
  struct TRegion {
    std::size_t offset = 0;
    std::size_t limit = 0;
  };

  void Require(std::size_t offset, std::size_t count, const std::string& what) const {
    if (offset > bytes_.size() || count > bytes_.size() - offset)
      FailAt(fileName_, offset, "the " + what + " runs past the end of the file");
  }
  std::uint16_t U16At(std::size_t offset) const {
    Require(offset, 2, "header");
    return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }
  std::uint32_t U32At(std::size_t offset) const {
    Require(offset, 4, "header");
    return static_cast<std::uint32_t>(U16At(offset)) | static_cast<std::uint32_t>(U16At(offset + 2)) << 16;
  }

  // The file offset of a virtual address, and the end of its section's bytes in the file.
  TRegion MapAddress(std::uint32_t address, std::size_t mentionedAt) const {
    for (std::size_t i = 0; i < sectionCount_; ++i) {
      std::size_t section = sections_ + i * kSectionHeaderSize;
      std::uint32_t virtualSize = U32At(section + 8);
      std::uint32_t virtualAddress = U32At(section + 12);
      std::uint32_t rawSize = U32At(section + 16);
      std::uint32_t rawOffset = U32At(section + 20);
      if (address < virtualAddress || address - virtualAddress >= std::max(virtualSize, rawSize)) continue;
      std::size_t into = address - virtualAddress;
      std::size_t limit = std::min<std::size_t>(bytes_.size(), std::size_t{rawOffset} + rawSize);
      if (into >= rawSize || rawOffset + into >= limit)
        FailAt(fileName_, mentionedAt, "address " + Hex(address) + " lies outside the file");
      return {rawOffset + into, limit};
    }
    FailAt(fileName_, mentionedAt, "address " + Hex(address) + " lies in no section");
  }

  // Offsets inside the tree count from its root and stay inside the root's section.
  std::size_t TreeOffset(std::uint32_t offset, std::size_t count, std::size_t mentionedAt, const char* what) const {
    if (offset > limit_ - base_ || count > limit_ - base_ - offset)
      FailAt(fileName_, mentionedAt, std::string(what) + " at " + Hex(offset) + " lies outside the resource section");
    return base_ + offset;
  }

  TResourceId ReadName(std::uint32_t field, std::size_t entryAt) const {
    TResourceId id;
    if ((field & kHighBit) == 0) {
      if (field > 0xFFFF) FailAt(fileName_, entryAt, "identifier " + Hex(field) + " is not 16 bits");
      id.ordinal = static_cast<std::uint16_t>(field);
      return id;
    }
    std::size_t at = TreeOffset(field & ~kHighBit, 2, entryAt, "a name");
    std::size_t length = U16At(at);
    TreeOffset(field & ~kHighBit, 2 + 2 * length, entryAt, "a name");
    id.isOrdinal = false;
    for (std::size_t i = 0; i < length; ++i) id.text += static_cast<char16_t>(U16At(at + 2 + 2 * i));
    return id;
  }

  void ReadDirectory(int level, std::uint32_t offset, std::array<TResourceId, 2> path) {
    if (!visited_.insert(offset).second)
      FailAt(fileName_, base_ + offset, "the resource directory is reached a second time (a cycle)");
    std::size_t at = TreeOffset(offset, kDirectoryHeaderSize, base_ + offset, "a directory");
    std::size_t count = std::size_t{U16At(at + 12)} + U16At(at + 14);
    TreeOffset(offset, kDirectoryHeaderSize + count * kDirectoryEntrySize, at, "a directory");
    for (std::size_t i = 0; i < count; ++i) {
      std::size_t entryAt = at + kDirectoryHeaderSize + i * kDirectoryEntrySize;
      TResourceId id = ReadName(U32At(entryAt), entryAt);
      std::uint32_t target = U32At(entryAt + 4);
      bool subdirectory = (target & kHighBit) != 0;
      if (subdirectory != (level < kLanguageLevel))
        FailAt(fileName_, entryAt,
               subdirectory ? "a directory below the language level" : "data above the language level");
      if (subdirectory) {
        std::array<TResourceId, 2> inner = path;
        inner[static_cast<std::size_t>(level)] = id;
        ReadDirectory(level + 1, target & ~kHighBit, inner);
        continue;
      }
      if (!id.isOrdinal) FailAt(fileName_, entryAt, "a language given by name");
      std::size_t dataEntry = TreeOffset(target, 16, entryAt, "a data entry");
      std::uint32_t size = U32At(dataEntry + 4);
      TRegion data = object_ ? RelocatedData(dataEntry) : MapAddress(U32At(dataEntry), dataEntry);
      if (size > data.limit - data.offset)
        FailAt(fileName_, dataEntry, "data of " + std::to_string(size) + " bytes runs past its section");
      TResourceEntry entry;
      entry.type = path[0];
      entry.name = path[1];
      entry.language = id.ordinal;
      entry.data = bytes_.subspan(data.offset, size);
      resources_.push_back(std::move(entry));
    }
  }

  // The data a data entry of an object names: the section and offset of the symbol its
  // relocation refers to, plus the addend the entry holds.
  TRegion RelocatedData(std::size_t dataEntry) const {
    auto found = relocations_.find(static_cast<std::uint32_t>(dataEntry - base_));
    if (found == relocations_.end()) FailAt(fileName_, dataEntry, "a data entry without a relocation");
    if (found->second >= symbolCount_) FailAt(fileName_, dataEntry, "a relocation names no symbol");
    std::size_t symbol = symbols_ + std::size_t{found->second} * 18;
    std::uint32_t value = U32At(symbol + 8);
    std::uint16_t section = U16At(symbol + 12);
    if (section == 0 || section > sectionCount_) FailAt(fileName_, symbol, "a symbol outside every section");
    std::size_t header = sections_ + (section - 1u) * kSectionHeaderSize;
    std::size_t rawSize = U32At(header + 16);
    std::size_t rawOffset = U32At(header + 20);
    Require(rawOffset, rawSize, "section");
    std::size_t into = std::size_t{value} + U32At(dataEntry);
    if (into > rawSize) FailAt(fileName_, dataEntry, "data at " + Hex(into) + " lies outside its section");
    return {rawOffset + into, rawOffset + rawSize};
  }

  std::span<const std::uint8_t> bytes_;
  const std::string& fileName_;
  bool object_ = false;
  std::size_t symbols_ = 0;
  std::size_t symbolCount_ = 0;
  std::map<std::uint32_t, std::uint32_t> relocations_;  // offset in the tree -> symbol index
  std::size_t sections_ = 0;
  std::size_t sectionCount_ = 0;
  std::size_t base_ = 0;
  std::size_t limit_ = 0;
  std::unordered_set<std::uint32_t> visited_;
  std::vector<TResourceEntry> resources_;
};

constexpr std::array<const char*, 25> kTypeNames = {"",       "CURSOR",       "BITMAP",       "ICON", "MENU",
                                                    "DIALOG", "STRING",       "FONTDIR",      "FONT", "ACCELERATOR",
                                                    "RCDATA", "MESSAGETABLE", "GROUP_CURSOR", "",     "GROUP_ICON",
                                                    "",       "VERSION",      "DLGINCLUDE",   "",     "PLUGPLAY",
                                                    "VXD",    "ANICURSOR",    "ANIICON",      "HTML", "MANIFEST"};

// A listed text is quoted when it could read as an ordinal, a type name or several words.
bool NeedsQuotes(const std::u16string& text, bool isType) {
  if (text.empty() || (text[0] >= u'0' && text[0] <= u'9') || text[0] == u'#') return true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (unit <= 0x20 || unit == 0x7F || (unit >= 0x80 && unit <= 0x9F) || unit == u'"' || unit == u'\\') return true;
    bool high = unit >= 0xD800 && unit <= 0xDBFF, low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (low || (high && (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF))) return true;
    if (high) ++i;
  }
  if (isType)
    for (const char* name : kTypeNames)
      if (*name && DisplayUtf8(text) == name) return true;
  return false;
}

std::string QuotedText(const std::u16string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    bool pair =
        unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    char escape[12];
    if (pair) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[++i] - 0xDC00u));
    } else if (unit == u'"' || unit == u'\\') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit < 0x20 || unit == 0x7F || (unit >= 0x80 && unit <= 0x9F) || (unit >= 0xD800 && unit <= 0xDFFF)) {
      std::snprintf(escape, sizeof escape, unit < 0x100 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(unit));
      out += escape;
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out + "\"";
}

std::string ListedId(const TResourceId& id, bool isType) {
  if (!id.isOrdinal) return NeedsQuotes(id.text, isType) ? QuotedText(id.text) : DisplayUtf8(id.text);
  if (!isType) return std::to_string(id.ordinal);
  const char* name = WindowsTypeName(id.ordinal);
  return *name ? name : "#" + std::to_string(id.ordinal);
}

}  // namespace

bool TResourceId::operator<(const TResourceId& other) const {
  if (isOrdinal != other.isOrdinal) return isOrdinal;
  return isOrdinal ? ordinal < other.ordinal : text < other.text;
}

void TByteCursor::Seek(std::size_t position) {
  if (position > data_.size()) {
    position_ = data_.size();
    Fail("position " + std::to_string(position) + " lies past the end of " + std::to_string(data_.size()) + " bytes");
  }
  position_ = position;
}

std::size_t TByteCursor::Need(std::size_t count) {
  if (count > data_.size() - position_) Fail("a field of " + std::to_string(count) + " bytes runs past the end");
  std::size_t at = position_;
  position_ += count;
  return at;
}

std::uint16_t TByteCursor::U16() {
  std::size_t at = Need(2);
  return static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8);
}

std::uint32_t TByteCursor::U32() {
  std::uint32_t low = U16();
  return low | static_cast<std::uint32_t>(U16()) << 16;
}

std::u16string TByteCursor::Text() {
  std::u16string text;
  ReadText(text);
  return text;
}

// The units are found first and copied at once; a text without its zero fails where its
// next unit would be, as reading unit by unit does.
void TByteCursor::ReadText(std::u16string& text) {
  std::size_t end = position_;
  while (end + 2 <= data_.size() && (data_[end] | data_[end + 1]) != 0) end += 2;
  if (end + 2 > data_.size()) {
    position_ = end;
    Need(2);
  }
  text.resize((end - position_) / 2);
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(data_[position_ + 2 * i] | data_[position_ + 2 * i + 1] << 8);
  position_ = end + 2;
}

TResourceId TByteCursor::NameOrOrdinal() {
  TResourceId id;
  ReadNameOrOrdinal(id);
  return id;
}

void TByteCursor::ReadNameOrOrdinal(TResourceId& id) {
  id.text.clear();
  id.ordinal = 0;
  std::uint16_t first = U16();
  id.isOrdinal = first == 0xFFFF;
  if (id.isOrdinal) {
    id.ordinal = U16();
    return;
  }
  if (first == 0) return;  // the empty text
  position_ -= 2;
  ReadText(id.text);
}

std::span<const std::uint8_t> TByteCursor::Bytes(std::size_t count) { return data_.subspan(Need(count), count); }

void TByteCursor::AlignTo4() { position_ = std::min(data_.size(), (position_ + 3) & ~std::size_t{3}); }

void TByteCursor::Fail(const std::string& what) const {
  throw TDataError("Offset " + std::to_string(position_) + " : " + what);
}

namespace {

// A COFF object of x86, x64, ARM or ARM64 that holds a resource section.
bool IsResourceObject(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 20) return false;
  std::uint16_t machine = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
  if (machine != 0x14C && machine != 0x8664 && machine != 0xAA64 && machine != 0x1C4) return false;
  std::size_t count = static_cast<std::size_t>(bytes[2] | bytes[3] << 8);
  std::size_t optional = static_cast<std::size_t>(bytes[16] | bytes[17] << 8);
  return count > 0 && optional == 0 && CoffResourceSection(bytes, 20, count) != 0;
}

}  // namespace

TImageKind ImageKindOf(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= kLeadingEntrySize && std::equal(kLeadingEntry.begin(), kLeadingEntry.end(), bytes.begin()))
    return TImageKind::Res;
  if (bytes.size() >= 0x40 && bytes[0] == 'M' && bytes[1] == 'Z') {
    std::size_t header = std::size_t{bytes[0x3C]} | std::size_t{bytes[0x3D]} << 8 | std::size_t{bytes[0x3E]} << 16 |
                         std::size_t{bytes[0x3F]} << 24;
    if (header <= bytes.size() - 4 && std::memcmp(bytes.data() + header, "PE\0\0", 4) == 0) return TImageKind::Program;
  }
  if (IsResourceObject(bytes)) return TImageKind::Coff;
  return TImageKind::Other;
}

std::vector<TResourceEntry> ReadResources(std::span<const std::uint8_t> bytes, const std::string& fileName) {
  switch (ImageKindOf(bytes)) {
    case TImageKind::Res:
      return ReadResFile(bytes, fileName);
    case TImageKind::Program:
      return TProgramReader(bytes, fileName).Read();
    case TImageKind::Coff:
      return TProgramReader(bytes, fileName).ReadObject();
    case TImageKind::Other:
      break;
  }
  FailAt(fileName, 0, "neither a .res file (leading empty entry) nor a Windows program (MZ and PE headers)");
}

const char* WindowsTypeName(std::uint16_t ordinal) { return ordinal < kTypeNames.size() ? kTypeNames[ordinal] : ""; }

std::string ListResources(const std::vector<TResourceEntry>& resources) {
  std::string out;
  char numbers[48];
  for (const TResourceEntry& entry : resources) {
    std::snprintf(numbers, sizeof numbers, " 0x%04X 0x%04X %zu\n", static_cast<unsigned>(entry.language),
                  static_cast<unsigned>(entry.memoryFlags), entry.data.size());
    out += ListedId(entry.type, true) + " " + ListedId(entry.name, false) + numbers;
  }
  return out;
}

std::string DisplayUtf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (units[++i] - 0xDC00u));
    } else {
      AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : char32_t{unit});
    }
  }
  return out;
}

std::string IdText(const TResourceId& id) { return id.isOrdinal ? std::to_string(id.ordinal) : DisplayUtf8(id.text); }

}  // namespace tarvex
