// A resource object is the resource section of an image split into two COFF sections
// that a linker merges into one .rsrc, $01 before $02. The object, in file order:
//
//   file header         20 bytes: machine, 2 sections, timestamp 0, symbol table position
//   section headers     .rsrc$01 (aligned to 4) and .rsrc$02 (aligned to 8), both
//                       initialised read-only data
//   .rsrc$01            the directory:
//     tables            one for the types, one per type (its names), one per name (its
//                       languages), laid out level by level; each is 16 bytes of header
//                       and 8 per entry
//     strings           the string names: u16 length, UTF-16 units, no terminator
//     data entries      after padding to 4; 16 bytes each: RVA, size, code page, reserved
//   relocations         one per data entry, on its RVA field, against the .rsrc$02
//                       section symbol; the field holds the data's offset in .rsrc$02
//   .rsrc$02            the resource data, each resource starting at a multiple of 8
//   symbol table        @feat.00, then .rsrc$01 and .rsrc$02 with their section records
//   string table        its size field only: every symbol name fits in 8 bytes
//
// Directory offsets count from the start of the resource section. In an entry's name
// field the high bit marks a string name; in its offset field, a subdirectory (else the
// offset of a data entry). Each table lists its string names first, in UTF-16 code unit
// order, then its ids ascending: the loader finds them by binary search.
#include "output/coff_writer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "output/res_writer.h"
#include "reader/diagnostics.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kFile32BitMachine = 0x0100;
constexpr std::uint32_t kReadOnlyData = 0x40000040;  // initialised data, readable
constexpr std::uint32_t kAlign4 = 0x00300000;
constexpr std::uint32_t kAlign8 = 0x00400000;
constexpr std::uint32_t kRelocationOverflow = 0x01000000;  // count in the first relocation
constexpr std::uint16_t kAbsoluteSection = 0xFFFF;         // section number -1
constexpr std::uint8_t kStaticSymbol = 3;
constexpr std::uint32_t kDataSectionSymbol = 3;  // after @feat.00, .rsrc$01 and its aux record
constexpr std::uint32_t kSymbolCount = 5;
constexpr std::uint32_t kHighBit = 0x80000000;
constexpr std::size_t kHeadersSize = 20 + 2 * 40;
constexpr std::size_t kRelocationSize = 10;
constexpr std::size_t kSymbolSize = 18;
constexpr std::size_t kTableHeaderSize = 16;
constexpr std::size_t kTableEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr std::size_t kMax16 = 0xFFFF;
constexpr std::size_t kResHeaderTail = 16;  // DataVersion to Characteristics
constexpr std::size_t kLeadingEntrySize = 32;

struct TMachineInfo {
  std::uint16_t machine;
  std::uint16_t relocation;  // the 32-bit image-relative address type
  std::uint16_t characteristics;
  std::uint32_t features;  // @feat.00: bit 0 says safe for SEH, true of an object without code
};

TMachineInfo DescribeMachine(TMachine machine) {
  switch (machine) {
    case TMachine::X86:
      return {0x014C, 0x0007, kFile32BitMachine, 1};
    case TMachine::X64:
      return {0x8664, 0x0003, 0, 0};
    case TMachine::Arm64:
      return {0xAA64, 0x0002, 0, 0};
  }
  throw std::logic_error("unknown machine");
}

std::size_t RoundUp(std::size_t n, std::size_t alignment) { return (n + alignment - 1) / alignment * alignment; }

// ---- Reading the .res image

struct TResId {
  bool isString = false;
  std::uint16_t ordinal = 0;
  std::u16string text;
};

// Below zero when a comes before b in a directory table: strings first, by code unit.
int CompareIds(const TResId& a, const TResId& b) {
  if (a.isString != b.isString) return a.isString ? -1 : 1;
  if (a.isString) return a.text.compare(b.text);
  return int{a.ordinal} - int{b.ordinal};
}

struct TResource {
  TResId type;
  TResId name;
  std::uint16_t language = 0;
  std::size_t entryOffset = 0;  // in the image, for messages
  std::size_t dataOffset = 0;   // in the image
  std::uint32_t dataSize = 0;
};

[[noreturn]] void RaiseMalformed(const std::string& what, std::size_t offset) {
  RaiseFailure("Malformed resource file: " + what + " at offset " + std::to_string(offset));
}

class TResImageReader {
 public:
  explicit TResImageReader(std::span<const std::uint8_t> image) : image_(image) {}
  std::vector<TResource> ReadEntries() const;

 private:
  std::uint16_t ReadU16(std::size_t at, std::size_t limit) const;
  std::uint32_t ReadU32(std::size_t at, std::size_t limit) const;
  TResId ReadId(std::size_t& at, std::size_t limit) const;
  std::size_t ReadEntry(std::size_t at, std::vector<TResource>& resources) const;
  std::span<const std::uint8_t> image_;
};

// The one little-endian read; `limit` is the end of the structure being read.
std::uint16_t TResImageReader::ReadU16(std::size_t at, std::size_t limit) const {
  if (limit > image_.size() || at > limit || limit - at < 2) RaiseMalformed("a field runs past the end", at);
  return static_cast<std::uint16_t>(image_[at] | image_[at + 1] << 8);
}

std::uint32_t TResImageReader::ReadU32(std::size_t at, std::size_t limit) const {
  std::uint32_t low = ReadU16(at, limit);
  return low | std::uint32_t{ReadU16(at + 2, limit)} << 16;
}

// identifier := 0xFFFF ordinal | {unit} 0x0000
TResId TResImageReader::ReadId(std::size_t& at, std::size_t limit) const {
  TResId id;
  std::size_t start = at;
  if (ReadU16(at, limit) == 0xFFFF) {
    id.ordinal = ReadU16(at + 2, limit);
    at += 4;
    return id;
  }
  id.isString = true;
  for (;;) {
    if (at > limit || limit - at < 2) RaiseMalformed("a type or name without its terminating zero", start);
    std::uint16_t unit = ReadU16(at, limit);
    at += 2;
    if (unit == 0) break;
    id.text.push_back(static_cast<char16_t>(unit));
  }
  if (id.text.size() > kMax16) RaiseMalformed("a type or name longer than 65535 characters", start);
  return id;
}

bool IsEmptyEntry(const TResource& r) {
  return !r.type.isString && r.type.ordinal == 0 && !r.name.isString && r.name.ordinal == 0 && r.dataSize == 0;
}

// entry := DataSize HeaderSize type name pad DataVersion MemoryFlags LanguageId Version
//          Characteristics data pad; returns the end of the data
std::size_t TResImageReader::ReadEntry(std::size_t at, std::vector<TResource>& resources) const {
  std::uint32_t dataSize = ReadU32(at, image_.size());
  std::uint32_t headerSize = ReadU32(at + 4, image_.size());
  if (headerSize < 8 + kResHeaderTail || headerSize > image_.size() - at)
    RaiseMalformed("a header size of " + std::to_string(headerSize) + " bytes", at);
  std::size_t headerEnd = at + headerSize;
  TResource resource;
  std::size_t idAt = at + 8;
  resource.type = ReadId(idAt, headerEnd - kResHeaderTail);
  resource.name = ReadId(idAt, headerEnd - kResHeaderTail);
  resource.language = ReadU16(headerEnd - 10, headerEnd);
  if (dataSize > image_.size() - headerEnd) RaiseMalformed("resource data running past the end of the file", at);
  resource.entryOffset = at;
  resource.dataOffset = headerEnd;
  resource.dataSize = dataSize;
  // Joined .res files repeat the opening empty entry; it is no resource.
  if (!IsEmptyEntry(resource)) resources.push_back(std::move(resource));
  return headerEnd + dataSize;
}

std::vector<TResource> TResImageReader::ReadEntries() const {
  if (image_.size() < kLeadingEntrySize || ReadU32(0, 8) != 0 || ReadU32(4, 8) != kLeadingEntrySize ||
      ReadU32(8, 16) != 0xFFFF || ReadU32(12, 16) != 0xFFFF)
    RaiseMalformed("no leading empty entry of a 32-bit resource file", 0);
  std::vector<TResource> resources;
  for (std::size_t at = kLeadingEntrySize; at < image_.size();) at = RoundUp(ReadEntry(at, resources), 4);
  return resources;
}

bool ResourceBefore(const TResource& a, const TResource& b) {
  if (int order = CompareIds(a.type, b.type); order != 0) return order < 0;
  if (int order = CompareIds(a.name, b.name); order != 0) return order < 0;
  return a.language < b.language;
}

// Directory order; a type, name and language given twice has no place in a directory.
void SortResources(std::vector<TResource>& resources) {
  std::stable_sort(resources.begin(), resources.end(), ResourceBefore);
  for (std::size_t i = 1; i < resources.size(); ++i) {
    if (!ResourceBefore(resources[i - 1], resources[i]))
      RaiseFailure("Duplicate resource: the entries at offsets " + std::to_string(resources[i - 1].entryOffset) +
                   " and " + std::to_string(resources[i].entryOffset) + " have the same type, name and language");
  }
}

// ---- Laying out the directory

// A run of sorted items: the names of one type, or the languages of one name.
struct TRun {
  std::size_t first = 0;
  std::size_t count = 0;
};

struct TDirectoryLayout {
  std::vector<TRun> types;  // runs of `names`
  std::vector<TRun> names;  // runs of resources
  std::vector<std::size_t> typeTables;
  std::vector<std::size_t> nameTables;
  std::vector<std::u16string_view> strings;  // the string area in order
  std::unordered_map<std::u16string_view, std::size_t> stringOffsets;
  std::size_t dataEntries = 0;
  std::size_t size = 0;
};

void GroupResources(const std::vector<TResource>& resources, TDirectoryLayout& layout) {
  for (std::size_t i = 0; i < resources.size(); ++i) {
    bool newType = i == 0 || CompareIds(resources[i - 1].type, resources[i].type) != 0;
    bool newName = newType || CompareIds(resources[i - 1].name, resources[i].name) != 0;
    if (newType) layout.types.push_back({layout.names.size(), 0});
    if (newName) {
      layout.names.push_back({i, 0});
      ++layout.types.back().count;
    }
    ++layout.names.back().count;
  }
}

std::size_t TableSize(std::size_t entries) { return kTableHeaderSize + kTableEntrySize * entries; }

// Each distinct string is stored once, however many entries name it.
void AddString(TDirectoryLayout& layout, const TResId& id, std::size_t& at) {
  if (!id.isString || !layout.stringOffsets.emplace(id.text, at).second) return;
  layout.strings.push_back(id.text);
  at += 2 + 2 * id.text.size();
}

TDirectoryLayout LayOutDirectory(const std::vector<TResource>& resources) {
  TDirectoryLayout layout;
  GroupResources(resources, layout);
  std::size_t at = TableSize(layout.types.size());
  for (const TRun& type : layout.types) {
    layout.typeTables.push_back(at);
    at += TableSize(type.count);
  }
  for (const TRun& name : layout.names) {
    layout.nameTables.push_back(at);
    at += TableSize(name.count);
  }
  for (const TRun& type : layout.types) AddString(layout, resources[layout.names[type.first].first].type, at);
  for (const TRun& name : layout.names) AddString(layout, resources[name.first].name, at);
  layout.dataEntries = RoundUp(at, 4);
  layout.size = layout.dataEntries + kDataEntrySize * resources.size();
  // The high bit of every directory offset is a flag.
  if (layout.size >= kHighBit) RaiseFailure("The resource directory is too large for an object file");
  return layout;
}

// ---- Writing the directory

struct TDirectoryEntry {
  bool isString = false;
  std::uint32_t nameField = 0;
  std::uint32_t offsetField = 0;
};

TDirectoryEntry EntryFor(const TDirectoryLayout& layout, const TResId& id, std::size_t offsetField) {
  std::uint32_t offset = static_cast<std::uint32_t>(offsetField);
  if (!id.isString) return {false, id.ordinal, offset};
  return {true, kHighBit | static_cast<std::uint32_t>(layout.stringOffsets.at(id.text)), offset};
}

// table := Characteristics TimeDateStamp Major Minor NameCount IdCount {name offset}
void WriteTable(TOutputBuffer& out, const std::vector<TDirectoryEntry>& entries) {
  std::size_t strings = static_cast<std::size_t>(
      std::count_if(entries.begin(), entries.end(), [](const TDirectoryEntry& e) { return e.isString; }));
  std::size_t ids = entries.size() - strings;
  if (strings > kMax16 || ids > kMax16)
    RaiseFailure("A resource directory table cannot hold more than 65535 names or ids");
  out.WriteU32(0);  // characteristics
  out.WriteU32(0);  // timestamp
  out.WriteU32(0);  // major and minor version
  out.WriteU16(static_cast<std::uint16_t>(strings));
  out.WriteU16(static_cast<std::uint16_t>(ids));
  for (const TDirectoryEntry& entry : entries) {
    out.WriteU32(entry.nameField);
    out.WriteU32(entry.offsetField);
  }
}

void WriteTables(TOutputBuffer& out, const std::vector<TResource>& resources, const TDirectoryLayout& layout) {
  std::vector<TDirectoryEntry> entries;
  for (std::size_t t = 0; t < layout.types.size(); ++t) {
    const TResId& type = resources[layout.names[layout.types[t].first].first].type;
    entries.push_back(EntryFor(layout, type, kHighBit | layout.typeTables[t]));
  }
  WriteTable(out, entries);
  for (const TRun& type : layout.types) {
    entries.clear();
    for (std::size_t n = type.first; n < type.first + type.count; ++n)
      entries.push_back(EntryFor(layout, resources[layout.names[n].first].name, kHighBit | layout.nameTables[n]));
    WriteTable(out, entries);
  }
  for (const TRun& name : layout.names) {
    entries.clear();
    for (std::size_t r = name.first; r < name.first + name.count; ++r)
      entries.push_back(
          {false, resources[r].language, static_cast<std::uint32_t>(layout.dataEntries + kDataEntrySize * r)});
    WriteTable(out, entries);
  }
}

void WriteStrings(TOutputBuffer& out, const TDirectoryLayout& layout) {
  for (std::u16string_view text : layout.strings) {
    out.WriteU16(static_cast<std::uint16_t>(text.size()));
    for (char16_t unit : text) out.WriteU16(unit);
  }
}

// entry := DataRVA Size CodePage Reserved; the RVA is relocated to .rsrc$02 + offset
void WriteDataEntries(TOutputBuffer& out, const std::vector<TResource>& resources,
                      const std::vector<std::size_t>& dataOffsets) {
  for (std::size_t r = 0; r < resources.size(); ++r) {
    out.WriteU32(static_cast<std::uint32_t>(dataOffsets[r]));
    out.WriteU32(resources[r].dataSize);
    out.WriteU32(0);
    out.WriteU32(0);
  }
}

// ---- The object file

struct TObjectLayout {
  std::size_t directory = kHeadersSize;
  std::size_t directorySize = 0;
  std::size_t relocations = 0;
  std::size_t relocationRecords = 0;  // the overflow record included
  bool overflow = false;
  std::size_t data = 0;
  std::size_t dataSize = 0;
  std::size_t symbols = 0;
};

// Offsets of the data in .rsrc$02; returns the section's size.
std::size_t LayOutData(const std::vector<TResource>& resources, std::vector<std::size_t>& dataOffsets) {
  std::size_t at = 0;
  for (const TResource& resource : resources) {
    dataOffsets.push_back(at);
    at = RoundUp(at + resource.dataSize, 8);
  }
  if (at > std::numeric_limits<std::uint32_t>::max()) RaiseFailure("The resource data is too large for an object file");
  return at;
}

TObjectLayout LayOutObject(std::size_t directorySize, std::size_t resourceCount, std::size_t dataSize) {
  TObjectLayout object;
  object.directorySize = directorySize;
  object.overflow = resourceCount > kMax16 - 1;
  object.relocationRecords = resourceCount + (object.overflow ? 1 : 0);
  object.relocations = object.directory + directorySize;
  object.data = RoundUp(object.relocations + kRelocationSize * object.relocationRecords, 8);
  object.dataSize = dataSize;
  object.symbols = object.data + dataSize;
  if (object.symbols + kSymbolSize * kSymbolCount + 4 > std::numeric_limits<std::uint32_t>::max())
    RaiseFailure("The resources are too large for an object file");
  return object;
}

void WriteFileHeader(TOutputBuffer& out, const TMachineInfo& machine, const TObjectLayout& object) {
  out.WriteU16(machine.machine);
  out.WriteU16(2);  // sections
  out.WriteU32(0);  // timestamp
  out.WriteU32(static_cast<std::uint32_t>(object.symbols));
  out.WriteU32(kSymbolCount);
  out.WriteU16(0);  // no optional header
  out.WriteU16(machine.characteristics);
}

struct TSectionHeader {
  std::string_view name;
  std::size_t size = 0;
  std::size_t rawData = 0;
  std::size_t relocations = 0;
  std::uint16_t relocationCount = 0;
  std::uint32_t characteristics = 0;
};

void WriteName8(TOutputBuffer& out, std::string_view name) {
  for (std::size_t i = 0; i < 8; ++i) out.WriteU8(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0);
}

void WriteSectionHeader(TOutputBuffer& out, const TSectionHeader& section) {
  WriteName8(out, section.name);
  out.WriteU32(0);  // virtual size
  out.WriteU32(0);  // virtual address
  out.WriteU32(static_cast<std::uint32_t>(section.size));
  out.WriteU32(static_cast<std::uint32_t>(section.size == 0 ? 0 : section.rawData));
  out.WriteU32(static_cast<std::uint32_t>(section.relocationCount == 0 ? 0 : section.relocations));
  out.WriteU32(0);  // line numbers
  out.WriteU16(section.relocationCount);
  out.WriteU16(0);
  out.WriteU32(section.characteristics);
}

TSectionHeader DirectorySection(const TObjectLayout& object) {
  std::uint16_t count = static_cast<std::uint16_t>(object.overflow ? kMax16 : object.relocationRecords);
  std::uint32_t flags = kReadOnlyData | kAlign4 | (object.overflow ? kRelocationOverflow : 0);
  return {".rsrc$01", object.directorySize, object.directory, object.relocations, count, flags};
}

TSectionHeader DataSection(const TObjectLayout& object) {
  return {".rsrc$02", object.dataSize, object.data, 0, 0, kReadOnlyData | kAlign8};
}

// relocation := VirtualAddress SymbolIndex Type; with more than 65535 the first one
// carries the count of all of them, itself included.
void WriteRelocations(TOutputBuffer& out, const TMachineInfo& machine, const TObjectLayout& object,
                      const TDirectoryLayout& layout, std::size_t resourceCount) {
  if (object.overflow) {
    out.WriteU32(static_cast<std::uint32_t>(object.relocationRecords));
    out.WriteU32(0);
    out.WriteU16(0);
  }
  for (std::size_t r = 0; r < resourceCount; ++r) {
    out.WriteU32(static_cast<std::uint32_t>(layout.dataEntries + kDataEntrySize * r));
    out.WriteU32(kDataSectionSymbol);
    out.WriteU16(machine.relocation);
  }
}

void PadTo(TOutputBuffer& out, std::size_t position) {
  if (out.Position() > position) throw std::logic_error("object layout out of step");
  while (out.Position() < position) out.WriteU8(0);
}

// The data section as pieces: each resource's data where it lies in the image, and the
// zero bytes that align the next one to 8.
void AddData(std::vector<std::span<const std::uint8_t>>& pieces, std::span<const std::uint8_t> image,
             const std::vector<TResource>& resources, const std::vector<std::size_t>& dataOffsets,
             const TObjectLayout& object) {
  static constexpr std::array<std::uint8_t, 8> kZeros{};
  std::size_t at = 0;
  auto padTo = [&](std::size_t offset) {
    if (offset < at || offset - at > kZeros.size()) throw std::logic_error("object layout out of step");
    if (offset > at) pieces.emplace_back(kZeros.data(), offset - at);
    at = offset;
  };
  for (std::size_t r = 0; r < resources.size(); ++r) {
    padTo(dataOffsets[r]);
    pieces.push_back(image.subspan(resources[r].dataOffset, resources[r].dataSize));
    at += resources[r].dataSize;
  }
  padTo(object.dataSize);
}

void WriteSymbol(TOutputBuffer& out, std::string_view name, std::uint32_t value, std::uint16_t section,
                 std::uint8_t auxCount) {
  WriteName8(out, name);
  out.WriteU32(value);
  out.WriteU16(section);
  out.WriteU16(0);  // type
  out.WriteU8(kStaticSymbol);
  out.WriteU8(auxCount);
}

// aux := Length RelocationCount LineCount CheckSum Number Selection 3 unused bytes
void WriteSectionSymbol(TOutputBuffer& out, const TSectionHeader& section, std::uint16_t number) {
  WriteSymbol(out, section.name, 0, number, 1);
  out.WriteU32(static_cast<std::uint32_t>(section.size));
  out.WriteU16(section.relocationCount);
  out.WriteU16(0);
  out.WriteU32(0);
  out.WriteU16(0);
  for (int i = 0; i < 4; ++i) out.WriteU8(0);
}

}  // namespace

bool ParseMachine(std::string_view text, TMachine& machine) {
  struct TName {
    std::string_view name;
    TMachine machine;
  };
  static constexpr TName kNames[] = {{"x86", TMachine::X86}, {"x64", TMachine::X64}, {"arm64", TMachine::Arm64}};
  auto sameLetters = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  for (const TName& entry : kNames) {
    if (std::equal(text.begin(), text.end(), entry.name.begin(), entry.name.end(), sameLetters)) {
      machine = entry.machine;
      return true;
    }
  }
  return false;
}

std::vector<std::span<const std::uint8_t>> TCoffObject::Pieces() const {
  std::vector<std::span<const std::uint8_t>> pieces{head.Bytes()};
  pieces.insert(pieces.end(), data.begin(), data.end());
  pieces.push_back(tail.Bytes());
  return pieces;
}

TCoffObject ResToCoffObject(std::span<const std::uint8_t> resImage, TMachine machine) {
  TMachineInfo info = DescribeMachine(machine);
  std::vector<TResource> resources = TResImageReader(resImage).ReadEntries();
  SortResources(resources);
  TDirectoryLayout directory = LayOutDirectory(resources);
  std::vector<std::size_t> dataOffsets;
  TObjectLayout object = LayOutObject(directory.size, resources.size(), LayOutData(resources, dataOffsets));
  TCoffObject result;
  TOutputBuffer& out = result.head;
  out.Reserve(object.data);
  WriteFileHeader(out, info, object);
  WriteSectionHeader(out, DirectorySection(object));
  WriteSectionHeader(out, DataSection(object));
  WriteTables(out, resources, directory);
  WriteStrings(out, directory);
  PadTo(out, object.directory + directory.dataEntries);
  WriteDataEntries(out, resources, dataOffsets);
  WriteRelocations(out, info, object, directory, resources.size());
  PadTo(out, object.data);
  AddData(result.data, resImage, resources, dataOffsets, object);
  WriteSymbol(result.tail, "@feat.00", info.features, kAbsoluteSection, 0);
  WriteSectionSymbol(result.tail, DirectorySection(object), 1);
  WriteSectionSymbol(result.tail, DataSection(object), 2);
  result.tail.WriteU32(4);  // the string table: its own size
  return result;
}

std::vector<std::uint8_t> ResToCoff(std::span<const std::uint8_t> resImage, TMachine machine) {
  std::vector<std::uint8_t> bytes;
  TCoffObject object = ResToCoffObject(resImage, machine);
  for (std::span<const std::uint8_t> piece : object.Pieces()) bytes.insert(bytes.end(), piece.begin(), piece.end());
  return bytes;
}

}  // namespace tarvex
