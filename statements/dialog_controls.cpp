// The controls of a dialog template. Each control statement becomes one item, written
// on a 4-byte boundary:
//
//   standard: style(32) exStyle(32) x y cx cy(16 each) id(16) class title extra(16)=0
//   extended: helpId(32) exStyle(32) style(32) x y cx cy(16 each) id(32) class title
//             extra(16) creation data
//
// Ids, coordinates and sizes from -32768 to 65535 are taken as 16-bit values; the
// 32-bit id of the extended layout holds a negative id sign-extended, so IDC_STATIC (-1)
// is 0xFFFFFFFF there. In a DIALOGEX a control may end with its help id after the
// extended style and with a block of creation data, `{ ... }` of items as RCDATA takes
// them: extra is the byte count, an odd count completed by one zero byte it counts.
//
// The class is 0xFFFF and one of the predefined ordinals 0x80 (button) to 0x85 (combo
// box), or a window class name; the title is a text, 0xFFFF and a resource ordinal (an
// icon or bitmap of a static control), or empty.
//
// The shorthand statements start from WS_CHILD | WS_VISIBLE, the window bits Windows
// documents for the statement (WS_TABSTOP, WS_GROUP, WS_BORDER) and the class style
// that makes the control what it is; a style operand is ORed onto that default and the
// bits its expression removes with NOT are taken away. A CONTROL starts from
// WS_CHILD | WS_VISIBLE alone.
#include "statements/dialog_controls.h"

#include <array>
#include <limits>
#include <span>
#include <string_view>

#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/utf16.h"
#include "statements/data_resources.h"
#include "statements/resource.h"

namespace tarvex {

namespace {

constexpr std::uint32_t kChildVisible = 0x50000000;  // WS_CHILD | WS_VISIBLE
constexpr std::uint32_t kTabStop = 0x00010000;       // WS_TABSTOP
constexpr std::uint32_t kGroup = 0x00020000;         // WS_GROUP
constexpr std::uint32_t kBorder = 0x00800000;        // WS_BORDER

constexpr std::uint16_t kButtonClass = 0x80;
constexpr std::uint16_t kEditClass = 0x81;
constexpr std::uint16_t kStaticClass = 0x82;
constexpr std::uint16_t kListBoxClass = 0x83;
constexpr std::uint16_t kScrollBarClass = 0x84;
constexpr std::uint16_t kComboBoxClass = 0x85;

constexpr std::int64_t kMinWord = -32768;
constexpr std::int64_t kMaxWord = 0xFFFF;
constexpr std::int64_t kMaxDword = 0xFFFFFFFF;
constexpr std::int64_t kMaxNumericTitle = 32767;

// The static styles whose title names a resource: SS_ICON, SS_BITMAP, SS_ENHMETAFILE.
constexpr std::uint32_t kStaticTypeMask = 0x1F;
constexpr std::array<std::uint32_t, 3> kImageStaticTypes = {3, 14, 15};

// How a statement's operands begin, which also decides its title.
enum class TOperands {
  Text,  // "text" or number, id, x, y, cx, cy: the text is the title
  Icon,  // "name" or number, id, ...: the icon's name or ordinal is the title
  Id     // id, x, y, cx, cy: no title
};

// How a CONTROL's text becomes its title, by the class it resolved to.
enum class TTitleRule { Text, Icon, Static, Empty };

struct TControlKind {
  std::string_view keyword;
  TOperands operands;
  std::uint16_t classOrdinal;
  std::uint32_t defaultStyle;
};

// A fixed table of 17 keywords, scanned in place.
constexpr std::array<TControlKind, 17> kControlKinds = {{
    {"PUSHBUTTON", TOperands::Text, kButtonClass, kChildVisible | kTabStop | 0x0},     // BS_PUSHBUTTON
    {"DEFPUSHBUTTON", TOperands::Text, kButtonClass, kChildVisible | kTabStop | 0x1},  // BS_DEFPUSHBUTTON
    {"CHECKBOX", TOperands::Text, kButtonClass, kChildVisible | kTabStop | 0x2},       // BS_CHECKBOX
    {"AUTOCHECKBOX", TOperands::Text, kButtonClass, kChildVisible | kTabStop | 0x3},   // BS_AUTOCHECKBOX
    {"RADIOBUTTON", TOperands::Text, kButtonClass, kChildVisible | 0x4},               // BS_RADIOBUTTON
    {"STATE3", TOperands::Text, kButtonClass, kChildVisible | kTabStop | 0x5},         // BS_3STATE
    {"AUTO3STATE", TOperands::Text, kButtonClass, kChildVisible | kTabStop | 0x6},     // BS_AUTO3STATE
    {"GROUPBOX", TOperands::Text, kButtonClass, kChildVisible | 0x7},                  // BS_GROUPBOX
    {"AUTORADIOBUTTON", TOperands::Text, kButtonClass, kChildVisible | 0x9},           // BS_AUTORADIOBUTTON
    {"LTEXT", TOperands::Text, kStaticClass, kChildVisible | kGroup | 0x0},            // SS_LEFT
    {"CTEXT", TOperands::Text, kStaticClass, kChildVisible | kGroup | 0x1},            // SS_CENTER
    {"RTEXT", TOperands::Text, kStaticClass, kChildVisible | kGroup | 0x2},            // SS_RIGHT
    {"ICON", TOperands::Icon, kStaticClass, kChildVisible | 0x3},                      // SS_ICON
    {"EDITTEXT", TOperands::Id, kEditClass, kChildVisible | kTabStop | kBorder},       // ES_LEFT
    {"LISTBOX", TOperands::Id, kListBoxClass, kChildVisible | kBorder | 0x1},          // LBS_NOTIFY
    {"SCROLLBAR", TOperands::Id, kScrollBarClass, kChildVisible},                      // SBS_HORZ
    {"COMBOBOX", TOperands::Id, kComboBoxClass, kChildVisible | kTabStop},             // CBS_SIMPLE
}};

// The class words a CONTROL may name unquoted; quoted, only the first three are
// predefined classes (the others then match a control keyword of the same name).
constexpr std::array<std::pair<std::string_view, std::uint16_t>, 6> kClassWords = {{
    {"BUTTON", kButtonClass},
    {"EDIT", kEditClass},
    {"STATIC", kStaticClass},
    {"LISTBOX", kListBoxClass},
    {"SCROLLBAR", kScrollBarClass},
    {"COMBOBOX", kComboBoxClass},
}};
constexpr std::size_t kQuotedClassWords = 3;

struct TDialogItem {
  std::uint32_t helpId = 0;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  std::int32_t id = 0;  ///< -32768..65535 as written
  TDialogName windowClass;
  TDialogName title;
  std::string creationData;
};

// A CONTROL's text: its characters, and its value when it was a number.
struct TControlText {
  std::string text;
  bool isNumber = false;
  std::uint16_t value = 0;
};

struct TControlClass {
  TDialogName name;
  TTitleRule rule = TTitleRule::Text;
};

// `keyword` in any letter case.
const TControlKind* FindControlKind(std::string_view keyword) {
  for (const TControlKind& kind : kControlKinds)
    if (IsWord(keyword, kind.keyword)) return &kind;
  return nullptr;
}

TDialogName OrdinalName(std::uint16_t ordinal) { return {true, ordinal, {}}; }

TDialogName TextName(std::string text) { return {false, 0, std::move(text)}; }

// Every operand of a control statement must be there: the end of input is message 68.
TOperand ReadOperand(TRCParser& parser) {
  TOperand token = ReadCommaOperand(parser);
  if (!token.isValue && token.text.empty()) ReportError(parser, 68);  // Unexpected end of file
  return token;
}

// Control ids: -1 (IDC_STATIC) and the ids editors give above 32767 are both taken.
std::int32_t ReadControlId(TRCParser& parser, const TOperand& token, int missingMessage) {
  if (!token.StartsNumber()) ReportError(parser, missingMessage, {token.Text()});
  // 100. Control identifier (smallint) expected / 112. Bad control identifier: %s
  std::int64_t value = token.isValue ? token.value : NumberValue(token.text);
  if (value < kMinWord || value > kMaxWord) ReportError(parser, 112, {token.Text()});  // Bad control identifier: %s
  return static_cast<std::int32_t>(value);
}

// rectangle := x [","] y [","] cx [","] cy; with `withId`, the control id before it.
// Plain numbers no operand can refuse come as one run.
void ReadItemRectangle(TRCParser& parser, TDialogItem& item, bool withId = false) {
  std::array<TCommonToken, 5> run;
  std::size_t first = withId ? 0 : 1;
  std::size_t count = TakeCommonRunInScript(parser, std::span(run).subspan(first), kMaxWord) + first;
  if (withId)
    item.id =
        count > 0 ? static_cast<std::int32_t>(run[0].value) : ReadControlId(parser, ReadCommaOperand(parser), 100);
  // 101 to 104: x coordinate, y coordinate, width, height (in dialog units) expected
  std::array<std::int16_t, 5> coordinates{};
  for (std::size_t i = 1; i < 5; ++i)
    coordinates[i] = i < count ? static_cast<std::int16_t>(static_cast<std::uint16_t>(run[i].value))
                               : ReadCoordinate(parser, ReadCommaOperand(parser), static_cast<int>(100 + i));
  item.x = coordinates[1];
  item.y = coordinates[2];
  item.width = coordinates[3];
  item.height = coordinates[4];
}

// [exstyle [DIALOGEX: help-id]]; returns the token after them.
std::string ReadOptionalExStyle(TRCParser& parser, TDialogLayout layout, TDialogItem& item) {
  TOperand token = ReadOperand(parser);
  if (!token.StartsWithDigit()) return std::move(token.text);
  TStyleOperand exStyle = ReadStyleOperand(parser, token);
  item.exStyle = exStyle.bits & ~exStyle.removed;
  token = ReadOperand(parser);
  if (layout != TDialogLayout::Extended || !token.StartsNumber()) return token.Text();
  item.helpId = ReadHelpId(parser, token);
  return ReadOperand(parser).Text();
}

// text := "string" | number
TDialogName ReadControlText(TRCParser& parser, const std::string& token) {
  if (IsQuoted(token)) return TextName(QuotedText(token));
  if (StartsWithDigit(token)) return TextName(token);
  ReportError(parser, 99, {token});  // Quoted string or number expected but got %s
}

// icon := "name" | number
TDialogName ReadIconName(TRCParser& parser, const std::string& token) {
  if (IsQuoted(token)) return TextName(QuotedText(token));
  if (StartsWithDigit(token)) return OrdinalName(ReadWordOperand(parser, token));
  ReportError(parser, 106, {token});  // Double quoted string or number expected but got %s
}

// control := keyword [","] text "," id "," rectangle ["," style ["," exstyle]]
//          | keyword id "," rectangle ["," style ["," exstyle]]
// Returns the token after the statement.
std::string ReadControl(TRCParser& parser, TDialogLayout layout, const TControlKind& kind, TDialogItem& item) {
  item.windowClass = OrdinalName(kind.classOrdinal);
  if (kind.operands != TOperands::Id) {
    std::string text;
    TCommonToken common;
    bool isCommon = SkipOptionalCommaToCommon(parser, common, text);
    if (isCommon && common.kind == TCommonKind::Literal && kind.operands == TOperands::Text) {
      item.title =
          TextName(std::string(common.text.substr(1, common.text.size() - 2)));  // a plain literal's characters
    } else {
      if (isCommon) text = CommonTokenText(common);
      if (text.empty()) ReportError(parser, 68);  // Unexpected end of file
      item.title = kind.operands == TOperands::Text ? ReadControlText(parser, text) : ReadIconName(parser, text);
    }
  }
  ReadItemRectangle(parser, item, true);
  item.style = kind.defaultStyle;
  TOperand token = ReadOperand(parser);
  if (!token.StartsWithDigit()) return std::move(token.text);
  TStyleOperand style = ReadStyleOperand(parser, token);
  item.style = (style.bits | kind.defaultStyle) & ~style.removed;
  return ReadOptionalExStyle(parser, layout, item);
}

// control-text := "string" | number (0..32767)
TControlText ReadGenericText(TRCParser& parser) {
  std::string token = SkipOptionalSeparator(parser, ",");
  if (token.empty()) ReportError(parser, 68);  // Unexpected end of file
  if (IsQuoted(token)) return {QuotedText(token), false, 0};
  if (!StartsWithDigit(token)) ReportError(parser, 106, {token});  // Double quoted string or number expected but got %s
  std::int64_t value = NumberValue(token);
  if (value > kMaxNumericTitle)
    ReportError(parser, 105, {token});  // A number in range [-32768..32767] expected but got %s
  return {token, true, static_cast<std::uint16_t>(value)};
}

TTitleRule RuleOfClass(std::uint16_t ordinal) {
  if (ordinal == kStaticClass) return TTitleRule::Static;
  if (ordinal == kButtonClass) return TTitleRule::Text;
  return TTitleRule::Empty;
}

TTitleRule RuleOfKind(const TControlKind& kind) {
  if (kind.operands == TOperands::Text) return TTitleRule::Text;
  return kind.operands == TOperands::Icon ? TTitleRule::Icon : TTitleRule::Empty;
}

// A class text that names a predefined class or a control keyword becomes that class's
// ordinal; any other class text is kept as written.
TControlClass ClassOfText(std::string text) {
  std::string upper = UpperCase(text);
  for (std::size_t i = 0; i < kQuotedClassWords; ++i)
    if (kClassWords[i].first == upper) return {OrdinalName(kClassWords[i].second), RuleOfClass(kClassWords[i].second)};
  if (const TControlKind* kind = FindControlKind(upper)) return {OrdinalName(kind->classOrdinal), RuleOfKind(*kind)};
  return {TextName(std::move(text)), TTitleRule::Text};
}

// class := BUTTON | EDIT | STATIC | LISTBOX | SCROLLBAR | COMBOBOX | "name" | 0x80..0x85
TControlClass ReadGenericClass(TRCParser& parser) {
  std::string token = SkipSeparators(parser, ",");
  if (IsQuoted(token)) return ClassOfText(QuotedText(token));
  if (StartsWithDigit(token)) {
    std::int64_t value = NumberValue(token);
    if (value < kButtonClass || value > kComboBoxClass) ReportError(parser, 113, {token});
    // Bad class id: %s; Quoted string or a number in range [0x80..0x85] expected
    auto ordinal = static_cast<std::uint16_t>(value);
    return {OrdinalName(ordinal), RuleOfClass(ordinal)};
  }
  std::string upper = UpperCase(token);
  for (const auto& [word, ordinal] : kClassWords)
    if (word == upper) return {OrdinalName(ordinal), RuleOfClass(ordinal)};
  ReportError(parser, 106, {token});  // Double quoted string or number expected but got %s
}

bool IsImageStatic(std::uint32_t style) {
  for (std::uint32_t type : kImageStaticTypes)
    if ((style & kStaticTypeMask) == type) return true;
  return false;
}

// A static control showing an icon, bitmap or metafile names its image by ordinal;
// every other static shows its number as text.
TDialogName GenericTitle(TTitleRule rule, const TControlText& text, std::uint32_t style) {
  switch (rule) {
    case TTitleRule::Empty:
      return {};
    case TTitleRule::Icon:
      return text.isNumber ? OrdinalName(text.value) : TextName(text.text);
    case TTitleRule::Static:
      if (text.isNumber && text.value != 0 && IsImageStatic(style)) return OrdinalName(text.value);
      return TextName(text.text);
    case TTitleRule::Text:
      break;
  }
  return TextName(text.text);
}

// CONTROL [","] text "," id "," class "," style "," rectangle ["," exstyle [help-id]]
// Returns the token after the statement.
std::string ReadGenericControl(TRCParser& parser, TDialogLayout layout, TDialogItem& item) {
  TControlText text = ReadGenericText(parser);
  item.id = ReadControlId(parser, ReadOperand(parser), 112);  // Bad control identifier: %s
  TControlClass controlClass = ReadGenericClass(parser);
  TOperand styleToken = ReadCommaOperand(parser);
  if (!styleToken.StartsNumber()) ReportError(parser, 114);  // Control style expected
  TStyleOperand style = ReadStyleOperand(parser, styleToken, std::numeric_limits<std::int32_t>::min());
  item.style = (style.bits | kChildVisible) & ~style.removed;
  ReadItemRectangle(parser, item);
  std::string token = ReadOptionalExStyle(parser, layout, item);
  item.windowClass = controlClass.name;
  item.title = GenericTitle(controlClass.rule, text, item.style);
  return token;
}

void WriteDialogItem(TOutputBuffer& out, TDialogLayout layout, const TDialogItem& item, const TRCParser& parser) {
  PadToDword(out);
  if (layout == TDialogLayout::Extended) {
    out.WriteU32(item.helpId);
    out.WriteU32(item.exStyle);
    out.WriteU32(item.style);
  } else {
    out.WriteU32(item.style);
    out.WriteU32(item.exStyle);
  }
  for (std::int16_t value : {item.x, item.y, item.width, item.height}) out.WriteU16(static_cast<std::uint16_t>(value));
  if (layout == TDialogLayout::Extended) {
    out.WriteU32(static_cast<std::uint32_t>(item.id));  // a negative id sign-extended
  } else {
    out.WriteU16(static_cast<std::uint16_t>(item.id));
  }
  WriteDialogName(out, item.windowClass, parser);
  WriteDialogName(out, item.title, parser);
  out.WriteU16(static_cast<std::uint16_t>(item.creationData.size()));
  out.WriteBytes(item.creationData);
}

// The creation data block after a control, `{` already read: its bytes, made even.
std::string ReadCreationData(TRCParser& parser) {
  std::string data = ReadDataBlock(parser);
  if (data.size() % 2 != 0) data.push_back('\0');  // keeps the next item where readers look
  if (data.size() > static_cast<std::size_t>(kMaxWord))
    ReportLocatedFailure(parser,
                         "Creation data of " + std::to_string(data.size()) + " bytes exceeds the limit of 65535 bytes");
  return data;
}

}  // namespace

bool IsQuoted(const std::string& token) { return !token.empty() && token[0] == '"'; }

bool StartsWithDigit(const std::string& token) { return !token.empty() && token[0] >= '0' && token[0] <= '9'; }

bool StartsNumber(const std::string& token) { return StartsWithDigit(token) || (!token.empty() && token[0] == '-'); }

std::string QuotedText(const std::string& token) {
  if (token.size() < 2) return {};
  return token.substr(1, token.size() - 2);
}

void WriteDialogName(TOutputBuffer& out, const TDialogName& name, const TRCParser& parser) {
  if (name.isOrdinal) {
    out.WriteU16(0xFFFF);
    out.WriteU16(name.ordinal);
    return;
  }
  // ASCII reads the same in every character set and is never a wide literal's text.
  if (IsAsciiText(name.text)) {
    out.WriteWidened(name.text);
  } else {
    std::u16string units = ScriptTextToUtf16(parser, name.text);
    out.WriteUtf16(units.data(), units.size());
  }
  out.WriteU16(0);
}

std::string TOperand::Text() const {
  if (!isValue) return text;
  TCommonToken number;
  number.kind = TCommonKind::Number;
  number.value = value;
  return CommonTokenText(number);
}

bool TOperand::StartsWithDigit() const { return isValue || tarvex::StartsWithDigit(text); }

bool TOperand::StartsNumber() const { return isValue || tarvex::StartsNumber(text); }

TOperand ReadCommaOperand(TRCParser& parser) {
  TOperand operand;
  if (TCommonToken common; SkipCommasToCommon(parser, common, operand.text)) {
    if (common.kind == TCommonKind::Number) {
      operand.isValue = true;
      operand.value = common.value;
    } else {
      operand.text = CommonTokenText(common);
    }
  }
  return operand;
}

std::int64_t NumberValue(const std::string& token) {
  std::int64_t value = 0;
  if (!DecimalTokenValue(token, value)) RaiseFailure("'" + token + "' is not a valid integer value");
  return value;
}

namespace {

std::int64_t OperandValue(const TOperand& operand) {
  return operand.isValue ? operand.value : NumberValue(operand.text);
}

}  // namespace

std::int16_t ReadCoordinate(TRCParser& parser, const TOperand& token, int missingMessage) {
  if (!token.StartsNumber()) ReportError(parser, missingMessage);
  std::int64_t value = OperandValue(token);
  if (value < kMinWord || value > kMaxWord) ReportError(parser, 105, {token.Text()});
  // A number in range [-32768..32767] expected but got %s
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));  // 65510 is -26
}

std::uint16_t ReadWordOperand(TRCParser& parser, const TOperand& token) {
  std::int64_t value = OperandValue(token);
  if (value < 0 || value > kMaxWord)
    ReportError(parser, 86, {token.Text()});  // A number in range 0..65535 expected instead %s
  return static_cast<std::uint16_t>(value);
}

std::uint32_t ReadHelpId(TRCParser& parser, const TOperand& token) {
  return ReadStyleOperand(parser, token, std::numeric_limits<std::int32_t>::min()).bits;
}

TStyleOperand ReadStyleOperand(TRCParser& parser, const TOperand& token, std::int64_t minimum) {
  std::int64_t value = OperandValue(token);
  if (value < minimum || value > kMaxDword) ReportError(parser, 97, {token.Text()});  // DWORD value expected but got %s
  return {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(parser.removedBits)};
}

std::uint32_t CompileControls(TRCParser& parser, TDialogLayout layout) {
  std::uint32_t count = 0;
  std::string token = SkipSeparators(parser, ",");
  while (token != "}") {
    TDialogItem item;
    if (IsWord(token, "CONTROL")) {
      token = ReadGenericControl(parser, layout, item);
    } else {
      const TControlKind* kind = FindControlKind(token);
      if (kind == nullptr) ReportError(parser, 115, {token});  // Unknown Dialog Control Class: %s
      token = ReadControl(parser, layout, *kind, item);
    }
    if (layout == TDialogLayout::Extended && token == "{") {
      item.creationData = ReadCreationData(parser);
      token = SkipSeparators(parser, ",");
    }
    WriteDialogItem(parser.output, layout, item, parser);
    ++count;
  }
  return count;
}

}  // namespace tarvex
