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

#include "data/resource_types.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/diagnostics.h"
#include "reader/large_pages.h"
#include "reader/parser.h"
#include "reader/utf16.h"
#include "statements/resource.h"

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

// A string of more than 65535 units cannot be counted here, but its block then exceeds
// the 65,535 bytes PatchResourceDataSize accepts, so the compilation stops before any save.
// With `terminated` the string carries a zero unit, which its count includes.
void WriteStringEntry(TOutputBuffer& out, const TStringTable& table, const TStringEntry& entry, bool terminated) {
  out.WriteU16(static_cast<std::uint16_t>(entry.length + (terminated ? 1 : 0)));
  out.WriteUtf16(table.units.data() + entry.offset, entry.length);
  if (terminated) out.WriteU16(0);
}

using TEntryIterator = std::vector<TStringEntry>::const_iterator;

// Writes the block of the string at `first` with every later string of the same block
// (the entries sorted by identifier); returns the first string of the next block.
TEntryIterator WriteStringBlock(TRCParser& parser, std::uint16_t languageId, const TStringTable& table,
                                TEntryIterator first) {
  TOutputBuffer& out = parser.output;
  bool terminated = parser.options.nullTerminatedStrings;
  unsigned block = first->id / kStringsPerBlock;
  const TStringEntry& lowest = *first;
  std::size_t headerStart = out.Position();
  WriteResourceHeader(out, 0, ToUtf16(std::to_string(kStringTableType)), ToUtf16(std::to_string(block + 1)), 0,
                      lowest.memoryFlags, languageId, lowest.version, lowest.characteristics);
  std::size_t dataStart = out.Position();
  unsigned slot = 0;
  auto it = first;
  for (; it != table.entries.cend() && it->id / kStringsPerBlock == block; ++it) {
    for (; slot < it->id % kStringsPerBlock; ++slot) out.WriteU16(0);
    WriteStringEntry(out, table, *it, terminated);
    ++slot;
  }
  for (; slot < kStringsPerBlock; ++slot) out.WriteU16(0);
  char language[8];
  std::snprintf(language, sizeof language, "%04X", static_cast<unsigned>(languageId));
  PatchResourceDataSize(
      parser, headerStart, dataStart,
      "STRINGTABLE " + std::to_string(block + 1) + " (strings " + std::to_string(block * kStringsPerBlock) + " to " +
          std::to_string(block * kStringsPerBlock + kStringsPerBlock - 1) + ", language 0x" + language + ")");
  return it;
}

// A table's texts are kept until the end of input. Room for as many units as the
// script has bytes, and for its entries, is reserved at once (pages are only taken as they are written),
// rather than copied over and over as the table grows.
constexpr std::size_t kReservedUnits = 256 * 1024;
constexpr std::size_t kShortestEntry = 16;  // script bytes of a typical short entry, for the entries' room

void ReserveUnits(const TRCParser& parser, TStringTable& table) {
  if (parser.currentFile == nullptr || parser.currentFile->text.size() < kReservedUnits) return;
  table.units.reserve(parser.currentFile->text.size());
  AdviseLargePages(table.units.data(), table.units.capacity() * sizeof(char16_t));
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

}  // namespace

// string-table := {memory-flag} {optional-statement} "{" {id [","] "text" {","}} "}"
void CompileStringTable(TRCParser& parser) {
  std::int32_t flags = kDiscardableFlags;
  std::string token = ParseOptionalStatements(parser, ParseMemoryFlags(parser, flags));
  if (token != "{") ReportError(parser, 12);  // "{" or BEGIN expected
  std::uint16_t languageId = StatementLanguageId(parser);
  // Plain numbers and literals, most entries, come as views without text
  TCommonToken common;
  bool isCommon = SkipCommasToCommon(parser, common, token);
  while (isCommon ? common.text != "}" : token != "}") {
    if (!isCommon && token.empty()) ReportError(parser, 9);  // "}" or END expected
    std::uint16_t id = isCommon && common.kind == TCommonKind::Number
                           ? ReadStringIdentifier(parser, common)
                           : ReadStringIdentifier(parser, isCommon ? CommonTokenText(common) : token);
    std::string text;
    std::string_view quoted;
    if (!SkipCommasToCommon(parser, common, text)) {
      quoted = text;
    } else if (common.kind == TCommonKind::Literal) {
      quoted = common.text;
    } else {
      text = CommonTokenText(common);
      quoted = text;
    }
    if (quoted.empty()) ReportError(parser, 9);                            // "}" or END expected
    if (quoted[0] != '"') ReportError(parser, 13, {std::string(quoted)});  // Double quoted string expected but got %s
    TStringTable& table = parser.stringTableEntries[languageId];
    if (table.units.capacity() < kReservedUnits) ReserveUnits(parser, table);
    if (!MarkPresent(table, id))
      ReportError(parser, 14, {PaddedIdentifier(id)});  // string with the identifier %s already exists
    // Converted now: the character set in force may change before the end of input.
    std::size_t offset = table.units.size();
    AppendScriptTextUtf16(parser, quoted.size() >= 2 ? quoted.substr(1, quoted.size() - 2) : "", table.units);
    TStringEntry entry;
    entry.id = id;
    entry.memoryFlags = static_cast<std::uint16_t>(flags);
    entry.version = static_cast<std::uint32_t>(parser.version);
    entry.characteristics = static_cast<std::uint32_t>(parser.characteristics);
    entry.offset = static_cast<std::uint32_t>(offset);
    entry.length = static_cast<std::uint32_t>(table.units.size() - offset);
    table.entries.push_back(entry);
    isCommon = SkipCommasToCommon(parser, common, token);
  }
}

void WriteStringTables(TRCParser& parser) {
  for (auto& [languageId, table] : parser.stringTableEntries) {
    auto byId = [](const TStringEntry& a, const TStringEntry& b) { return a.id < b.id; };
    if (!std::is_sorted(table.entries.begin(), table.entries.end(), byId))  // scripts mostly number in order
      std::sort(table.entries.begin(), table.entries.end(), byId);
    auto it = table.entries.cbegin();
    while (it != table.entries.cend()) it = WriteStringBlock(parser, languageId, table, it);
  }
}

}  // namespace tarvex
