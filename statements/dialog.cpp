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

#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/utf16.h"
#include "statements/dialog_controls.h"
#include "statements/resource.h"

namespace tarvex {

namespace {

constexpr std::uint32_t kSetFont = 0x00000040;     // DS_SETFONT
constexpr std::uint32_t kCaptionBar = 0x00C00000;  // WS_CAPTION
constexpr std::int64_t kMaxByte = 0xFF;
constexpr std::uint8_t kDefaultCharset = 1;  // DEFAULT_CHARSET
constexpr char kDialogType[] = "5";

struct TDialogHead {
  TDialogLayout layout = TDialogLayout::Standard;
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

std::uint8_t ReadByteOperand(TRCParser& parser, const std::string& token) {
  std::int64_t value = NumberValue(token);
  if (value < 0 || value > kMaxByte) RaiseByteRange(parser, token);
  return static_cast<std::uint8_t>(value);
}

// head := x [","] y [","] cx [","] cy [DIALOGEX: [","] help-id]; `first` is the token
// after the memory flags. Returns the token after the head, read skipping commas.
std::string ReadDialogHead(TRCParser& parser, const std::string& first, TDialogHead& head) {
  head.x = ReadCoordinate(parser, first, 101);                          // x coordinate (in dialog units) expected
  head.y = ReadCoordinate(parser, ReadCommaOperand(parser), 102);       // y coordinate (in dialog units) expected
  head.width = ReadCoordinate(parser, ReadCommaOperand(parser), 103);   // width (in dialog units) expected
  head.height = ReadCoordinate(parser, ReadCommaOperand(parser), 104);  // height (in dialog units) expected
  std::string token = SkipSeparators(parser, ",");
  if (head.layout != TDialogLayout::Extended || !StartsNumber(token)) return token;
  head.helpId = ReadHelpId(parser, token);
  return SkipSeparators(parser, ",");
}

// The operand of STYLE, EXSTYLE, CAPTION, MENU or CLASS; the end of input is message 12.
std::string ReadStatementOperand(TRCParser& parser) {
  std::string token = GetToken(parser);
  if (token.empty()) ReportError(parser, 12);  // "{" or BEGIN expected
  return token;
}

std::uint32_t ReadDialogStyle(TRCParser& parser) {
  std::string token = ReadStatementOperand(parser);
  if (!StartsWithDigit(token)) ReportError(parser, 97, {token});  // DWORD value expected but got %s
  TStyleOperand style = ReadStyleOperand(parser, token);
  return style.bits & ~style.removed;
}

// name := "text" | number (0..65535) | word. A MENU word is upper-cased and read as a
// resource name is, so that it names the menu a statement of this script defined.
TDialogName ReadMenuOrClass(TRCParser& parser, bool isMenu) {
  std::string token = ReadStatementOperand(parser);
  if (IsQuoted(token)) return {false, 0, QuotedText(token)};
  if (StartsWithDigit(token)) return {true, ReadWordOperand(parser, token), {}};
  if (!IsWordStart(static_cast<unsigned char>(token[0]))) ReportError(parser, 106, {token});
  // Double quoted string or number expected but got %s
  if (!isMenu) return {false, 0, token};
  std::string name = UpperCase(token);
  std::uint16_t ordinal = 0;
  if (IdentifierOrdinal(ToUtf16(name), ordinal)) return {true, ordinal, {}};
  return {false, 0, name};
}

// [[","] weight [[","] italic [[","] charset]]] after the face name. DIALOG reads them
// too but has no place for them. Returns the token after them.
std::string ReadFontAttributes(TRCParser& parser, TDialogHead& head) {
  std::array<std::int64_t, 3> values{0, 0, kDefaultCharset};
  std::string token = SkipSeparators(parser, ",");
  for (std::size_t i = 0; i < values.size() && StartsWithDigit(token); ++i) {
    values[i] = i == 0 ? ReadWordOperand(parser, token) : ReadByteOperand(parser, token);
    token = SkipSeparators(parser, ",");
  }
  bool extended = head.layout == TDialogLayout::Extended;
  head.fontWeight = extended ? static_cast<std::uint16_t>(values[0]) : 0;
  head.fontItalic = extended ? static_cast<std::uint8_t>(values[1]) : 0;
  head.fontCharset = extended ? static_cast<std::uint8_t>(values[2]) : 0;
  return token;
}

// font := FONT size [","] "face" [font-attributes]; returns the token after it.
std::string ReadFont(TRCParser& parser, TDialogHead& head) {
  std::string token = GetToken(parser);
  if (token.empty()) ReportError(parser, 107);                     // Font size expected
  if (!StartsWithDigit(token)) ReportError(parser, 108, {token});  // Font size expected by got %s
  head.fontSize = ReadWordOperand(parser, token);
  token = SkipSeparators(parser, ",");
  if (token.empty()) ReportError(parser, 109);              // Font name expected
  if (!IsQuoted(token)) ReportError(parser, 110, {token});  // Font name expected but got %s
  head.hasFont = true;
  head.fontFace = QuotedText(token);
  return ReadFontAttributes(parser, head);
}

// dialog-statement := STYLE style | EXSTYLE style | CAPTION "text" | MENU name
//                   | CLASS name | font
// Returns the token after the statement, read skipping commas.
std::string ReadDialogStatement(TRCParser& parser, const std::string& token, TDialogHead& head) {
  std::string keyword = UpperCase(token);
  if (keyword == "FONT") return ReadFont(parser, head);
  if (keyword == "STYLE") {
    head.style = ReadDialogStyle(parser);
  } else if (keyword == "EXSTYLE") {
    head.exStyle = ReadDialogStyle(parser);
  } else if (keyword == "CAPTION") {
    head.hasCaption = true;
    std::string caption = ReadStatementOperand(parser);
    if (!IsQuoted(caption)) ReportError(parser, 13, {caption});  // Double quoted string expected but got %s
    head.caption = QuotedText(caption);
  } else if (keyword == "MENU") {
    head.menu = ReadMenuOrClass(parser, true);
  } else if (keyword == "CLASS") {
    head.windowClass = ReadMenuOrClass(parser, false);
  } else {
    ReportError(parser, 111, {token});  // "{" or BEGIN expected but got %s
  }
  return SkipSeparators(parser, ",");
}

// Dialog statements and LANGUAGE/CHARACTERISTICS/VERSION in any order from `token` up
// to "{". Each pass starts the optional statements again from the defaults, so those of
// the last pass count: the ones after the last dialog statement, or else the ones right
// before it.
void ReadDialogStatements(TRCParser& parser, std::string token, TDialogHead& head) {
  while (token != "{") {
    token = ParseOptionalStatements(parser, token);
    if (token.empty()) ReportError(parser, 12);  // "{" or BEGIN expected
    if (token == "{") break;
    token = ReadDialogStatement(parser, token, head);
  }
}

void WriteTemplateHead(TOutputBuffer& out, const TDialogHead& head, std::uint16_t itemCount) {
  if (head.layout == TDialogLayout::Extended) {
    out.WriteU16(1);       // version
    out.WriteU16(0xFFFF);  // signature
    out.WriteU32(head.helpId);
    out.WriteU32(head.exStyle);
    out.WriteU32(head.style);
  } else {
    out.WriteU32(head.style);
    out.WriteU32(head.exStyle);
  }
  out.WriteU16(itemCount);
  for (std::int16_t value : {head.x, head.y, head.width, head.height}) out.WriteU16(static_cast<std::uint16_t>(value));
}

void WriteTemplateTexts(TOutputBuffer& out, const TDialogHead& head, const TRCParser& parser) {
  WriteDialogName(out, head.menu, parser);
  WriteDialogName(out, head.windowClass, parser);
  WriteDialogName(out, {false, 0, head.caption}, parser);
  if (!head.hasFont) return;
  out.WriteU16(head.fontSize);
  if (head.layout == TDialogLayout::Extended) {
    out.WriteU16(head.fontWeight);
    out.WriteU8(head.fontItalic);
    out.WriteU8(head.fontCharset);
  }
  WriteDialogName(out, {false, 0, head.fontFace}, parser);
}

}  // namespace

// dialog := name (DIALOG | DIALOGEX) {memory-flag} head {dialog-statement |
//           optional-statement} "{" {control} "}"
void CompileDialog(TRCParser& parser) {
  TDialogHead head;
  head.layout = parser.resourceTypeText == "DIALOGEX" ? TDialogLayout::Extended : TDialogLayout::Standard;
  std::int32_t flags = kDiscardableFlags;
  ReadDialogStatements(parser, ReadDialogHead(parser, ParseMemoryFlags(parser, flags), head), head);
  RegisterResource(parser);
  // The font and caption statements decide these bits whatever STYLE said.
  head.style = head.hasFont ? head.style | kSetFont : head.style & ~kSetFont;
  if (head.hasCaption) head.style |= kCaptionBar;

  TOutputBuffer& out = parser.output;
  std::size_t headerStart = out.Position();
  WriteStatementHeader(parser, 0, kDialogType, parser.resourceName, flags);
  std::size_t dataStart = out.Position();
  WriteTemplateHead(out, head, 0);
  WriteTemplateTexts(out, head, parser);
  std::uint32_t itemCount = CompileControls(parser, head.layout);
  std::size_t dataEnd = out.Position();
  out.Seek(dataStart);
  // A count above 65535 means data far above 65535 bytes, which PatchResourceDataSize refuses.
  WriteTemplateHead(out, head, static_cast<std::uint16_t>(itemCount));
  out.Seek(dataEnd);
  PatchResourceDataSize(parser, headerStart, dataStart, StatementResource(parser));
}

}  // namespace tarvex
