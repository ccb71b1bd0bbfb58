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
#include "reader/source_index.h"
#include "reader/utf16.h"
#include "reader/warning_collector.h"
#include "statements/dialog_controls.h"
#include "statements/resource.h"
#include "statements/warning_checks.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kPopupFlag = 0x0010;
constexpr std::uint16_t kEndFlag = 0x0080;
constexpr std::size_t kItemTextOffset = 4;   // after the flags and the id (a separator's is empty)
constexpr std::size_t kPopupTextOffset = 2;  // after the flags
constexpr std::int64_t kMinCommandId = -32768;
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

// Where the last record of one level starts, and whether it is a pop-up; and the number
// the mnemonic check gave the level (NoteMenuText).
struct TMenuLevel {
  std::size_t lastRecord = 0;
  std::uint32_t mnemonicLevel = 0;
  bool hasRecord = false;
  bool lastIsPopup = false;

  void Remember(std::size_t position, bool popup) {
    hasRecord = true;
    lastRecord = position;
    lastIsPopup = popup;
  }
};

// The option bit of `keyword` (in any letter case), or -1 when it is no option.
std::int32_t OptionBit(std::string_view keyword) {
  for (const TMenuOption& option : kOptions)
    if (IsWord(keyword, option.keyword)) return option.bit;
  return -1;
}

// The end of input, MENUITEM, POPUP or "}".
bool EndsMenuItem(const TOperand& token) {
  std::string_view keyword = token.View();
  return token.IsEnd() || IsWord(keyword, "MENUITEM") || IsWord(keyword, "POPUP") || token.Is("}");
}

[[noreturn]] void ReportPopupsTooDeep(TRCParser& parser) {
  ReportLocatedFailure(parser, "POPUP menus nested more than " + std::to_string(kMaxPopupDepth) + " levels deep");
}

// An item's text, converted as it is read: ASCII reads the same in every character set
// and is written as it stands. One is kept for a whole menu, its storage reused.
struct TMenuText {
  std::string ascii;
  std::u16string units;
  bool isAscii = true;

  // The text of the quoted token `token`; `isPlain` tells one the lanes read, which is ASCII.
  void Read(TRCParser& parser, std::string_view token, bool isPlain) {
    ascii.assign(QuotedText(token));
    isAscii = isPlain || IsAsciiText(ascii);
    if (!isAscii) units = ScriptTextToUtf16(parser, ascii);
  }
  void Clear() {
    ascii.clear();
    isAscii = true;
  }
};

void ParsePopup(TRCParser& parser, int depth, TMenuText& text, TMenuLevel& parent);

void WriteMenuText(TOutputBuffer& out, const TMenuText& text) {
  if (text.isAscii)
    out.WriteWidened(text.ascii);
  else
    out.WriteUtf16(text.units.data(), text.units.size());
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

// A command id from -32768 to 65535. A negative id is written as its 16-bit pattern, as
// control ids are: editors' resource.h files define ids such as -32379, and -1 marks
// items that send no command.
std::uint16_t ReadCommandId(TRCParser& parser, const TOperand& token) {
  std::int64_t value = kMinCommandId - 1;
  if (token.isValue) {
    value = token.value;
  } else if (std::string_view text = token.View();
             !text.empty() && (IsDigit(text[0]) || text[0] == '-') && !DecimalTokenValue(text, value)) {
    value = ConvertToInteger(text);
  }
  if (value < kMinCommandId || value > kMaxCommandId) ReportError(parser, 74);  // Number in range 0..65535 expected
  return static_cast<std::uint16_t>(value);
}

// options := {[","] option}; leaves the MENUITEM, POPUP or "}" that ends them in `token`.
// `token` is the id: when the lanes read it, a name right after it is taken at once.
void ReadItemOptions(TRCParser& parser, std::uint16_t& flags, TOperand& token) {
  for (bool afterId = token.isValue;; afterId = false) {
    if (!afterId || !TakeNameAfterRun(parser, token)) ReadCommaOperand(parser, token);
    if (token.IsEnd()) ReportError(parser, 75);  // MENU resource not terminated
    if (EndsMenuItem(token)) return;
    std::int32_t bit = OptionBit(token.View());
    if (bit < 0) ReportError(parser, 76, {UpperCase(token.Text())});  // Unknown keyword %s
    flags = static_cast<std::uint16_t>(flags | bit);
  }
}

// item := SEPARATOR | "" | "text" [","] id {[","] option}
// Dialog editors write an empty text followed by an id for items whose text the program
// sets: that is a plain item; "" alone stays a separator. Leaves the token after the item
// in `token`.
void ParseMenuItem(TRCParser& parser, TOperand& token, TMenuText& text) {
  ReadCommaOperand(parser, token);
  if (token.IsEnd()) ReportError(parser, 73);  // Double quoted string or SEPARATOR expected
  if (!IsQuoted(token.View())) {
    if (!IsWord(token.View(), "SEPARATOR")) ReportError(parser, 73);  // Double quoted string or SEPARATOR expected
    WriteSeparator(parser.output);
    return ReadCommaOperand(parser, token);
  }
  // Converted as read: a #pragma code_page among the options must not change it.
  text.Read(parser, token.View(), token.isView);
  bool isEmpty = token.View().size() == 2;
  ReadCommaOperand(parser, token);
  if (isEmpty && EndsMenuItem(token)) return WriteSeparator(parser.output);
  std::uint16_t id = ReadCommandId(parser, token);
  std::uint16_t flags = 0;
  ReadItemOptions(parser, flags, token);
  parser.output.WriteU16(flags);
  parser.output.WriteU16(id);
  WriteMenuText(parser.output, text);
}

[[noreturn]] void ReportBadLevelEntry(TRCParser& parser, int depth, bool closed) {
  if (depth == 0 && closed) ReportError(parser, 80);  // MENU shall have at least one item
  if (depth == 0) ReportError(parser, 81);            // MENUITEM or POPUP keywords expected
  if (closed) ReportError(parser, 79);                // POPUP menu shall have at least one item
  ReportError(parser, 77);                            // POPUP menu resource not terminated
}

// level := {MENUITEM item | POPUP popup} "}"   (at least one entry; depth 0 is the menu)
void ParseMenuLevel(TRCParser& parser, int depth, TMenuText& text) {
  TMenuLevel level;
  TOperand token;
  const bool noting = parser.warnings != nullptr;
  ReadCommaOperand(parser, token);
  for (;;) {
    if (parser.options.index && !token.Is("}")) IndexItem(parser, token.View(), depth);
    if (IsWord(token.View(), "MENUITEM")) {
      if (noting) NoteItemPlace(parser);
      level.Remember(parser.output.Position(), false);
      ParseMenuItem(parser, token, text);
      if (noting) NoteMenuText(parser, level.mnemonicLevel, level.lastRecord + kItemTextOffset);
    } else if (IsWord(token.View(), "POPUP")) {
      if (noting) NoteItemPlace(parser);
      level.Remember(parser.output.Position(), true);
      ParsePopup(parser, depth + 1, text, level);
      ReadCommaOperand(parser, token);
    } else if (token.Is("}") && level.hasRecord) {
      break;
    } else {
      ReportBadLevelEntry(parser, depth, token.Is("}"));
    }
  }
  SetEndFlag(parser.output, level);
}

// popup := ("text" | SEPARATOR) {[","] option} "{" level
void ParsePopup(TRCParser& parser, int depth, TMenuText& text, TMenuLevel& parent) {
  if (depth > kMaxPopupDepth) ReportPopupsTooDeep(parser);
  TOperand token;
  ReadCommaOperand(parser, token);
  bool quoted = IsQuoted(token.View());
  if (!quoted && !IsWord(token.View(), "SEPARATOR")) ReportError(parser, 73);
  // Double quoted string or SEPARATOR expected
  if (quoted)
    text.Read(parser, token.View(), token.isView);
  else
    text.Clear();
  std::uint16_t flags = kPopupFlag;
  for (;;) {
    ReadCommaOperand(parser, token);
    if (token.IsEnd()) ReportError(parser, 77);  // POPUP menu resource not terminated
    if (token.Is("{")) break;
    std::int32_t bit = OptionBit(token.View());
    if (bit < 0) ReportError(parser, 78, {UpperCase(token.Text())});
    // Unknown keyword %s encountered in POPUP menu resource
    flags = static_cast<std::uint16_t>(flags | bit);
  }
  parser.output.WriteU16(flags);
  WriteMenuText(parser.output, text);
  if (parser.warnings) NoteMenuText(parser, parent.mnemonicLevel, parent.lastRecord + kPopupTextOffset);
  ParseMenuLevel(parser, depth, text);
}

// Writes the header, the menu header and every record of the body (its "{" already read).
void WriteMenu(TRCParser& parser, std::int32_t memoryFlags) {
  std::size_t headerStart = parser.output.Position();
  WriteStatementHeader(parser, 0, std::to_string(kMenuType), parser.resourceName, memoryFlags);
  std::size_t dataStart = parser.output.Position();
  parser.output.WriteU16(0);  // version
  parser.output.WriteU16(0);  // header size
  TMenuText text;
  ParseMenuLevel(parser, 0, text);
  PatchResourceDataSize(parser, headerStart, dataStart, StatementResource(parser));
  if (parser.warnings) CheckMenuWarnings(parser);
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
