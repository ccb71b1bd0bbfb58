// Extended menus, as the extended menu template. The data is an 8-byte header and then
// one record per entry in document order, each starting on a 4-byte boundary:
//   header:  version (u16) 1, offset (u16) 4 from the end of this field to the first
//            record, the menu's help id (u32) 0
//   item:    type (u32), state (u32), id (u32), flags (u16), text (UTF-16,
//            zero-terminated), zero padding to the next 4-byte boundary
//   pop-up:  an item with flag 0x01, then its help id (u32) and directly the records of
//            its children
// The last record of every level (the menu itself and each pop-up) carries flag 0x80.
// As in standard menus, a level's last record is known only at its closing brace, so
// each level remembers where the flags word of its last record is and sets the bit then.
//
// The script gives an entry's numbers in the order id, type, state, help id, separated
// by commas: an empty place between two commas is 0, and so are places left out at the
// end.
#include "statements/menu_ex.h"

#include <array>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "data/resource_types.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/source_index.h"
#include "reader/utf16.h"
#include "reader/warning_collector.h"
#include "statements/resource.h"
#include "statements/warning_checks.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kTemplateVersion = 1;
constexpr std::uint16_t kFirstRecordOffset = 4;  // the menu's help id stands between
constexpr std::uint16_t kPopupFlag = 0x01;
constexpr std::uint16_t kEndFlag = 0x80;
constexpr std::uint32_t kSeparatorType = 0x800;  // MFT_SEPARATOR
constexpr std::size_t kFlagsOffset = 12;         // type, state and id come first
constexpr std::size_t kTextOffset = 14;          // and the flags
// Far beyond any real menu, and far below what would exhaust the stack.
constexpr int kMaxPopupDepth = 1000;

// The places of an entry's numbers, in script order. MENUITEM has the first three.
enum TNumberPlace : std::size_t { kId, kType, kState, kHelpId, kPlaceCount };
constexpr std::size_t kItemPlaces = kHelpId;

struct TMenuExRecord {
  std::u16string text;
  std::array<std::uint32_t, kPlaceCount> numbers{};
};

// Where the last record of one level starts, and the number the mnemonic check gave the
// level (NoteMenuText).
struct TMenuExLevel {
  bool hasRecord = false;
  std::size_t lastRecord = 0;
  std::uint32_t mnemonicLevel = 0;

  void Remember(std::size_t position) {
    hasRecord = true;
    lastRecord = position;
  }
};

void ParseMenuExLevel(TRCParser& parser, int depth);

bool StartsNumber(std::string_view token) { return !token.empty() && (IsDigit(token[0]) || token[0] == '-'); }

// What may follow the numbers of an entry (upper-cased): the next entry, a level's
// braces, or the end of input.
bool EndsNumbers(std::string_view keyword) {
  return keyword.empty() || keyword == "MENUITEM" || keyword == "POPUP" || keyword == "{" || keyword == "}";
}

std::string Unquoted(const std::string& token) { return token.size() >= 2 ? token.substr(1, token.size() - 2) : ""; }

[[noreturn]] void RaiseLocated(TRCParser& parser, const std::string& text) { ReportLocatedFailure(parser, text); }

[[noreturn]] void ReportTooManyNumbers(TRCParser& parser, std::size_t places) {
  RaiseLocated(parser, places == kItemPlaces ? "MENUITEM takes at most 3 numbers: id, type and state"
                                             : "POPUP takes at most 4 numbers: id, type, state and help id");
}

[[noreturn]] void ReportBadLevelEntry(TRCParser& parser, int depth, bool closed) {
  if (depth == 0 && closed) ReportError(parser, 80);  // MENU shall have at least one item
  if (depth == 0) ReportError(parser, 81);            // MENUITEM or POPUP keywords expected
  if (closed) ReportError(parser, 79);                // POPUP menu shall have at least one item
  ReportError(parser, 77);                            // POPUP menu resource not terminated
}

// A number place holds 32 bits; a negative value is kept as its two's complement.
std::uint32_t ReadDword(TRCParser& parser, const std::string& token) {
  std::int64_t value = 0;
  if (!StartsNumber(token) || !DecimalTokenValue(token, value) || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::uint32_t>::max())
    ReportError(parser, 97, {token});  // DWORD value expected but got %s
  return static_cast<std::uint32_t>(value);
}

// numbers := [[","] place {"," place}]; place := [number]
// `token` is the first token after the entry's text; returns the first token after the
// numbers. Every comma opens one more place, so at most places.size() places are read.
std::string ReadNumbers(TRCParser& parser, std::string token, std::span<std::uint32_t> places) {
  bool opened = token == ",";
  if (opened) token = GetToken(parser);
  for (std::size_t place = 0;; ++place) {
    bool number = StartsNumber(token);
    if (!opened && !number) return token;
    if (place == places.size()) ReportTooManyNumbers(parser, places.size());
    if (number) {
      places[place] = ReadDword(parser, token);
      token = GetToken(parser);
    } else if (token != ",") {
      // An empty place at the end, unless something else than the entry's end stands there.
      if (!EndsNumbers(UpperCase(token))) ReportError(parser, 97, {token});  // DWORD value expected but got %s
      return token;
    }
    if (token != ",") return token;
    token = GetToken(parser);
    opened = true;
  }
}

// Records start on 4-byte boundaries of the data; the data itself starts on one in the
// file, so padding the output position pads the record.
void WriteRecord(TOutputBuffer& out, const TMenuExRecord& record, bool popup) {
  out.WriteU32(record.numbers[kType]);
  out.WriteU32(record.numbers[kState]);
  out.WriteU32(record.numbers[kId]);
  out.WriteU16(popup ? kPopupFlag : 0);
  for (char16_t unit : record.text) out.WriteU16(unit);
  out.WriteU16(0);
  PadToDword(out);
  if (popup) out.WriteU32(record.numbers[kHelpId]);
}

// Writes the record of an entry on `level`, its text noted for the mnemonic check (a
// separator has no mnemonic).
void WriteEntry(TRCParser& parser, const TMenuExRecord& record, bool popup, TMenuExLevel& level) {
  if (!parser.warnings) return WriteRecord(parser.output, record, popup);
  std::size_t start = parser.output.Position();
  WriteRecord(parser.output, record, popup);
  if ((record.numbers[kType] & kSeparatorType) == 0) NoteMenuText(parser, level.mnemonicLevel, start + kTextOffset);
}

void SetEndFlag(TOutputBuffer& out, const TMenuExLevel& level) {
  std::size_t position = level.lastRecord + kFlagsOffset;
  TByteView bytes = out.Bytes();
  auto flags = static_cast<std::uint16_t>(bytes.at(position) | bytes.at(position + 1) << 8 | kEndFlag);
  std::size_t end = out.Position();
  out.Seek(position);
  out.WriteU16(flags);
  out.Seek(end);
}

// item := "text" numbers | SEPARATOR | number
// SEPARATOR is an item of type MFT_SEPARATOR; a number in place of the text (MENUITEM
// MFT_SEPARATOR, as dialog editors write it) is an item with an empty text and that
// number as its type. Returns the MENUITEM, POPUP or "}" after the item.
std::string ParseMenuExItem(TRCParser& parser, TMenuExLevel& level) {
  std::string token = SkipSeparators(parser, ",");
  TMenuExRecord record;
  std::string next;
  if (!token.empty() && token[0] == '"') {
    // Converted as read: a #pragma code_page among the numbers must not change it.
    record.text = ScriptTextToUtf16(parser, Unquoted(token));
    next = ReadNumbers(parser, GetToken(parser), std::span(record.numbers).first(kItemPlaces));
  } else if (StartsNumber(token)) {
    record.numbers[kType] = ReadDword(parser, token);
    next = SkipSeparators(parser, ",");
  } else if (UpperCase(token) == "SEPARATOR") {
    record.numbers[kType] = kSeparatorType;
    next = SkipSeparators(parser, ",");
  } else {
    ReportError(parser, 73);  // Double quoted string or SEPARATOR expected
  }
  std::string keyword = UpperCase(next);
  if (keyword.empty()) ReportError(parser, 75);  // MENU resource not terminated
  if (keyword != "MENUITEM" && keyword != "POPUP" && keyword != "}")
    ReportError(parser, 76, {keyword});  // Unknown keyword %s
  WriteEntry(parser, record, false, level);
  return next;
}

// popup := ("text" | SEPARATOR) numbers "{" level
void ParseMenuExPopup(TRCParser& parser, int depth, TMenuExLevel& parent) {
  if (depth > kMaxPopupDepth)
    RaiseLocated(parser, "POPUP menus nested more than " + std::to_string(kMaxPopupDepth) + " levels deep");
  std::string token = SkipSeparators(parser, ",");
  bool quoted = !token.empty() && token[0] == '"';
  if (!quoted && UpperCase(token) != "SEPARATOR")
    ReportError(parser, 73);  // Double quoted string or SEPARATOR expected
  TMenuExRecord record;
  if (quoted) record.text = ScriptTextToUtf16(parser, Unquoted(token));
  std::string next = UpperCase(ReadNumbers(parser, GetToken(parser), record.numbers));
  if (next.empty()) ReportError(parser, 77);         // POPUP menu resource not terminated
  if (next != "{") ReportError(parser, 78, {next});  // Unknown keyword %s encountered in POPUP menu resource
  WriteEntry(parser, record, true, parent);
  ParseMenuExLevel(parser, depth);
}

// level := {MENUITEM item | POPUP popup} "}"   (at least one entry; depth 0 is the menu)
void ParseMenuExLevel(TRCParser& parser, int depth) {
  TMenuExLevel level;
  std::string token = SkipSeparators(parser, ",");
  for (;;) {
    std::string keyword = UpperCase(token);
    if (parser.options.index && keyword != "}") IndexItem(parser, keyword, depth);
    if (keyword == "MENUITEM") {
      if (parser.warnings) NoteItemPlace(parser);
      level.Remember(parser.output.Position());
      token = ParseMenuExItem(parser, level);
    } else if (keyword == "POPUP") {
      if (parser.warnings) NoteItemPlace(parser);
      level.Remember(parser.output.Position());
      ParseMenuExPopup(parser, depth + 1, level);
      token = SkipSeparators(parser, ",");
    } else if (keyword == "}" && level.hasRecord) {
      break;
    } else {
      ReportBadLevelEntry(parser, depth, keyword == "}");
    }
  }
  SetEndFlag(parser.output, level);
}

// Writes the header, the template header and every record (the body's "{" already read).
void WriteMenuEx(TRCParser& parser, std::int32_t memoryFlags) {
  std::size_t headerStart = parser.output.Position();
  WriteStatementHeader(parser, 0, std::to_string(kMenuType), parser.resourceName, memoryFlags);
  std::size_t dataStart = parser.output.Position();
  parser.output.WriteU16(kTemplateVersion);
  parser.output.WriteU16(kFirstRecordOffset);
  parser.output.WriteU32(0);  // help id of the menu
  ParseMenuExLevel(parser, 0);
  PatchResourceDataSize(parser, headerStart, dataStart, StatementResource(parser));
  if (parser.warnings) CheckMenuWarnings(parser);
}

}  // namespace

// menuex := {memory-flag} {optional-statement} "{" level
void CompileMenuEx(TRCParser& parser) {
  std::int32_t flags = kDiscardableFlags;
  std::string token = ParseOptionalStatements(parser, ParseMemoryFlags(parser, flags));
  RegisterResource(parser);
  if (token != "{") ReportError(parser, 12);  // "{" or BEGIN expected
  WriteMenuEx(parser, flags);
}

}  // namespace tarvex
