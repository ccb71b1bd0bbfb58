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
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string_view>

#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/source_index.h"
#include "data/short_bytes.h"
#include "reader/utf16.h"
#include "reader/warning_collector.h"
#include "statements/data_resources.h"
#include "statements/resource.h"
#include "statements/warning_checks.h"

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
// The storage kept from dialog to dialog for one text.
constexpr std::size_t kKeptTextCapacity = 1024;

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

struct TControlKeyword {
  std::string_view keyword;
  TOperands operands;
  std::uint16_t classOrdinal;
  std::uint32_t defaultStyle;
};

// A fixed table of 17 keywords, scanned in place.
constexpr std::array<TControlKeyword, 17> kControlKinds = {{
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
  bool titleIsAscii = false;  ///< the title text came from a plain literal, which is ASCII
  std::string creationData;
  /// Room for the runs of a control's operands (a CONTROL's text, id, class, style,
  /// rectangle, exstyle and help id), kept from item to item
  std::array<TCommonToken, 10> run;

  // Back to a fresh item, keeping the storage of its texts for the next one.
  void Reset() {
    helpId = style = exStyle = 0;
    x = y = width = height = 0;
    id = 0;
    windowClass.isOrdinal = title.isOrdinal = titleIsAscii = false;
    windowClass.ordinal = title.ordinal = 0;
    windowClass.text.clear();
    title.text.clear();
    creationData.clear();
  }

  // Gives back the storage of texts far longer than a control's usual ones.
  void Trim() {
    for (std::string* text : {&windowClass.text, &title.text, &creationData})
      if (text->capacity() > kKeptTextCapacity) std::string().swap(*text);
  }
};

// The item the control statements of a dialog fill one after another. The thread keeps
// one from dialog to dialog, so that its texts keep their storage; a compilation the
// host starts while this one reads (from a callback as a file is opened) gets its own.
class TKeptItem {
 public:
  TKeptItem() : owner_(!inUse_) {
    if (owner_) {
      inUse_ = true;
      kept_.Trim();
    } else {
      own_.emplace();
    }
  }
  ~TKeptItem() {
    if (owner_) inUse_ = false;
  }
  TKeptItem(const TKeptItem&) = delete;
  TKeptItem& operator=(const TKeptItem&) = delete;
  TDialogItem& Item() { return owner_ ? kept_ : *own_; }

 private:
  static thread_local TDialogItem kept_;
  static thread_local bool inUse_;
  bool owner_;
  std::optional<TDialogItem> own_;
};

thread_local TDialogItem TKeptItem::kept_;
thread_local bool TKeptItem::inUse_ = false;

// A CONTROL's text, whose characters are the item's title text: whether it was a
// number, and its value.
struct TControlText {
  bool isNumber = false;
  std::uint16_t value = 0;
};

void SetOrdinal(TDialogName& name, std::uint16_t ordinal) {
  name.isOrdinal = true;
  name.ordinal = ordinal;
  name.text.clear();
}

void SetText(TDialogName& name, std::string_view text) {
  name.isOrdinal = false;
  name.text.assign(text);
}

// The keywords by length, first and last letter, found by probing from there. A
// keyword of 4 to 16 characters is compared as two overlapping words, its first and its
// last four (under 8 characters) or eight bytes, with the letters' case bit set on
// both sides.
constexpr std::size_t kKindSlotCount = 64;
constexpr std::size_t kMinKindLength = 4;
constexpr std::size_t kMaxKindLength = 16;

constexpr std::size_t KindSlot(std::string_view word) {
  auto first = static_cast<unsigned char>(UpperAscii(word.front()));
  auto last = static_cast<unsigned char>(UpperAscii(word.back()));
  return (word.size() * 11 + first * 5 + last) % kKindSlotCount;
}

// The first and the last part of a word, each as a little-endian word.
struct TWordParts {
  std::uint64_t head = 0;
  std::uint64_t tail = 0;
  friend bool operator==(const TWordParts&, const TWordParts&) = default;
};

constexpr std::size_t PartSize(std::size_t length) { return length < 8 ? 4 : 8; }

// As LoadPart reads the same bytes, in the machine's byte order.
constexpr std::uint64_t PackPart(std::string_view word, std::size_t from, std::uint64_t (*byte)(char)) {
  std::size_t size = PartSize(word.size());
  std::uint64_t part = 0;
  for (std::size_t i = 0; i < size; ++i)
    part |= byte(word[from + i]) << (8 * (std::endian::native == std::endian::little ? i : size - 1 - i));
  return part;
}

constexpr std::uint64_t LowerByte(char c) {
  return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c);
}
constexpr std::uint64_t CaseBit(char c) { return c >= 'A' && c <= 'Z' ? 0x20 : 0; }

struct TKindKey {
  TWordParts lower;  // the keyword in small letters
  TWordParts mask;   // the case bit of each letter
};

constexpr std::array<TKindKey, kControlKinds.size()> BuildKindKeys() {
  std::array<TKindKey, kControlKinds.size()> keys{};
  for (std::size_t i = 0; i < kControlKinds.size(); ++i) {
    std::string_view word = kControlKinds[i].keyword;
    std::size_t tail = word.size() - PartSize(word.size());
    keys[i] = {{PackPart(word, 0, LowerByte), PackPart(word, tail, LowerByte)},
               {PackPart(word, 0, CaseBit), PackPart(word, tail, CaseBit)}};
  }
  return keys;
}

constexpr std::array<TKindKey, kControlKinds.size()> kKindKeys = BuildKindKeys();

constexpr std::array<std::uint8_t, kKindSlotCount> BuildKindSlots() {
  std::array<std::uint8_t, kKindSlotCount> slots{};  // 0: empty, else the kind's index + 1
  for (std::size_t i = 0; i < kControlKinds.size(); ++i) {
    std::string_view word = kControlKinds[i].keyword;
    if (word.size() < kMinKindLength || word.size() > kMaxKindLength) throw "keyword length out of range";
    std::size_t slot = KindSlot(word);
    while (slots[slot] != 0) slot = (slot + 1) % kKindSlotCount;
    slots[slot] = static_cast<std::uint8_t>(i + 1);
  }
  return slots;
}

constexpr std::array<std::uint8_t, kKindSlotCount> kKindSlots = BuildKindSlots();

std::uint64_t LoadPart(const char* bytes, std::size_t size) {
  if (size == 8) return LoadWord(bytes);
  std::uint32_t part;
  std::memcpy(&part, bytes, sizeof part);
  return part;
}

// `keyword` in any letter case.
const TControlKeyword* FindControlKind(std::string_view keyword) {
  if (keyword.size() < kMinKindLength || keyword.size() > kMaxKindLength) return nullptr;
  std::size_t partSize = PartSize(keyword.size());
  TWordParts word{LoadPart(keyword.data(), partSize), LoadPart(keyword.data() + keyword.size() - partSize, partSize)};
  for (std::size_t slot = KindSlot(keyword); kKindSlots[slot] != 0; slot = (slot + 1) % kKindSlotCount) {
    std::size_t index = kKindSlots[slot] - 1u;
    const TKindKey& key = kKindKeys[index];
    if (kControlKinds[index].keyword.size() == keyword.size() &&
        TWordParts{word.head | key.mask.head, word.tail | key.mask.tail} == key.lower)
      return &kControlKinds[index];
  }
  return nullptr;
}

// Every operand of a control statement must be there: the end of input is message 68.
void ReadOperand(TRCParser& parser, TOperand& token) {
  ReadCommaOperand(parser, token);
  if (token.IsEnd()) ReportError(parser, 68);  // Unexpected end of file
}

TOperand ReadOperand(TRCParser& parser) {
  TOperand token;
  ReadOperand(parser, token);
  return token;
}

// Control ids: -1 (IDC_STATIC) and the ids editors give above 32767 are both taken.
std::int32_t ReadControlId(TRCParser& parser, const TOperand& token, int missingMessage) {
  if (!token.StartsNumber()) ReportError(parser, missingMessage, {token.Text()});
  // 100. Control identifier (smallint) expected / 112. Bad control identifier: %s
  std::int64_t value = OperandValue(token);
  if (value < kMinWord || value > kMaxWord) ReportError(parser, 112, {token.Text()});  // Bad control identifier: %s
  return static_cast<std::int32_t>(value);
}

// The id (with `withId`) and the rectangle from the `count` items of `run` that a run
// took (the id first, or room for it), the rest read from the script. Returns whether
// the run took them all.
bool FillItemRectangle(TRCParser& parser, TDialogItem& item, std::span<const TCommonToken, 5> run, std::size_t count,
                       bool withId) {
  if (count == run.size()) {  // the common case: all of them in the run
    auto coordinate = [&run](std::size_t i) {
      return static_cast<std::int16_t>(static_cast<std::uint16_t>(run[i].value));
    };
    if (withId) item.id = static_cast<std::int32_t>(run[0].value);
    item.x = coordinate(1);
    item.y = coordinate(2);
    item.width = coordinate(3);
    item.height = coordinate(4);
    return true;
  }
  if (withId)
    item.id =
        count > 0 ? static_cast<std::int32_t>(run[0].value) : ReadControlId(parser, ReadCommaOperand(parser), 100);
  // 101 to 104: x coordinate, y coordinate, width, height (in dialog units) expected
  std::array<std::int16_t, 4> coordinates;
  RunCoordinates(parser, run, count, 1, coordinates, 101);
  item.x = coordinates[0];
  item.y = coordinates[1];
  item.width = coordinates[2];
  item.height = coordinates[3];
  return false;
}

// rectangle := x [","] y [","] cx [","] cy; with `withId`, the control id before it.
// Plain numbers no operand can refuse come as one run. Returns whether the run took
// them all (and nothing was read after it).
bool ReadItemRectangle(TRCParser& parser, TDialogItem& item, bool withId = false) {
  std::span<TCommonToken, 5> run = std::span(item.run).first<5>();
  std::size_t first = withId ? 0 : 1;
  std::size_t count = TakeCommonRun(parser, run.subspan(first), NumbersUpTo(kMaxWord)) + first;
  return FillItemRectangle(parser, item, run, count, withId);
}

// The styles from the `taken` items of `run` that a run took (from the exstyle on for a
// CONTROL, which has read its style), the rest read from the script; leaves the token
// after them in `next`.
void FillItemStyles(TRCParser& parser, TTemplateLayout layout, const TControlKeyword* kind, TDialogItem& item,
                    std::span<const TCommonToken, 3> run, std::size_t taken, TOperand& next) {
  std::size_t first = kind != nullptr ? 0 : 1;
  std::size_t end = layout == TTemplateLayout::Extended ? 3 : 2;
  std::size_t count = first + taken;
  for (std::size_t i = first; i < end; ++i) {
    TStyleOperand operand;
    if (i < count) {
      operand.bits = static_cast<std::uint32_t>(run[i].value);
    } else {
      if (i == count && taken > 0 && TakeNameAfterRun(parser, next)) return;
      ReadOperand(parser, next);
      if (i < 2 ? !next.StartsWithDigit() : !next.StartsNumber()) return;
      operand = i < 2 ? ReadStyleOperand(parser, next) : TStyleOperand{ReadHelpId(parser, next), 0};
    }
    if (i == 0) item.style = (operand.bits | kind->defaultStyle) & ~operand.removed;
    if (i == 1) item.exStyle = operand.bits & ~operand.removed;
    if (i == 2) item.helpId = operand.bits;
  }
  if (count == end && taken > 0 && TakeNameAfterRun(parser, next)) return;
  ReadOperand(parser, next);
}

// [style ["," exstyle [DIALOGEX: "," help-id]]] after the rectangle, the style only for
// a statement of `kind` (a CONTROL has read its own); leaves the token after them in
// `next`. Plain numbers, which none of them refuses, come as one run; a name that ends
// a run (`afterRun`: the rectangle's) is the next statement's keyword or END.
void ReadItemStyles(TRCParser& parser, TTemplateLayout layout, const TControlKeyword* kind, TDialogItem& item,
                    TOperand& next, bool afterRun) {
  if (afterRun && TakeNameAfterRun(parser, next)) return;
  std::size_t first = kind != nullptr ? 0 : 1;
  std::size_t end = layout == TTemplateLayout::Extended ? 3 : 2;
  std::size_t taken = TakeCommonRun(parser, std::span(item.run).subspan(first, end - first), NumbersUpTo(kMaxDword));
  FillItemStyles(parser, layout, kind, item, std::span(item.run).first<3>(), taken, next);
}

// text := "string" | number
void ReadControlText(TRCParser& parser, const TOperand& token, TDialogName& title) {
  std::string_view text = token.View();
  if (IsQuoted(text)) return SetText(title, QuotedText(text));
  if (StartsWithDigit(text)) return SetText(title, text);
  ReportError(parser, 99, {token.Text()});  // Quoted string or number expected but got %s
}

// icon := "name" | number
void ReadIconName(TRCParser& parser, const TOperand& token, TDialogName& title) {
  if (IsQuoted(token.View())) return SetText(title, QuotedText(token.View()));
  if (token.StartsWithDigit()) return SetOrdinal(title, ReadWordOperand(parser, token));
  ReportError(parser, 106, {token.Text()});  // Double quoted string or number expected but got %s
}

// control := keyword [","] text "," id "," rectangle ["," style ["," exstyle]]
//          | keyword id "," rectangle ["," style ["," exstyle]]
// Leaves the token after the statement in `next`.
void ReadControl(TRCParser& parser, TTemplateLayout layout, const TControlKeyword& kind, TDialogItem& item,
                 TOperand& next) {
  SetOrdinal(item.windowClass, kind.classOrdinal);
  item.style = kind.defaultStyle;
  // The commonest: the text, id, rectangle and styles as one run of plain items
  if (kind.operands != TOperands::Icon) {
    std::size_t lead = kind.operands == TOperands::Text ? 1 : 0;
    std::size_t styles = layout == TTemplateLayout::Extended ? 3 : 2;
    std::span<TCommonToken> run = std::span(item.run).first(lead + 5 + styles);
    std::uint32_t words = lead != 0 ? 0x3Eu : 0x1Fu;  // the id and the rectangle
    if (std::size_t taken = TakeCommonRun(parser, run, Operands(static_cast<std::uint32_t>(lead), words)); taken > 0) {
      if (lead != 0) {
        SetText(item.title, run[0].text.substr(1, run[0].text.size() - 2));  // a plain literal's characters
        item.titleIsAscii = true;
      }
      std::size_t count = taken - lead;
      if (!FillItemRectangle(parser, item, run.subspan(lead).first<5>(), std::min<std::size_t>(count, 5), true)) {
        ReadItemStyles(parser, layout, &kind, item, next, false);
        return;
      }
      // A run that ends with the rectangle has looked at what follows it already
      if (count == 5 && TakeNameAfterRun(parser, next)) return;
      FillItemStyles(parser, layout, &kind, item, std::span(item.run).subspan(lead + 5).first<3>(), count - 5, next);
      return;
    }
  }
  if (kind.operands != TOperands::Id) {
    TCommonToken common;
    bool isCommon = SkipOptionalCommaToCommon(parser, common, next.text);
    if (isCommon && common.kind == TCommonKind::Literal && kind.operands == TOperands::Text) {
      SetText(item.title, common.text.substr(1, common.text.size() - 2));  // a plain literal's characters
      item.titleIsAscii = true;
    } else {
      if (isCommon) next.text = CommonTokenText(common);
      next.isView = next.isValue = false;
      if (next.text.empty()) ReportError(parser, 68);  // Unexpected end of file
      if (kind.operands == TOperands::Text)
        ReadControlText(parser, next, item.title);
      else
        ReadIconName(parser, next, item.title);
    }
  }
  bool afterRun = ReadItemRectangle(parser, item, true);
  ReadItemStyles(parser, layout, &kind, item, next, afterRun);
}

// control-text := "string" | number (0..32767); its characters become the title text.
TControlText ReadGenericText(TRCParser& parser, TDialogItem& item) {
  TDialogName& title = item.title;
  TOperand token;
  if (TCommonToken common; SkipOptionalCommaToCommon(parser, common, token.text)) TakeCommonOperand(common, token);
  if (token.IsEnd()) ReportError(parser, 68);  // Unexpected end of file
  if (IsQuoted(token.View())) {
    SetText(title, QuotedText(token.View()));
    item.titleIsAscii = token.isView;  // a plain literal
    return {};
  }
  if (!token.StartsWithDigit())
    ReportError(parser, 106, {token.Text()});  // Double quoted string or number expected but got %s
  std::int64_t value = OperandValue(token);
  if (value > kMaxNumericTitle)
    ReportError(parser, 105, {token.Text()});  // A number in range [-32768..32767] expected but got %s
  SetText(title, token.Text());
  return {true, static_cast<std::uint16_t>(value)};
}

TTitleRule RuleOfClass(std::uint16_t ordinal) {
  if (ordinal == kStaticClass) return TTitleRule::Static;
  if (ordinal == kButtonClass) return TTitleRule::Text;
  return TTitleRule::Empty;
}

TTitleRule RuleOfKind(const TControlKeyword& kind) {
  if (kind.operands == TOperands::Text) return TTitleRule::Text;
  return kind.operands == TOperands::Icon ? TTitleRule::Icon : TTitleRule::Empty;
}

// A class text that names a predefined class or a control keyword becomes that class's
// ordinal; any other class text is kept as written.
TTitleRule ClassOfText(std::string_view text, TDialogName& name) {
  for (std::size_t i = 0; i < kQuotedClassWords; ++i)
    if (IsWord(text, kClassWords[i].first)) {
      SetOrdinal(name, kClassWords[i].second);
      return RuleOfClass(kClassWords[i].second);
    }
  if (const TControlKeyword* kind = FindControlKind(text)) {
    SetOrdinal(name, kind->classOrdinal);
    return RuleOfKind(*kind);
  }
  SetText(name, text);
  return TTitleRule::Text;
}

// class := BUTTON | EDIT | STATIC | LISTBOX | SCROLLBAR | COMBOBOX | "name" | 0x80..0x85
TTitleRule ReadGenericClass(TRCParser& parser, TDialogName& name) {
  TOperand token;
  ReadCommaOperand(parser, token);
  if (IsQuoted(token.View())) return ClassOfText(QuotedText(token.View()), name);
  if (token.StartsWithDigit()) {
    std::int64_t value = OperandValue(token);
    if (value < kButtonClass || value > kComboBoxClass) ReportError(parser, 113, {token.Text()});
    // Bad class id: %s; Quoted string or a number in range [0x80..0x85] expected
    auto ordinal = static_cast<std::uint16_t>(value);
    SetOrdinal(name, ordinal);
    return RuleOfClass(ordinal);
  }
  for (const auto& [word, ordinal] : kClassWords)
    if (IsWord(token.View(), word)) {
      SetOrdinal(name, ordinal);
      return RuleOfClass(ordinal);
    }
  ReportError(parser, 106, {token.Text()});  // Double quoted string or number expected but got %s
}

bool IsImageStatic(std::uint32_t style) {
  for (std::uint32_t type : kImageStaticTypes)
    if ((style & kStaticTypeMask) == type) return true;
  return false;
}

// A static control showing an icon, bitmap or metafile names its image by ordinal;
// every other static shows its number as text.
void SetGenericTitle(TTitleRule rule, const TControlText& text, std::uint32_t style, TDialogName& title) {
  switch (rule) {
    case TTitleRule::Empty:
      title.text.clear();
      return;
    case TTitleRule::Icon:
      if (text.isNumber) SetOrdinal(title, text.value);
      return;
    case TTitleRule::Static:
      if (text.isNumber && text.value != 0 && IsImageStatic(style)) SetOrdinal(title, text.value);
      return;
    case TTitleRule::Text:
      return;
  }
}

// The places of a CONTROL's operands in a run.
enum TGenericPlace : std::size_t { kText, kId, kClass, kStyle, kX, kExStyle = kX + 4 };

// A CONTROL whose operands a run took from the text on, `taken` of them; reads the
// rest as ReadGenericControl does.
void FinishGenericControl(TRCParser& parser, TTemplateLayout layout, TDialogItem& item, std::size_t taken,
                          TOperand& next) {
  std::span<const TCommonToken, 10> run = item.run;
  SetText(item.title, QuotedText(run[kText].text));
  item.titleIsAscii = true;  // a plain literal
  item.id = taken > kId ? static_cast<std::int32_t>(run[kId].value) : ReadControlId(parser, ReadOperand(parser), 112);
  TTitleRule rule = taken > kClass ? ClassOfText(QuotedText(run[kClass].text), item.windowClass)
                                   : ReadGenericClass(parser, item.windowClass);
  TStyleOperand style;
  if (taken > kStyle) {
    style.bits = static_cast<std::uint32_t>(run[kStyle].value);
  } else {
    TOperand styleToken = ReadCommaOperand(parser);
    if (!styleToken.StartsNumber()) ReportError(parser, 114);  // Control style expected
    style = ReadStyleOperand(parser, styleToken, std::numeric_limits<std::int32_t>::min());
  }
  item.style = (style.bits | kChildVisible) & ~style.removed;
  if (taken <= kStyle) {
    bool afterRun = ReadItemRectangle(parser, item);
    ReadItemStyles(parser, layout, nullptr, item, next, afterRun);
  } else if (!FillItemRectangle(parser, item, run.subspan<kStyle, 5>(), std::min<std::size_t>(taken, kExStyle) - kStyle,
                                false)) {
    ReadItemStyles(parser, layout, nullptr, item, next, false);
  } else if (taken > kExStyle || !TakeNameAfterRun(parser, next)) {
    // A run that ends with the rectangle has looked at what follows it already
    FillItemStyles(parser, layout, nullptr, item, run.subspan<kExStyle - 1, 3>(), taken - kExStyle, next);
  }
  SetGenericTitle(rule, {}, item.style, item.title);
}

// CONTROL [","] text "," id "," class "," style "," rectangle ["," exstyle [help-id]]
// Leaves the token after the statement in `next`.
void ReadGenericControl(TRCParser& parser, TTemplateLayout layout, TDialogItem& item, TOperand& next) {
  // The commonest: all of them, or the first of them, as one run of plain items
  std::size_t end = layout == TTemplateLayout::Extended ? kExStyle + 2 : kExStyle + 1;
  constexpr std::uint32_t kLiterals = 1u << kText | 1u << kClass;
  constexpr std::uint32_t kWords = 1u << kId | 0xFu << kX;
  if (std::size_t taken = TakeCommonRun(parser, std::span(item.run).first(end), Operands(kLiterals, kWords)))
    return FinishGenericControl(parser, layout, item, taken, next);
  TControlText text = ReadGenericText(parser, item);
  item.id = ReadControlId(parser, ReadOperand(parser), 112);  // Bad control identifier: %s
  TTitleRule rule = ReadGenericClass(parser, item.windowClass);
  TOperand styleToken = ReadCommaOperand(parser);
  if (!styleToken.StartsNumber()) ReportError(parser, 114);  // Control style expected
  TStyleOperand style = ReadStyleOperand(parser, styleToken, std::numeric_limits<std::int32_t>::min());
  item.style = (style.bits | kChildVisible) & ~style.removed;
  bool afterRun = ReadItemRectangle(parser, item);
  ReadItemStyles(parser, layout, nullptr, item, next, afterRun);
  SetGenericTitle(rule, text, item.style, item.title);
}

// Stores `value` little-endian at `at`; returns the place after it.
template <typename T>
std::uint8_t* StoreLittle(std::uint8_t* at, T value) {
  std::array<std::uint8_t, sizeof value> bytes;
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i) & 0xFF);
  std::memcpy(at, bytes.data(), bytes.size());
  return at + bytes.size();
}

// The bytes of an item up to its creation data, gathered so that they go out in one
// write: the padding before it, its fixed part, and its class and title when they are
// ordinals or ASCII texts that fit.
class TItemBytes {
 public:
  /// Room for an item's fixed part.
  static constexpr std::size_t kFixedRoom = 24;
  void Put16(std::uint16_t value) { Put(value); }
  void Put32(std::uint32_t value) { Put(value); }
  /// The zeros (at most 3) that bring `position`, where the bytes will go, to a multiple
  /// of 4, and then the first `size` bytes of `fixed`.
  void PutAfterPadding(std::size_t position, const std::array<std::uint8_t, kFixedRoom>& fixed, std::size_t size) {
    Put(std::uint32_t{0});
    size_ -= 4 - (4 - position % 4) % 4;
    std::memcpy(bytes_.data() + size_, fixed.data(), fixed.size());  // all of it, in moves of fixed size
    size_ += size;
  }
  /// The field of `name`; false, with nothing put, for a text that is not ASCII or does
  /// not fit. `isAscii` tells a text known to be ASCII.
  bool PutName(const TDialogName& name, bool isAscii) {
    if (name.isOrdinal) {
      if (bytes_.size() - size_ < 4 + kKeptRoom) return false;
      Put16(0xFFFF);
      Put16(name.ordinal);
      return true;
    }
    std::string_view text = name.text;
    if (text.size() > (bytes_.size() - size_ - kKeptRoom) / 2 || !(isAscii || IsAsciiText(text))) return false;
    PutWidened(text);
    Put16(0);
    return true;
  }
  void Flush(TOutputBuffer& out) {
    out.WriteBytes(bytes_.data(), size_);
    size_ = 0;
  }

 private:
  // Room a field leaves after itself: a text's zero and the item's extra count.
  static constexpr std::size_t kKeptRoom = 4;

  template <typename T>
  void Put(T value) {
    size_ = static_cast<std::size_t>(StoreLittle(bytes_.data() + size_, value) - bytes_.data());
  }

  // Each byte of ASCII text as one UTF-16 unit.
  void PutWidened(std::string_view text) {
    size_ = static_cast<std::size_t>(WidenAscii(bytes_.data() + size_, text) - bytes_.data());
  }

  std::array<std::uint8_t, 256> bytes_;
  std::size_t size_ = 0;
};

void WriteDialogItem(TOutputBuffer& out, TTemplateLayout layout, const TDialogItem& item, const TRCParser& parser) {
  std::array<std::uint8_t, TItemBytes::kFixedRoom> fixed{};
  bool extended = layout == TTemplateLayout::Extended;
  std::uint8_t* at = fixed.data();
  if (extended) {
    at = StoreLittle(at, item.helpId);
    at = StoreLittle(at, item.exStyle);
    at = StoreLittle(at, item.style);
  } else {
    at = StoreLittle(at, item.style);
    at = StoreLittle(at, item.exStyle);
  }
  for (std::int16_t value : {item.x, item.y, item.width, item.height})
    at = StoreLittle(at, static_cast<std::uint16_t>(value));
  // A negative id is sign-extended in 32 bits.
  at = extended ? StoreLittle(at, static_cast<std::uint32_t>(item.id))
                : StoreLittle(at, static_cast<std::uint16_t>(item.id));
  TItemBytes bytes;
  bytes.PutAfterPadding(out.Position(), fixed, static_cast<std::size_t>(at - fixed.data()));
  if (!bytes.PutName(item.windowClass, false)) {
    bytes.Flush(out);
    WriteDialogName(out, item.windowClass, parser);
  }
  if (!bytes.PutName(item.title, item.titleIsAscii)) {
    bytes.Flush(out);
    WriteDialogName(out, item.title, parser);
  }
  bytes.Put16(static_cast<std::uint16_t>(item.creationData.size()));
  bytes.Flush(out);
  if (!item.creationData.empty()) out.WriteBytes(item.creationData);
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

bool IsQuoted(std::string_view token) { return !token.empty() && token[0] == '"'; }

bool StartsWithDigit(std::string_view token) { return !token.empty() && token[0] >= '0' && token[0] <= '9'; }

bool StartsNumber(std::string_view token) { return StartsWithDigit(token) || (!token.empty() && token[0] == '-'); }

std::string_view QuotedText(std::string_view token) {
  if (token.size() < 2) return {};
  return token.substr(1, token.size() - 2);
}

void WriteDialogName(TOutputBuffer& out, const TDialogName& name, const TRCParser& parser) {
  if (!name.isOrdinal) return WriteDialogText(out, name.text, parser);
  out.WriteU16(0xFFFF);
  out.WriteU16(name.ordinal);
}

void WriteDialogText(TOutputBuffer& out, std::string_view text, const TRCParser& parser) {
  // ASCII reads the same in every character set and is never a wide literal's text.
  if (IsAsciiText(text)) {
    out.WriteWidened(text);
  } else {
    std::u16string units = ScriptTextToUtf16(parser, text);
    out.WriteUtf16(units.data(), units.size());
  }
  out.WriteU16(0);
}

std::string TOperand::Text() const {
  if (!isValue) return std::string(View());
  TCommonToken number;
  number.kind = TCommonKind::Number;
  number.value = value;
  return CommonTokenText(number);
}

bool TOperand::StartsWithDigit() const { return isValue || tarvex::StartsWithDigit(View()); }

bool TOperand::StartsNumber() const { return isValue || tarvex::StartsNumber(View()); }

TOperand ReadCommaOperand(TRCParser& parser) {
  TOperand operand;
  ReadCommaOperand(parser, operand);
  return operand;
}

void ReadCommaOperand(TRCParser& parser, TOperand& operand) {
  operand.isView = operand.isValue = false;
  if (TCommonToken common; SkipCommasToCommon(parser, common, operand.text)) TakeCommonOperand(common, operand);
}

void TakeCommonOperand(const TCommonToken& common, TOperand& operand) {
  operand.isValue = common.kind == TCommonKind::Number;
  operand.isView = !operand.isValue;
  operand.value = common.value;
  operand.view = common.text;
}

bool TakeNameAfterRun(TRCParser& parser, TOperand& operand) {
  TCommonToken common;
  if (!TakeNameAfterRun(parser, common)) return false;
  TakeCommonOperand(common, operand);
  return true;
}

void ReadTokenOperand(TRCParser& parser, TOperand& operand) {
  operand.isView = operand.isValue = false;
  if (TCommonToken common; GetCommonToken(parser, common, operand.text)) TakeCommonOperand(common, operand);
}

std::int64_t NumberValue(std::string_view token) {
  std::int64_t value = 0;
  if (!DecimalTokenValue(token, value)) RaiseFailure("'" + std::string(token) + "' is not a valid integer value");
  return value;
}

std::int64_t OperandValue(const TOperand& operand) {
  return operand.isValue ? operand.value : NumberValue(operand.View());
}

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

// Takes the dialog warnings' first look at the control just written (layout_rules): its
// id, whether it lies outside and whether it reaches up into an earlier control's rows;
// its facts are kept only when it lies outside, its title only when it holds a "&".
inline void NoteControl(TRCParser& parser, TControlNotes& notes, std::uint32_t idBits, const TDialogItem& item) {
  using namespace layout_rules;
  const bool ordinal = item.windowClass.isOrdinal;
  const TControlKind kind = ordinal ? KindOfClassOrdinal(item.windowClass.ordinal, item.style)
                                    : NamedClassKind(notes, item.windowClass.text, item.style);
  // The id as the template holds it: 16 bits in a standard one.
  const std::uint32_t id = static_cast<std::uint32_t>(item.id) & idBits;
  ++notes.count;
  auto facts = [&] {
    return TControlFacts{id, item.style, item.x, item.y, item.width, item.height, kind,
                         ordinal ? item.windowClass.ordinal == 0x82 : item.windowClass.text == "STATIC"};
  };
  if (id - 1 < 0xFFFE || IdCounts(id, kind, facts().staticClass)) {
    if (std::int64_t{id} <= notes.lastId) notes.unsettled = true;
    notes.lastId = id;
  }
  if ((item.style & kVisible) != 0) {
    const TLayoutFindings::TRect r = RectOf(item.x, item.y, item.width, item.height, kind, notes.comboHeight);
    if (LiesOutside(r, notes.width, notes.height)) NoteControlOutside(parser, notes, facts(), r);
    if (Searched(r, kind)) {
      if (r.top < notes.lowest) notes.unsettled = true;
      if (r.bottom > notes.lowest) notes.lowest = r.bottom;
    }
  }
  if (!item.title.isOrdinal && item.title.text.find('&') != std::string::npos)
    NoteControlTitle(parser, notes, facts(), item.title.text);
}

std::uint32_t CompileControls(TRCParser& parser, TTemplateLayout layout, TControlNotes* notes) {
  std::uint32_t count = 0;
  TKeptItem kept;
  TDialogItem& item = kept.Item();
  TOperand token;
  ReadCommaOperand(parser, token);
  const std::uint32_t idBits = layout == TTemplateLayout::Extended ? 0xFFFFFFFF : 0xFFFF;
  while (!token.Is("}")) {
    item.Reset();
    if (notes) NoteItemPlace(parser);
    std::string_view keyword = token.isValue ? std::string_view() : token.View();
    if (parser.options.index) IndexItem(parser, keyword);
    if (IsWord(keyword, "CONTROL")) {
      ReadGenericControl(parser, layout, item, token);
    } else {
      const TControlKeyword* kind = FindControlKind(keyword);
      if (kind == nullptr) ReportError(parser, 115, {token.Text()});  // Unknown Dialog Control Class: %s
      ReadControl(parser, layout, *kind, item, token);
    }
    if (layout == TTemplateLayout::Extended && token.Is("{")) {
      item.creationData = ReadCreationData(parser);
      ReadCommaOperand(parser, token);
    }
    WriteDialogItem(parser.output, layout, item, parser);
    if (notes) NoteControl(parser, *notes, idBits, item);
    ++count;
  }
  return count;
}

}  // namespace tarvex
