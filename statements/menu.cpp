// Menus, as the standard menu template. The data is a 4-byte header (version 0, header
// size 0) and then one record per entry in document order, with no padding:
//   plain item: flags (u16), command id (u16), text (UTF-16, zero-terminated)
//   separator:  a plain item whose flags, id and text are all empty (six zero bytes)
//   pop-up:     flags (u16, with 0x10), text (UTF-16, zero-terminated), then directly
//               the records of its children
// The last record of every level (the menu itself and each pop-up) carries 0x80, which
// is how Windows finds where a level ends. A level's last record is known only at its
// closing brace, so each level remembers where its last record starts and sets the flag
// in that record's flags word afterwards.
#include "statements/menu.h"

#include <array>
#include <string_view>

#include "data/resource_types.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/utf16.h"
#include "statements/resource.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kPopupFlag = 0x0010;
constexpr std::uint16_t kEndFlag = 0x0080;
constexpr std::int64_t kMaxCommandId = 0xFFFF;
// Far beyond any real menu, and far below what would exhaust the stack.
constexpr int kMaxPopupDepth = 1000;

struct TMenuOption {
  std::string_view keyword;
  std::uint16_t bit;
};

constexpr std::array<TMenuOption, 6> kOptions{{
    {"GRAYED", 0x0001},
    {"INACTIVE", 0x0002},
    {"CHECKED", 0x0008},
    {"MENUBARBREAK", 0x0020},
    {"MENUBREAK", 0x0040},
    {"HELP", 0x4000},
}};

// Where the last record of one level starts, and whether it is a pop-up.
struct TMenuLevel {
  bool hasRecord = false;
  std::size_t lastRecord = 0;
  bool lastIsPopup = false;

  void Remember(std::size_t position, bool popup) {
    hasRecord = true;
    lastRecord = position;
    lastIsPopup = popup;
  }
};

void ParsePopup(TRCParser& parser, int depth);

// The option bit of `keyword` (in any letter case), or -1 when it is no option.
std::int32_t OptionBit(std::string_view keyword) {
  for (const TMenuOption& option : kOptions)
    if (IsWord(keyword, option.keyword)) return option.bit;
  return -1;
}

bool EndsMenuItem(std::string_view keyword) {
  return keyword.empty() || IsWord(keyword, "MENUITEM") || IsWord(keyword, "POPUP") || keyword == "}";
}

std::string Unquoted(const std::string& token) { return token.size() >= 2 ? token.substr(1, token.size() - 2) : ""; }

[[noreturn]] void ReportPopupsTooDeep(TRCParser& parser) {
  ReportLocatedFailure(parser, "POPUP menus nested more than " + std::to_string(kMaxPopupDepth) + " levels deep");
}

void WriteMenuText(TOutputBuffer& out, std::u16string_view text) {
  for (char16_t unit : text) out.WriteU16(unit);
  out.WriteU16(0);
}

// An item's text, converted as it is read: ASCII reads the same in every character set
// and is written as it stands.
struct TMenuText {
  std::string ascii;
  std::u16string units;
  bool isAscii = false;
};

TMenuText ReadMenuText(TRCParser& parser, const std::string& token) {
  TMenuText text;
  text.ascii = Unquoted(token);
  text.isAscii = IsAsciiText(text.ascii);
  if (!text.isAscii) text.units = ScriptTextToUtf16(parser, text.ascii);
  return text;
}

void WriteMenuText(TOutputBuffer& out, const TMenuText& text) {
  if (!text.isAscii) return WriteMenuText(out, text.units);
  out.WriteWidened(text.ascii);
  out.WriteU16(0);
}

void WriteSeparator(TOutputBuffer& out) {
  out.WriteU16(0);
  out.WriteU16(0);
  out.WriteU16(0);
}

// ORs the end flag (with the pop-up bit for a pop-up) into the level's last record.
void SetEndFlag(TOutputBuffer& out, const TMenuLevel& level) {
  TByteView bytes = out.Bytes();
  auto flags = static_cast<std::uint16_t>(bytes.at(level.lastRecord) | bytes.at(level.lastRecord + 1) << 8);
  flags = static_cast<std::uint16_t>(flags | kEndFlag | (level.lastIsPopup ? kPopupFlag : 0));
  std::size_t end = out.Position();
  out.Seek(level.lastRecord);
  out.WriteU16(flags);
  out.Seek(end);
}

std::uint16_t ReadCommandId(TRCParser& parser, const std::string& token) {
  std::int64_t value = -1;
  if (!token.empty() && IsDigit(token[0]) && !DecimalTokenValue(token, value)) value = ConvertToInteger(token);
  if (value < 0 || value > kMaxCommandId) ReportError(parser, 74);  // Number in range 0..65535 expected
  return static_cast<std::uint16_t>(value);
}

// options := {[","] option}; returns the MENUITEM, POPUP or "}" that ends them.
std::string ReadItemOptions(TRCParser& parser, std::uint16_t& flags) {
  for (;;) {
    std::string token = SkipSeparators(parser, ",");
    if (token.empty()) ReportError(parser, 75);  // MENU resource not terminated
    if (EndsMenuItem(token)) return token;
    std::int32_t bit = OptionBit(token);
    if (bit < 0) ReportError(parser, 76, {UpperCase(token)});  // Unknown keyword %s
    flags = static_cast<std::uint16_t>(flags | bit);
  }
}

// item := SEPARATOR | "" | "text" [","] id {[","] option}
// Dialog editors write an empty text followed by an id for items whose text the program
// sets: that is a plain item; "" alone stays a separator. Returns the token after the item.
std::string ParseMenuItem(TRCParser& parser) {
  std::string token = SkipSeparators(parser, ",");
  if (token.empty()) ReportError(parser, 73);  // Double quoted string or SEPARATOR expected
  if (token[0] != '"') {
    if (!IsWord(token, "SEPARATOR")) ReportError(parser, 73);  // Double quoted string or SEPARATOR expected
    WriteSeparator(parser.output);
    return SkipSeparators(parser, ",");
  }
  // Converted as read: a #pragma code_page among the options must not change it.
  TMenuText text = ReadMenuText(parser, token);
  std::string idToken = SkipSeparators(parser, ",");
  if (token == "\"\"" && EndsMenuItem(idToken)) {
    WriteSeparator(parser.output);
    return idToken;
  }
  std::uint16_t id = ReadCommandId(parser, idToken);
  std::uint16_t flags = 0;
  std::string next = ReadItemOptions(parser, flags);
  parser.output.WriteU16(flags);
  parser.output.WriteU16(id);
  WriteMenuText(parser.output, text);
  return next;
}

[[noreturn]] void ReportBadLevelEntry(TRCParser& parser, int depth, bool closed) {
  if (depth == 0 && closed) ReportError(parser, 80);  // MENU shall have at least one item
  if (depth == 0) ReportError(parser, 81);            // MENUITEM or POPUP keywords expected
  if (closed) ReportError(parser, 79);                // POPUP menu shall have at least one item
  ReportError(parser, 77);                            // POPUP menu resource not terminated
}

// level := {MENUITEM item | POPUP popup} "}"   (at least one entry; depth 0 is the menu)
void ParseMenuLevel(TRCParser& parser, int depth) {
  TMenuLevel level;
  std::string token = SkipSeparators(parser, ",");
  for (;;) {
    if (IsWord(token, "MENUITEM")) {
      level.Remember(parser.output.Position(), false);
      token = ParseMenuItem(parser);
    } else if (IsWord(token, "POPUP")) {
      level.Remember(parser.output.Position(), true);
      ParsePopup(parser, depth + 1);
      token = SkipSeparators(parser, ",");
    } else if (token == "}" && level.hasRecord) {
      break;
    } else {
      ReportBadLevelEntry(parser, depth, token == "}");
    }
  }
  SetEndFlag(parser.output, level);
}

// popup := ("text" | SEPARATOR) {[","] option} "{" level
void ParsePopup(TRCParser& parser, int depth) {
  if (depth > kMaxPopupDepth) ReportPopupsTooDeep(parser);
  std::string token = SkipSeparators(parser, ",");
  bool quoted = !token.empty() && token[0] == '"';
  if (!quoted && !IsWord(token, "SEPARATOR")) ReportError(parser, 73);  // Double quoted string or SEPARATOR expected
  TMenuText text = quoted ? ReadMenuText(parser, token) : TMenuText{{}, {}, true};
  std::uint16_t flags = kPopupFlag;
  for (;;) {
    std::string keyword = UpperCase(SkipSeparators(parser, ","));
    if (keyword.empty()) ReportError(parser, 77);  // POPUP menu resource not terminated
    if (keyword == "{") break;
    std::int32_t bit = OptionBit(keyword);
    if (bit < 0) ReportError(parser, 78, {keyword});  // Unknown keyword %s encountered in POPUP menu resource
    flags = static_cast<std::uint16_t>(flags | bit);
  }
  parser.output.WriteU16(flags);
  WriteMenuText(parser.output, text);
  ParseMenuLevel(parser, depth);
}

// Writes the header, the menu header and every record of the body (its "{" already read).
void WriteMenu(TRCParser& parser, std::int32_t memoryFlags) {
  std::size_t headerStart = parser.output.Position();
  WriteStatementHeader(parser, 0, std::to_string(kMenuType), parser.resourceName, memoryFlags);
  std::size_t dataStart = parser.output.Position();
  parser.output.WriteU16(0);  // version
  parser.output.WriteU16(0);  // header size
  ParseMenuLevel(parser, 0);
  PatchResourceDataSize(parser, headerStart, dataStart, StatementResource(parser));
}

}  // namespace

// menu := {memory-flag} {optional-statement} "{" level
void CompileMenu(TRCParser& parser) {
  std::int32_t flags = kDiscardableFlags;
  std::string token = ParseOptionalStatements(parser, ParseMemoryFlags(parser, flags));
  RegisterResource(parser);
  if (token != "{") ReportError(parser, 12);  // "{" or BEGIN expected
  WriteMenu(parser, flags);
}

}  // namespace tarvex
