// Dialog templates. A DIALOG or DIALOGEX statement becomes one resource of type 5 whose
// data is the template Windows' dialog manager reads:
//
//   DIALOG    style(32) exStyle(32) count(16) x y cx cy(16 each)
//   DIALOGEX  version(16)=1 signature(16)=0xFFFF helpId(32) exStyle(32) style(32)
//             count(16) x y cx cy(16 each)
//   then      menu, class, caption (each 0xFFFF and an ordinal, or a UTF-16 text and
//             its zero; a lone zero when absent)
//   DS_SETFONT pointSize(16) [DIALOGEX: weight(16) italic(8) charset(8)] face; without
//             a character set the font asks for DEFAULT_CHARSET (1)
//   then      the items, each on a 4-byte boundary (dialog_controls.cpp)
//
// Nothing is written before the dialog statements have all been read. The head goes out
// with an item count of 0 and is written again over itself once "}" gives the count.
#include "statements/dialog.h"

#include <array>
#include <span>

#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/utf16.h"
#include "statements/dialog_controls.h"
#include "statements/resource.h"
#include "statements/warning_checks.h"

namespace tarvex {

namespace {

constexpr std::uint32_t kSetFont = 0x00000040;     // DS_SETFONT
constexpr std::uint32_t kCaptionBar = 0x00C00000;  // WS_CAPTION
constexpr std::int64_t kMaxByte = 0xFF;
constexpr std::int64_t kMaxWord = 0xFFFF;
constexpr std::uint8_t kDefaultCharset = 1;  // DEFAULT_CHARSET
constexpr char kDialogType[] = "5";

struct TDialogHead {
  TTemplateLayout layout = TTemplateLayout::Standard;
  std::uint32_t helpId = 0;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  TDialogName menu;
  TDialogName windowClass;
  std::string caption;
  bool hasCaption = false;
  bool hasFont = false;
  std::uint16_t fontSize = 0;
  std::uint16_t fontWeight = 0;
  std::uint8_t fontItalic = 0;
  std::uint8_t fontCharset = kDefaultCharset;
  std::string fontFace;
};

// A located error for the range of a FONT byte, which the catalogue has no message for.
[[noreturn]] void RaiseByteRange(TRCParser& parser, const std::string& token) {
  ReportLocatedFailure(parser, "A number in range 0..255 expected instead " + token);
}

std::uint8_t ReadByteOperand(TRCParser& parser, const TOperand& token) {
  std::int64_t value = OperandValue(token);
  if (value < 0 || value > kMaxByte) RaiseByteRange(parser, token.Text());
  return static_cast<std::uint8_t>(value);
}

// head := x [","] y [","] cx [","] cy [DIALOGEX: [","] help-id]; `first` is the token
// after the memory flags. Leaves the token after the head, read skipping commas, in
// `next`. Plain numbers no operand can refuse come as one run.
void ReadDialogHead(TRCParser& parser, std::string first, TDialogHead& head, TOperand& next) {
  head.x = ReadCoordinate(parser, std::move(first), 101);  // x coordinate (in dialog units) expected
  bool extended = head.layout == TTemplateLayout::Extended;
  std::array<TCommonToken, 4> run;
  std::size_t count = TakeCommonRun(parser, std::span(run).first(extended ? 4 : 3), NumbersUpTo(kMaxWord));
  // 102 to 104: y coordinate, width, height (in dialog units) expected
  std::array<std::int16_t, 3> coordinates;
  RunCoordinates(parser, run, count, 0, coordinates, 102);
  head.y = coordinates[0];
  head.width = coordinates[1];
  head.height = coordinates[2];
  if (count == 4) head.helpId = static_cast<std::uint32_t>(run[3].value);
  if (count >= 3 && TakeNameAfterRun(parser, next)) return;  // a statement's keyword or BEGIN
  if (count != 4) {
    ReadCommaOperand(parser, next);
    if (!extended || !next.StartsNumber()) return;
    head.helpId = ReadHelpId(parser, next);
  }
  ReadCommaOperand(parser, next);
}

// The operand of STYLE, EXSTYLE, CAPTION, MENU or CLASS; the end of input is message 12.
void ReadStatementOperand(TRCParser& parser, TOperand& token) {
  ReadTokenOperand(parser, token);
  if (token.IsEnd()) ReportError(parser, 12);  // "{" or BEGIN expected
}

std::uint32_t ReadDialogStyle(TRCParser& parser, TOperand& token) {
  // The commonest: a plain number, which no style refuses
  if (std::array<TCommonToken, 1> run; TakeCommonRun(parser, run, Operands(0, 0, true)) == 1) {
    TakeCommonOperand(run[0], token);
    return static_cast<std::uint32_t>(run[0].value);
  }
  ReadStatementOperand(parser, token);
  if (!token.StartsWithDigit()) ReportError(parser, 97, {token.Text()});  // DWORD value expected but got %s
  TStyleOperand style = ReadStyleOperand(parser, token);
  return style.bits & ~style.removed;
}

// name := "text" | number (0..65535) | word. A MENU word is upper-cased and read as a
// resource name is, so that it names the menu a statement of this script defined.
TDialogName ReadMenuOrClass(TRCParser& parser, bool isMenu) {
  TOperand token;
  ReadStatementOperand(parser, token);
  std::string_view text = token.View();
  if (IsQuoted(text)) return {false, 0, std::string(QuotedText(text))};
  if (token.StartsWithDigit()) return {true, ReadWordOperand(parser, token), {}};
  if (!IsWordStart(static_cast<unsigned char>(text[0]))) ReportError(parser, 106, {token.Text()});
  // Double quoted string or number expected but got %s
  if (!isMenu) return {false, 0, std::string(text)};
  std::string name = UpperCase(text);
  std::uint16_t ordinal = 0;
  if (IdentifierOrdinal(ToUtf16(name), ordinal)) return {true, ordinal, {}};
  return {false, 0, name};
}

// [[","] weight [[","] italic [[","] charset]]] after the face name. DIALOG reads them
// too but has no place for them. Leaves the token after them in `token`. Plain numbers
// none of them refuses come as runs: the weight, then the italic flag and character set.
void ReadFontAttributes(TRCParser& parser, TDialogHead& head, TOperand& token) {
  std::array<std::int64_t, 3> values{0, 0, kDefaultCharset};
  std::array<TCommonToken, 3> run;
  std::size_t count = TakeCommonRun(parser, std::span(run).first(1), NumbersUpTo(kMaxWord));
  if (count == 1) count += TakeCommonRun(parser, std::span(run).subspan(1), NumbersUpTo(kMaxByte));
  for (std::size_t i = 0; i < count; ++i) values[i] = run[i].value;
  if (count == 0 || !TakeNameAfterRun(parser, token)) ReadCommaOperand(parser, token);
  for (std::size_t i = count; i < values.size() && token.StartsWithDigit(); ++i) {
    values[i] = i == 0 ? ReadWordOperand(parser, token) : ReadByteOperand(parser, token);
    ReadCommaOperand(parser, token);
  }
  bool extended = head.layout == TTemplateLayout::Extended;
  head.fontWeight = extended ? static_cast<std::uint16_t>(values[0]) : 0;
  head.fontItalic = extended ? static_cast<std::uint8_t>(values[1]) : 0;
  head.fontCharset = extended ? static_cast<std::uint8_t>(values[2]) : 0;
}

// font := FONT size [","] "face" [font-attributes]; leaves the token after it in `token`.
void ReadFont(TRCParser& parser, TDialogHead& head, TOperand& token) {
  // The commonest: the size and the face as one run of plain items
  std::array<TCommonToken, 2> run;
  std::size_t count = TakeCommonRun(parser, run, Operands(RunItem(1), RunItem(0), true));
  if (count == 2) {
    head.fontSize = static_cast<std::uint16_t>(run[0].value);
    head.hasFont = true;
    head.fontFace = QuotedText(run[1].text);
    return ReadFontAttributes(parser, head, token);
  }
  if (count == 1)
    TakeCommonOperand(run[0], token);
  else
    ReadTokenOperand(parser, token);
  if (token.IsEnd()) ReportError(parser, 107);                             // Font size expected
  if (!token.StartsWithDigit()) ReportError(parser, 108, {token.Text()});  // Font size expected by got %s
  head.fontSize = ReadWordOperand(parser, token);
  ReadCommaOperand(parser, token);
  if (token.IsEnd()) ReportError(parser, 109);                            // Font name expected
  if (!IsQuoted(token.View())) ReportError(parser, 110, {token.Text()});  // Font name expected but got %s
  head.hasFont = true;
  head.fontFace = QuotedText(token.View());
  ReadFontAttributes(parser, head, token);
}

// dialog-statement := STYLE style | EXSTYLE style | CAPTION "text" | MENU name
//                   | CLASS name | font
// `token` is its keyword; leaves the token after the statement, read skipping commas, in
// `token`. A name right after a style or caption the lanes read is taken at once.
void ReadDialogStatement(TRCParser& parser, TOperand& token, TDialogHead& head) {
  std::string_view keyword = token.View();
  if (IsWord(keyword, "FONT")) return ReadFont(parser, head, token);
  bool afterRun = false;  // the operand came from a run, which may have found a name after it
  if (IsWord(keyword, "STYLE")) {
    head.style = ReadDialogStyle(parser, token);
    afterRun = token.isValue;
  } else if (IsWord(keyword, "EXSTYLE")) {
    head.exStyle = ReadDialogStyle(parser, token);
    afterRun = token.isValue;
  } else if (IsWord(keyword, "CAPTION")) {
    head.hasCaption = true;
    if (std::array<TCommonToken, 1> run; TakeCommonRun(parser, run, Operands(RunItem(0), 0, true)) == 1)
      TakeCommonOperand(run[0], token);  // the commonest: a plain literal
    else
      ReadStatementOperand(parser, token);
    if (!IsQuoted(token.View())) ReportError(parser, 13, {token.Text()});
    // Double quoted string expected but got %s
    head.caption = QuotedText(token.View());
    afterRun = token.isView;
  } else if (IsWord(keyword, "MENU")) {
    head.menu = ReadMenuOrClass(parser, true);
  } else if (IsWord(keyword, "CLASS")) {
    head.windowClass = ReadMenuOrClass(parser, false);
  } else {
    ReportError(parser, 111, {token.Text()});  // "{" or BEGIN expected but got %s
  }
  if (!afterRun || !TakeNameAfterRun(parser, token)) ReadCommaOperand(parser, token);
}

// ParseOptionalStatements at `token`. A token that starts none of them ends an empty
// list, as the empty token does, so only the reset is asked for and the token stays
// as read.
void ReadOptionalStatements(TRCParser& parser, TOperand& token) {
  static const std::string kNoStatement;
  std::string_view keyword = token.View();
  if (IsWord(keyword, "LANGUAGE") || IsWord(keyword, "CHARACTERISTICS") || IsWord(keyword, "VERSION")) {
    token = TOperand(ParseOptionalStatements(parser, std::string(keyword)));
  } else {
    ParseOptionalStatements(parser, kNoStatement);
  }
}

// Dialog statements and LANGUAGE/CHARACTERISTICS/VERSION in any order from `token` up
// to "{". Each pass starts the optional statements again from the defaults, so those of
// the last pass count: the ones after the last dialog statement, or else the ones right
// before it.
void ReadDialogStatements(TRCParser& parser, TOperand& token, TDialogHead& head) {
  while (!token.Is("{")) {
    ReadOptionalStatements(parser, token);
    if (token.IsEnd()) ReportError(parser, 12);  // "{" or BEGIN expected
    if (token.Is("{")) break;
    ReadDialogStatement(parser, token, head);
  }
}

// The head with an item count of 0; returns where the count stands.
std::size_t WriteTemplateHead(TOutputBuffer& out, const TDialogHead& head) {
  if (head.layout == TTemplateLayout::Extended) {
    out.WriteU16(1);       // version
    out.WriteU16(0xFFFF);  // signature
    out.WriteU32(head.helpId);
    out.WriteU32(head.exStyle);
    out.WriteU32(head.style);
  } else {
    out.WriteU32(head.style);
    out.WriteU32(head.exStyle);
  }
  std::size_t countAt = out.Position();
  out.WriteU16(0);
  for (std::int16_t value : {head.x, head.y, head.width, head.height}) out.WriteU16(static_cast<std::uint16_t>(value));
  return countAt;
}

void WriteTemplateTexts(TOutputBuffer& out, const TDialogHead& head, const TRCParser& parser) {
  WriteDialogName(out, head.menu, parser);
  WriteDialogName(out, head.windowClass, parser);
  WriteDialogText(out, head.caption, parser);
  if (!head.hasFont) return;
  out.WriteU16(head.fontSize);
  if (head.layout == TTemplateLayout::Extended) {
    out.WriteU16(head.fontWeight);
    out.WriteU8(head.fontItalic);
    out.WriteU8(head.fontCharset);
  }
  WriteDialogText(out, head.fontFace, parser);
}

}  // namespace

// dialog := name (DIALOG | DIALOGEX) {memory-flag} head {dialog-statement |
//           optional-statement} "{" {control} "}"
void CompileDialog(TRCParser& parser) {
  // Its own for each dialog: the host hears of the resource, and may compile another
  // script then, before the head is written.
  TDialogHead head;
  head.layout = parser.resourceTypeText == "DIALOGEX" ? TTemplateLayout::Extended : TTemplateLayout::Standard;
  std::int32_t flags = kDiscardableFlags;
  TOperand token;
  ReadDialogHead(parser, ParseMemoryFlags(parser, flags), head, token);
  ReadDialogStatements(parser, token, head);
  RegisterResource(parser);
  // The font and caption statements decide these bits whatever STYLE said.
  head.style = head.hasFont ? head.style | kSetFont : head.style & ~kSetFont;
  if (head.hasCaption) head.style |= kCaptionBar;

  TOutputBuffer& out = parser.output;
  std::size_t headerStart = out.Position();
  WriteStatementHeader(parser, 0, kDialogType, parser.resourceName, flags);
  std::size_t dataStart = out.Position();
  std::size_t countAt = WriteTemplateHead(out, head);
  WriteTemplateTexts(out, head, parser);
  TControlNotes* notes = nullptr;
  if (parser.warnings) {
    notes = &StartDialogControls(parser, {head.layout == TTemplateLayout::Extended, head.style, head.width, head.height,
                                          head.hasFont, head.fontSize, head.fontFace});
  }
  std::uint32_t itemCount = CompileControls(parser, head.layout, notes);
  std::size_t dataEnd = out.Position();
  out.Seek(countAt);
  // A count above 65535 means data far above 65535 bytes, which PatchResourceDataSize refuses.
  out.WriteU16(static_cast<std::uint16_t>(itemCount));
  out.Seek(dataEnd);
  // The resource is named only in the message about data beyond 65535 bytes.
  bool tooLarge = dataEnd - dataStart > static_cast<std::size_t>(kMaxWord);
  PatchResourceDataSize(parser, headerStart, dataStart, tooLarge ? StatementResource(parser) : std::string());
  if (parser.warnings) CheckDialogWarnings(parser, out.Bytes().subspan(dataStart, dataEnd - dataStart));
}

}  // namespace tarvex
