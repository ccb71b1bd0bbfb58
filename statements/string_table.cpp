// String tables. Windows loads strings in blocks of 16: string n lives in the resource
// of type 6 named n / 16 + 1, at slot n % 16. A script may spread one block over many
// STRINGTABLE statements and files, so every string is collected first, per language
// and identifier in ascending order, and the blocks are written at the end of input.
//
// Block data: 16 entries, each a u16 count of UTF-16 units followed by the units (no
// terminator unless the options ask for one); a missing string is an entry of count 0.
#include "statements/string_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "data/resource_types.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "data/large_pages.h"
#include "reader/parser.h"
#include "data/short_bytes.h"
#include "reader/utf16.h"
#include "statements/resource.h"
#include "statements/warning_checks.h"

namespace tarvex {

namespace {

constexpr unsigned kStringsPerBlock = 16;
constexpr std::int32_t kMaxStringId = 65535;

std::uint16_t ReadStringIdentifier(TRCParser& parser, const std::string& token) {
  std::int32_t value = ConvertToInteger(token);
  // Outside 0..65535 an identifier would wrap into another string's slot.
  if (value < 0 || value > kMaxStringId)
    ReportError(parser, 86, {token});  // A number in range 0..65535 expected instead %s
  return static_cast<std::uint16_t>(value);
}

// A number the lanes read; one out of range fails as its text does.
std::uint16_t ReadStringIdentifier(TRCParser& parser, const TCommonToken& number) {
  if (number.value > kMaxStringId) return ReadStringIdentifier(parser, CommonTokenText(number));
  return static_cast<std::uint16_t>(number.value);
}

std::string PaddedIdentifier(std::uint16_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "%12u", static_cast<unsigned>(id));
  return text;
}

using TEntryIterator = std::vector<TStringEntry>::const_iterator;

// Writes the block of the string at `first` with every later string of the same block
// (the entries sorted by identifier); returns the first string of the next block. The
// texts are widened or copied straight into the image. A string of more than 65535 units
// cannot be counted here, but its block then exceeds the 65,535 bytes a resource may
// hold, so the compilation stops before any save. With `terminated` every string carries
// a zero unit, which its count includes.
TEntryIterator WriteStringBlock(TRCParser& parser, std::uint16_t languageId, const TStringTable& table,
                                TEntryIterator first) {
  TOutputBuffer& out = parser.output;
  std::size_t terminator = parser.options.nullTerminatedStrings ? 1 : 0;
  unsigned block = first->id / kStringsPerBlock;
  std::size_t dataSize = 2 * kStringsPerBlock;
  auto last = first;
  for (; last != table.entries.cend() && last->id / kStringsPerBlock == block; ++last)
    dataSize += 2 * (last->length + terminator);
  constexpr std::size_t kLargestData = 0xFFFF;
  const TStringAttributes& attributes = table.attributes[first->attributes];
  std::size_t headerStart = out.Position();
  WriteOrdinalsHeader(out, static_cast<std::uint32_t>(dataSize <= kLargestData ? dataSize : 0), kStringTableType,
                      static_cast<std::uint16_t>(block + 1), 0, attributes.memoryFlags, languageId, attributes.version,
                      attributes.characteristics);
  std::size_t dataStart = out.Position();
  out.Reserve(dataSize + 3);
  // The block is filled in one pass: each slot's count, then its units
  std::uint8_t* at = out.Extend(dataSize);
  auto putCount = [&at](std::size_t count) {
    at[0] = static_cast<std::uint8_t>(count & 0xFF);
    at[1] = static_cast<std::uint8_t>(count >> 8 & 0xFF);
    at += 2;
  };
  unsigned slot = 0;
  for (auto it = first; it != last; ++it) {
    for (; slot < it->id % kStringsPerBlock; ++slot) putCount(0);
    putCount(it->length + terminator);
    const char* text = table.texts.data() + it->offset;
    if (it->wide) {
      std::memcpy(at, text, 2 * std::size_t{it->length});
      at += 2 * std::size_t{it->length};
    } else {
      at = WidenAscii(at, {text, it->length});
    }
    if (terminator != 0) putCount(0);
    ++slot;
  }
  for (; slot < kStringsPerBlock; ++slot) putCount(0);
  if (dataSize > kLargestData) {  // fails, naming the block
    char language[8];
    std::snprintf(language, sizeof language, "%04X", static_cast<unsigned>(languageId));
    PatchResourceDataSize(
        parser, headerStart, dataStart,
        "STRINGTABLE " + std::to_string(block + 1) + " (strings " + std::to_string(block * kStringsPerBlock) + " to " +
            std::to_string(block * kStringsPerBlock + kStringsPerBlock - 1) + ", language 0x" + language + ")");
  }
  PadToDword(out);
  return last;
}

// A table's texts are kept until the end of input: ASCII text, the commonest, one byte a
// character, other text two bytes a UTF-16 unit. Room for two bytes of text for each of
// the script's bytes, and for its entries, is reserved at once (pages are only taken as
// they are written), rather than copied over and over as the table grows.
constexpr std::size_t kReservedTexts = 256 * 1024;
constexpr std::size_t kShortestEntry = 16;  // script bytes of a typical short entry, for the entries' room

void ReserveTexts(TRCParser& parser, TStringTable& table) {
  if (parser.stringRoomReserved || parser.currentFile == nullptr || parser.currentFile->text.size() < kReservedTexts)
    return;
  // Only once: a script translated into fifty languages would otherwise hold fifty times
  // its size, each table touching large pages of its own.
  parser.stringRoomReserved = true;
  table.texts.reserve(2 * parser.currentFile->text.size());
  AdviseLargePages(table.texts.data(), table.texts.capacity());
  table.entries.reserve(parser.currentFile->text.size() / kShortestEntry);
  AdviseLargePages(table.entries.data(), table.entries.capacity() * sizeof(TStringEntry));
}

// Marks `id` as present; false when it already was.
bool MarkPresent(TStringTable& table, std::uint16_t id) {
  std::uint64_t bit = std::uint64_t{1} << (id % 64);
  std::uint64_t& word = table.present[id / 64];
  if (word & bit) return false;
  word |= bit;
  return true;
}

// Adds the text between a literal's quotes to the table's pool, converted now: the
// character set in force may change before the end of input. `ascii` tells text known
// to be ASCII.
void AddText(const TRCParser& parser, TStringTable& table, std::string_view text, bool ascii, TStringEntry& entry) {
  entry.offset = static_cast<std::uint32_t>(table.texts.size());
  if (ascii || IsAsciiText(text)) {
    table.texts.append(text);
    entry.length = static_cast<std::uint32_t>(text.size());
    return;
  }
  std::u16string units = ScriptTextToUtf16(parser, text);
  AppendUtf16LE(table.texts, units);
  entry.length = static_cast<std::uint32_t>(units.size());
  entry.wide = true;
}

// Marks `id` present in the table: the one test that refuses a string identifier used
// again.
void MarkNewString(TRCParser& parser, TStringTable& table, std::uint16_t id) {
  if (!MarkPresent(table, id))
    ReportError(parser, 14, {PaddedIdentifier(id)});  // string with the identifier %s already exists
}

// The table and the attributes the lanes' entries go to (TakeStringEntries).
struct TLaneEntries {
  TStringTable& table;
  std::uint32_t attributes;

  // An entry whose text the lane has appended to the pool; one whose id is present
  // already is left to the layers, which refuse it where it stands.
  static bool Add(void* context, std::uint16_t id, std::size_t textStart) {
    auto& to = *static_cast<TLaneEntries*>(context);
    if (!MarkPresent(to.table, id)) return false;
    std::vector<TStringEntry>& entries = to.table.entries;
    if (entries.size() == entries.capacity()) [[unlikely]]
      return Grow(to, id, textStart);
    entries.push_back(to.Entry(id, textStart));
    return true;
  }

  TStringEntry Entry(std::uint16_t id, std::size_t textStart) const {
    TStringEntry entry;
    entry.offset = static_cast<std::uint32_t>(textStart);
    entry.length = static_cast<std::uint32_t>(table.texts.size() - textStart);
    entry.attributes = attributes;
    entry.id = id;
    return entry;
  }

  // Add when the entries need more room: kept apart, so that the common add saves no
  // registers for it.
  [[gnu::noinline]] static bool Grow(TLaneEntries& to, std::uint16_t id, std::size_t textStart) {
    to.table.entries.push_back(to.Entry(id, textStart));
    return true;
  }
};

}  // namespace

// string-table := {memory-flag} {optional-statement} "{" {id [","] "text" {","}} "}"
void CompileStringTable(TRCParser& parser) {
  std::int32_t flags = kDiscardableFlags;
  std::string token = ParseOptionalStatements(parser, ParseMemoryFlags(parser, flags));
  if (token != "{") ReportError(parser, 12);  // "{" or BEGIN expected
  std::uint16_t languageId = StatementLanguageId(parser);
  TStringAttributes attributes{static_cast<std::uint16_t>(flags), static_cast<std::uint32_t>(parser.version),
                               static_cast<std::uint32_t>(parser.characteristics)};
  TStringTable& table = parser.stringTableEntries[languageId];
  if (parser.warnings) NoteStringTable(parser, languageId);
  if (table.texts.capacity() < kReservedTexts) ReserveTexts(parser, table);
  if (table.attributes.empty() || table.attributes.back().memoryFlags != attributes.memoryFlags ||
      table.attributes.back().version != attributes.version ||
      table.attributes.back().characteristics != attributes.characteristics)
    table.attributes.push_back(attributes);
  auto attributesIndex = static_cast<std::uint32_t>(table.attributes.size() - 1);
  std::string decoded;  // a token the layers read
  TLaneEntries laneEntries{table, attributesIndex};
  const TStringEntrySink sink{table.texts, &TLaneEntries::Add, &laneEntries};
  for (;;) {
    // The commonest entries come from the lanes, many at a time
    if (TakeStringEntries(parser, sink) != 0) continue;
    // Plain numbers and literals, most entries, come as views without text
    TCommonToken common;
    bool isCommon = SkipCommasToCommon(parser, common, token);
    if (isCommon ? common.text == "}" : token == "}") break;
    if (!isCommon && token.empty()) ReportError(parser, 9);  // "}" or END expected
    std::uint16_t id = isCommon && common.kind == TCommonKind::Number
                           ? ReadStringIdentifier(parser, common)
                           : ReadStringIdentifier(parser, isCommon ? CommonTokenText(common) : token);
    std::string_view text;  // between the quotes, decoded
    bool plain = false;     // ASCII
    if (!SkipCommasToCommon(parser, common, decoded)) {
      text = decoded;
    } else if (common.kind == TCommonKind::Literal) {
      text = common.text;
      plain = true;
    } else {
      decoded = CommonTokenText(common);
      text = decoded;
    }
    if (text.empty()) ReportError(parser, 9);                          // "}" or END expected
    if (text[0] != '"') ReportError(parser, 13, {std::string(text)});  // Double quoted string expected but got %s
    text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string_view{};
    MarkNewString(parser, table, id);
    TStringEntry entry;
    entry.id = id;
    entry.attributes = attributesIndex;
    AddText(parser, table, text, plain, entry);
    table.entries.push_back(entry);
  }
}

void WriteStringTables(TRCParser& parser) {
  // Room for every block at once: a large image is then mapped in large pages from the start.
  constexpr std::size_t kBlockRoom = 32 + 2 * kStringsPerBlock + 3;  // header, empty slots, padding
  std::size_t terminator = parser.options.nullTerminatedStrings ? 1 : 0;
  std::size_t blocksSize = 0;
  auto byId = [](const TStringEntry& a, const TStringEntry& b) { return a.id < b.id; };
  for (auto& [languageId, table] : parser.stringTableEntries) {
    if (!std::is_sorted(table.entries.begin(), table.entries.end(), byId))  // scripts mostly number in order
      std::sort(table.entries.begin(), table.entries.end(), byId);
    unsigned block = kMaxStringId + 1;  // none
    for (const TStringEntry& entry : table.entries) {
      if (entry.id / kStringsPerBlock != block) blocksSize += kBlockRoom;
      block = entry.id / kStringsPerBlock;
      blocksSize += 2 * (entry.length + terminator);
    }
  }
  parser.output.Reserve(blocksSize);
  for (auto& [languageId, table] : parser.stringTableEntries) {
    auto it = table.entries.cbegin();
    while (it != table.entries.cend()) it = WriteStringBlock(parser, languageId, table, it);
  }
}

}  // namespace tarvex
