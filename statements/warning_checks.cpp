#include "statements/warning_checks.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <unordered_map>

#include "output/dialog_layout.h"
#include "output/html_parts.h"
#include "output/res_image.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/utf16.h"
#include "reader/warning_collector.h"
#include "statements/resource.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kDialogType = 5;
constexpr std::uint16_t kMenuType = 4;
constexpr std::uint16_t kAcceleratorType = 9;
constexpr std::uint16_t kGroupIconType = 14;
constexpr std::uint16_t kVersionType = 16;
constexpr std::uint16_t kStringType = 6;
constexpr std::uint32_t kVisible = 0x10000000;
constexpr std::uint32_t kNoPrefix = 0x80;  // SS_NOPREFIX
constexpr std::uint32_t kThickFrame = 0x00040000;  // WS_THICKFRAME
constexpr std::size_t kMostFindings = 1000;  // of one kind in one resource
constexpr std::size_t kMostNamedIds = 5;
constexpr std::size_t kMostNotes = 10;

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
  return text;
}

// The place recorded for item `index` of the resource; the statement's when the
// statement recorded none for it.
TSourcePlace ItemPlace(const TRCParser& parser, std::size_t index) {
  const TWarningCollector& collector = *parser.warnings;
  return PlaceOfMark(parser, index < collector.items.size() ? collector.items[index] : collector.statementPlace);
}

// Adds `warning` as a warning about the resource being compiled.
void Add(TRCParser& parser, TWarning warning, std::uint16_t type) {
  warning.resourceType = type;
  warning.resourceName = parser.resourceName;
  warning.resourceLanguage = StatementLanguageId(parser);
  if (type == kVersionType) {  // always named 1, in the default language
    warning.resourceName = "1";
    warning.resourceLanguage = static_cast<std::uint16_t>(parser.defaultSublanguage * 1024 + parser.defaultLanguage);
  }
  parser.warnings->warnings.Add(std::move(warning));
}

// Whether a control's text title can carry a mnemonic that the dialog manager acts on: a
// visible button, or a visible static text without SS_NOPREFIX.
bool TakesMnemonic(const TControlFacts& facts) {
  if ((facts.style & kVisible) == 0) return false;
  switch (facts.kind) {
    case TControlKind::PushButton:
    case TControlKind::DefaultButton:
    case TControlKind::SplitButton:
    case TControlKind::CommandLink:
    case TControlKind::OwnerDrawButton:
    case TControlKind::CheckBox:
    case TControlKind::RadioButton:
    case TControlKind::ThreeState:
    case TControlKind::GroupBox:
      return true;  // every kind of the BUTTON class
    case TControlKind::StaticText:
      return (facts.style & kNoPrefix) == 0;
    default:
      return false;
  }
}

std::string ControlName(const TControlFacts& control, bool extended) {
  std::int64_t id = extended ? static_cast<std::int32_t>(control.id) : static_cast<std::int16_t>(control.id);
  return std::string(KindName(control.kind)) + " " + std::to_string(id);
}

std::string MnemonicText(char16_t letter) { return "&" + DisplayUtf8(std::u16string(1, letter)); }

// One text with a mnemonic: its folded letter, its text and its item.
struct TMnemonicUse {
  char16_t letter;
  std::u16string_view text;
  std::size_t item;
};

// Adds a warning whose text waits: finding `index` of its kind among the compilation's findings.
void AddFound(TRCParser& parser, TWarningKind kind, std::uint16_t type, std::size_t index) {
  parser.warnings->warnings.AddFound(kind, type, parser.resourceName, StatementLanguageId(parser), index);
}

// One control outside its dialog, as its warning or note tells it.
struct TOutsideControl {
  TControlKind kind;
  std::uint32_t id;
  TLayoutFindings::TOutside where;
  TKeptPlace place;
};

// A short text built in place: the text of a finding, made for each warning printed.
class TShortText {
 public:
  TShortText& operator<<(std::string_view part) {
    part = part.substr(0, sizeof text_ - size_);
    std::memcpy(text_ + size_, part.data(), part.size());
    size_ += part.size();
    return *this;
  }
  TShortText& operator<<(std::int64_t value) {
    if (sizeof text_ - size_ >= 24)
      size_ = static_cast<std::size_t>(std::to_chars(text_ + size_, text_ + sizeof text_, value).ptr - text_);
    return *this;
  }
  std::string_view View() const { return std::string_view(text_, size_); }

 private:
  char text_[240];
  std::size_t size_ = 0;
};

void AppendOutside(TShortText& text, const TOutsideControl& o, bool extended) {
  using namespace std::string_view_literals;
  text << KindName(o.kind) << " "sv
       << std::int64_t{extended ? static_cast<std::int32_t>(o.id) : static_cast<std::int16_t>(o.id)}
       << (o.where.disjoint ? " lies outside the dialog: "sv : " reaches outside the dialog: "sv)
       << std::int64_t{o.where.left} << ", "sv << std::int64_t{o.where.top} << " to "sv << std::int64_t{o.where.right}
       << ", "sv << std::int64_t{o.where.bottom};
}

std::string DescribeOutside(const TOutsideControl& o, bool extended) {
  TShortText text;
  AppendOutside(text, o, extended);
  return std::string(text.View());
}

// The findings whose text waits until their warning is shown: controls outside a dialog
// and mnemonics used twice, found by the hundred in some scripts and seldom all printed.
class TCheckFindings final : public TWarningFindings {
 public:
  /// A dialog's controls outside: the first, those of the notes, and how many there are
  struct TOutside {
    std::uint32_t first = 0;  ///< in outsideControls
    std::uint32_t kept = 0;   ///< the first and those of the notes
    std::size_t count = 0;    ///< all that lie outside
    int width = 0, height = 0;
    bool extended = false;
  };
  /// A mnemonic used again: the two uses, their texts in `texts`
  struct TMnemonic {
    TKeptPlace place, earlierPlace;
    std::pair<std::uint32_t, std::uint32_t> text, earlierText;  ///< start and size
  };
  std::vector<TOutsideControl> outsideControls;
  std::vector<TOutside> outside;
  std::vector<TMnemonic> mnemonics;
  std::u16string texts;

  std::pair<std::uint32_t, std::uint32_t> KeepText(std::u16string_view text) {
    auto start = static_cast<std::uint32_t>(texts.size());
    texts.append(text);
    return {start, static_cast<std::uint32_t>(text.size())};
  }
  std::u16string_view Text(std::pair<std::uint32_t, std::uint32_t> span) const {
    return std::u16string_view(texts).substr(span.first, span.second);
  }

  TKeptPlace PlaceOf(std::size_t index, TWarningKind kind) const override {
    return kind == TWarningKind::Outside ? outsideControls[outside[index].first].place : mnemonics[index].place;
  }

  void AppendMessage(std::size_t index, TWarningKind kind, std::string& text) const override {
    using namespace std::string_view_literals;
    if (kind == TWarningKind::Outside) {
      const TOutside& o = outside[index];
      TShortText message;
      AppendOutside(message, outsideControls[o.first], o.extended);
      message << " in a dialog of "sv << std::int64_t{o.width} << " x "sv << std::int64_t{o.height} << " units"sv;
      if (o.count > 1)
        message << " (and "sv << static_cast<std::int64_t>(o.count - 1)
                << (o.count == 2 ? " other control)"sv : " other controls)"sv);
      text += message.View();
      return;
    }
    const TMnemonic& m = mnemonics[index];
    std::u16string_view title = Text(m.text);
    text += "mnemonic "sv;
    text += MnemonicText(MnemonicOf(title, false));
    text += " of \""sv;
    text += DisplayUtf8(title);
    text += "\" is also used by \""sv;
    text += DisplayUtf8(Text(m.earlierText));
    text += "\" at line "sv;
    text += std::to_string(m.earlierPlace.line);
  }

  void Compose(std::size_t index, TWarning& warning) const override {
    std::string text;
    AppendMessage(index, warning.kind, text);
    PlaceWarning(warning, Place(PlaceOf(index, warning.kind)), std::move(text));
    if (warning.kind == TWarningKind::Outside) {
      const TOutside& o = outside[index];
      const TOutsideControl* controls = outsideControls.data() + o.first;
      for (std::size_t k = 1; k < o.kept; ++k)
        AddWarningNote(warning, Place(controls[k].place), DescribeOutside(controls[k], o.extended));
    } else {
      AddWarningNote(warning, Place(mnemonics[index].earlierPlace), "first used here");
    }
  }
};

TCheckFindings& Findings(TRCParser& parser) { return static_cast<TCheckFindings&>(*parser.warnings->findings); }

// What the dialog checks keep of the controls of the dialog being compiled, noted as each
// control statement is read; its room serves every dialog of the script.
struct TDialogFacts : TControlNotes {
  /// The controls whose title holds a "&" that the dialog manager acts on: the control
  /// and the part of `titles` that holds its title
  struct TTitled {
    std::uint32_t control, start, size;
  };
  std::vector<TTitled> titled;
  std::u16string titles;
  TNotedDialog head;  ///< its face is not kept
  // A dialog looked at again, whole: its template read back, its controls' facts and what
  // the whole look finds.
  TDialogTemplate read;
  std::vector<TControlFacts> controls;
  TLayoutFindings whole;
  // The controls outside, kept for the warning as the first look finds them (when the
  // warning is wanted and the dialog is not resizable): those seen (at most kMostFindings
  // are looked at), and the warning's first control, how many it keeps and how many matter.
  bool outsideWanted = false;
  std::uint32_t outsideSeen = 0;
  TCheckFindings::TOutside outside;
  // The font of the last dialog and its base units: most dialogs of a script share one.
  bool unitsKnown = false;
  bool hasFont = false;
  std::uint16_t points = 0;
  std::string face;
  TBaseUnits units;
  // The last class given by name, with the style it was given with, and its kind:
  // the controls of one class follow one another.
  std::string className;
  std::uint32_t classStyle = 0;
  TControlKind classKind = TControlKind::Custom;

  // The base units of a dialog's font, and with them its combo boxes' field height.
  void UnitsOf(const TRCParser& parser, const TNotedDialog& dialog) {
    if (!unitsKnown || hasFont != dialog.hasFont || points != dialog.points || face != dialog.face) {
      unitsKnown = true;
      hasFont = dialog.hasFont;
      points = dialog.points;
      face = dialog.face;
      std::u16string wide = IsAsciiText(face) ? std::u16string(face.begin(), face.end()) : ScriptTextToUtf16(parser, face);
      units = DialogFontUnits(hasFont, points, wide);
      comboHeight = ComboFieldUnits(units);
    }
  }

  TControlKind KindOfNamedClass(std::string_view name, std::uint32_t style) {
    if (name != className || style != classStyle) {
      className = name;
      classStyle = style;
      classKind = KindOfClass(name, style);
    }
    return classKind;
  }

  void Clear() {
    count = 0;
    lastId = -1;
    lowest = INT32_MIN;
    unsettled = false;
    outsideSeen = 0;
    titled.clear();
    titles.clear();
  }
  void AddTitle(std::u16string_view title) {
    titled.push_back({count - 1, static_cast<std::uint32_t>(titles.size()), static_cast<std::uint32_t>(title.size())});
    titles.append(title);
  }
};

// The kept place of item `index` of the resource; the statement's when the statement
// recorded none for it.
TKeptPlace KeepItemPlace(TRCParser& parser, std::size_t index) {
  const TWarningCollector& collector = *parser.warnings;
  return collector.findings->Keep(parser,
                                  index < collector.items.size() ? collector.items[index] : collector.statementPlace);
}

// Warns at every use of a mnemonic after its first in `uses` (one dialog, one menu level).
void WarnSharedMnemonics(TRCParser& parser, std::span<const TMnemonicUse> uses, std::uint16_t type) {
  // A dialog or a menu level holds a few mnemonics: looked up one by one, a long list by
  // letter. Most letters are met once: the letters met so far, by their low six bits, tell
  // a first use without the lookup.
  constexpr std::size_t kFewUses = 64;
  std::optional<std::unordered_map<char16_t, std::size_t>> firstOf;
  if (uses.size() > kFewUses) firstOf.emplace();
  std::uint64_t met = 0;
  std::size_t found = 0;
  for (std::size_t n = 0; n < uses.size() && found < kMostFindings; ++n) {
    std::size_t first = 0;
    if (uses.size() <= kFewUses) {
      std::uint64_t bit = std::uint64_t{1} << (uses[n].letter & 63);
      if ((met & bit) == 0) {
        met |= bit;
        continue;
      }
      while (first < n && uses[first].letter != uses[n].letter) ++first;
    } else {
      first = firstOf->try_emplace(uses[n].letter, n).first->second;
    }
    if (first == n) continue;
    TCheckFindings& kept = Findings(parser);
    TCheckFindings::TMnemonic mnemonic;
    mnemonic.place = KeepItemPlace(parser, uses[n].item);
    mnemonic.earlierPlace = KeepItemPlace(parser, uses[first].item);
    mnemonic.text = kept.KeepText(uses[n].text);
    mnemonic.earlierText = kept.KeepText(uses[first].text);
    kept.mnemonics.push_back(mnemonic);
    AddFound(parser, TWarningKind::Mnemonic, type, kept.mnemonics.size() - 1);
    ++found;
  }
}

void CheckDialogMnemonics(TRCParser& parser, const TDialogFacts& facts) {
  std::uint16_t language = StatementLanguageId(parser);
  std::vector<TMnemonicUse> uses;
  for (const TDialogFacts::TTitled& titled : facts.titled) {
    std::u16string_view title = std::u16string_view(facts.titles).substr(titled.start, titled.size);
    char16_t letter = MnemonicOf(title, false);
    if (letter != 0) uses.push_back({FoldMnemonic(letter, language), title, titled.control});
  }
  WarnSharedMnemonics(parser, uses, kDialogType);
}

// A control that reaches outside by one dialog unit loses a pixel or two of its edge, as
// designers often leave it; an etched line is drawn across the edge on purpose.
bool OutsideMatters(const TControlFacts& control, const TNotedDialog& dialog, const TLayoutFindings::TOutside& o) {
  if (control.kind == TControlKind::StaticEtched) return false;
  return o.left < -1 || o.top < -1 || o.right > dialog.width + 1 || o.bottom > dialog.height + 1;
}

// Keeps a control outside for its dialog's warning: the first and those of the notes.
void KeepOutside(TRCParser& parser, TCheckFindings::TOutside& outside, const TControlFacts& control,
                 const TNotedDialog& head, const TLayoutFindings::TOutside& o) {
  if (!OutsideMatters(control, head, o) || outside.count++ > kMostNotes) return;
  Findings(parser).outsideControls.push_back({control.kind, control.id, o, KeepItemPlace(parser, o.control)});
  ++outside.kept;
}

// Static texts and images overlap harmlessly where their boxes are larger than what they
// show; a control that lies wholly within another of its kind (the same rectangle most
// often) is an alternative the program shows in its place, one layer at a time.
bool OverlapMatters(const TControlFacts& a, const TControlFacts& b) {
  switch (a.kind) {
    case TControlKind::StaticText:
    case TControlKind::StaticIcon:
    case TControlKind::StaticImage:
    case TControlKind::StaticOwnerDraw:
      return false;
    default:
      break;
  }
  auto within = [](const TControlFacts& inner, const TControlFacts& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
  };
  return !within(a, b) && !within(b, a);
}

void CheckDialogLayout(TRCParser& parser, TDialogFacts& dialog, std::span<const std::uint8_t> data) {
  const TWarningCollector& collector = *parser.warnings;
  const TNotedDialog& head = dialog.head;
  // The first look, taken as the controls were compiled, is the whole look unless controls
  // may overlap or share an id: then the whole dialog is looked at, read back.
  const bool whole = dialog.unsettled;
  if (whole) {
    ReadDialogTemplateInto(data, dialog.read);
    dialog.controls.clear();
    for (const TDialogControl& control : dialog.read.controls) dialog.controls.push_back(FactsOf(control));
    FindLayoutProblems(dialog.controls, {head.width, head.height, dialog.units}, kMostFindings, dialog.whole);
  }
  const TLayoutFindings& findings = dialog.whole;  // read only when looked at whole
  bool extended = head.extended;
  if (whole && collector.Wants(TWarningKind::DuplicateId)) {
    for (const std::vector<std::size_t>& users : findings.sharedIds) {
      TSourcePlace firstPlace = ItemPlace(parser, users[0]);
      std::int64_t id = extended ? static_cast<std::int32_t>(dialog.controls[users[0]].id)
                                 : static_cast<std::int16_t>(dialog.controls[users[0]].id);
      for (std::size_t k = 1; k < users.size(); ++k) {
        TWarning warning =
            MakeWarning(TWarningKind::DuplicateId, ItemPlace(parser, users[k]),
                        "control id " + std::to_string(id) + " is also used at line " + std::to_string(firstPlace.line));
        AddWarningNote(warning, firstPlace, "first used here");
        Add(parser, std::move(warning), kDialogType);
      }
    }
  }
  // A resizable dialog lays its controls out when it runs. One warning per dialog: the
  // first control outside, the others as notes (a page laid out for a larger sheet puts
  // many controls outside at once).
  if (dialog.outsideWanted) {
    TCheckFindings& kept = Findings(parser);
    TCheckFindings::TOutside& outside = dialog.outside;
    if (whole) {  // the first look's are looked at again
      kept.outsideControls.resize(outside.first);
      outside = {};
      outside.first = static_cast<std::uint32_t>(kept.outsideControls.size());
      for (const TLayoutFindings::TOutside& o : findings.outside)
        KeepOutside(parser, outside, dialog.controls[o.control], head, o);
    }
    if (outside.count > 0) {
      outside.width = head.width;
      outside.height = head.height;
      outside.extended = extended;
      kept.outside.push_back(outside);
      AddFound(parser, TWarningKind::Outside, kDialogType, kept.outside.size() - 1);
    }
  }
  if (whole && collector.Wants(TWarningKind::Overlap)) {
    for (std::size_t n = 0; n < findings.overlaps.size(); ++n) {
      auto [first, second] = findings.overlaps[n];
      auto [width, height] = findings.overlapSizes[n];
      // Controls laid out at a pitch one unit smaller than their height touch, unseen.
      if (width <= 1 || height <= 1 || !OverlapMatters(dialog.controls[first], dialog.controls[second])) continue;
      TSourcePlace firstPlace = ItemPlace(parser, first);
      TWarning warning = MakeWarning(TWarningKind::Overlap, ItemPlace(parser, second),
                                     ControlName(dialog.controls[second], extended) + " overlaps " +
                                         ControlName(dialog.controls[first], extended) + " at line " +
                                         std::to_string(firstPlace.line));
      AddWarningNote(warning, firstPlace, "the control it overlaps");
      Add(parser, std::move(warning), kDialogType);
    }
  }
}

// The entries of a menu whose text has a mnemonic, noted as the menu is written
// (NoteMenuText): one room serves every menu of the script.
struct TMenuNotes {
  /// An entry with a mnemonic: the number of its level (from 0, in the order the levels
  /// first showed one), its folded letter, where its text was written and its item
  struct TNoted {
    std::uint32_t level;
    char16_t letter;
    std::size_t text;
    std::size_t item;
  };
  /// An entry whose letter another of its level may share: its text is in `texts`
  struct TKept {
    std::uint32_t level;
    char16_t letter;
    std::uint32_t start, size;
    std::size_t item;
  };
  std::vector<TNoted> noted;
  std::uint16_t language = 0;
  /// Of each level, the letters met and those met again, by their low six bits: a letter
  /// met once on its level is shared by none, and letters that only share their bits are
  /// told apart by WarnSharedMnemonics.
  std::vector<std::uint64_t> letters;
  std::vector<TKept> kept;
  std::u16string texts;
  std::vector<std::uint32_t> ends;  ///< where each level's uses end in `uses`
  std::vector<TMnemonicUse> uses;   ///< the kept, level after level

  std::uint32_t Levels() const { return static_cast<std::uint32_t>(letters.size() / 2); }
};

char16_t UnitAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<char16_t>(bytes[at] | bytes[at + 1] << 8);
}

// MnemonicOf the menu text written in `bytes` at `at`, as Windows reads it: UTF-16 up to
// a zero unit.
char16_t WrittenMnemonic(std::span<const std::uint8_t> bytes, std::size_t at) {
  for (std::size_t i = at; i + 2 <= bytes.size(); i += 2) {
    char16_t unit = UnitAt(bytes, i);
    if (unit == 0 || unit == u'\t') return 0;
    if (unit != u'&' || i + 4 > bytes.size()) continue;
    char16_t next = UnitAt(bytes, i + 2);
    if (next == u'&') {
      i += 2;
      continue;
    }
    return next == u'\t' ? 0 : next;
  }
  return 0;
}

// Adds the text written in `bytes` at `at` (up to its zero unit) to `texts`: its start
// and size there.
std::pair<std::uint32_t, std::uint32_t> AddWrittenText(std::span<const std::uint8_t> bytes, std::size_t at,
                                                       std::u16string& texts) {
  std::size_t end = at;
  while (end + 2 <= bytes.size() && (bytes[end] | bytes[end + 1]) != 0) end += 2;
  std::size_t start = texts.size(), size = (end - at) / 2;
  texts.resize(start + size);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(texts.data() + start, bytes.data() + at, 2 * size);
  } else {
    for (std::size_t i = 0; i < size; ++i) texts[start + i] = UnitAt(bytes, at + 2 * i);
  }
  return {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(size)};
}

// FoldMnemonic, with the commonest letters folded here: ASCII but the i, which Turkish
// folds apart.
char16_t FoldMenuLetter(char16_t letter, std::uint16_t language) {
  if (letter < 0x80 && letter != u'i') return letter >= u'a' && letter <= u'z' ? letter - 32 : letter;
  return FoldMnemonic(letter, language);
}

// A 32x32 image is wanted for the title bar's big icon and the taskbar, 16x16 for the small one.
std::string IconSizes(std::span<const std::uint8_t> group, bool& has16, bool& has32) {
  std::string sizes;
  std::size_t count = group.size() >= 6 ? static_cast<std::size_t>(group[4] | group[5] << 8) : 0;
  for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
    unsigned width = group[6 + 14 * i] == 0 ? 256 : group[6 + 14 * i];
    unsigned height = group[7 + 14 * i] == 0 ? 256 : group[7 + 14 * i];
    has16 |= width == 16 && height == 16;
    has32 |= width == 32 && height == 32;
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (sizes.find(size) == std::string::npos) sizes += (sizes.empty() ? "" : ", ") + size;
  }
  return sizes;
}

std::string VersionText(std::span<const std::uint32_t> numbers) {
  std::string text;
  for (std::uint32_t n : numbers) text += (text.empty() ? "" : ".") + std::to_string(n);
  return text;
}

bool EqualsAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

bool KeyIs(const std::u16string& key, std::string_view name) {
  return EqualsAsciiIgnoringCase(DisplayUtf8(key), name);
}

// The FileVersion and ProductVersion strings against FILEVERSION and PRODUCTVERSION.
void CheckVersionNumbers(TRCParser& parser, const TWarningCollector::TVersionNode& node) {
  const TWarningCollector& collector = *parser.warnings;
  bool file = KeyIs(node.key, "FileVersion");
  if (!file && !KeyIs(node.key, "ProductVersion")) return;
  const TWarningCollector::TVersionFixed& fixed = file ? collector.fileVersion : collector.productVersion;
  std::vector<std::uint32_t> numbers = VersionStringNumbers(node.text);
  if (!fixed.given || numbers.empty()) return;
  bool same = true;
  for (std::size_t i = 0; i < numbers.size(); ++i) same = same && numbers[i] == fixed.parts[i];
  if (same) return;
  std::uint32_t parts[4] = {fixed.parts[0], fixed.parts[1], fixed.parts[2], fixed.parts[3]};
  const char* statement = file ? "FILEVERSION" : "PRODUCTVERSION";
  TWarning warning = MakeWarning(TWarningKind::Version, node.place,
                                 std::string(file ? "\"FileVersion\"" : "\"ProductVersion\"") + " says " +
                                     VersionText(numbers) + " but " + statement + " says " + VersionText(parts));
  AddWarningNote(warning, fixed.place, std::string(statement) + " given here");
  Add(parser, std::move(warning), kVersionType);
}

// Whether the StringFileInfo table named `key` ("040904B0") is among `pairs` (language, code page).
bool AmongTranslations(const std::u16string& key, const std::vector<std::uint16_t>& pairs) {
  if (key.size() != 8) return false;
  std::uint32_t value = 0;
  for (char16_t c : key) {
    int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
    if (pairs[i] == value >> 16 && pairs[i + 1] == (value & 0xFFFF)) return true;
  return false;
}

void CheckTranslations(TRCParser& parser) {
  const std::vector<TWarningCollector::TVersionNode>& nodes = parser.warnings->versionNodes;
  // The Translation value of VarFileInfo, and the blocks inside StringFileInfo.
  const TWarningCollector::TVersionNode* translation = nullptr;
  bool inVarFileInfo = false;
  for (const auto& node : nodes) {
    if (node.depth == 1 && node.isBlock) inVarFileInfo = KeyIs(node.key, "VarFileInfo");
    if (inVarFileInfo && !node.isBlock && node.depth == 1 && KeyIs(node.key, "Translation") && !translation)
      translation = &node;
  }
  if (translation == nullptr) return;
  std::string pairs;
  for (std::size_t i = 0; i + 1 < translation->words.size(); i += 2) {
    if (i == 2 * kMostNamedIds) {
      pairs += ", ...";
      break;
    }
    pairs += (pairs.empty() ? "" : ", ") + Hex4(translation->words[i]) + " " + Hex4(translation->words[i + 1]);
  }
  bool inStringFileInfo = false;
  for (const auto& node : nodes) {
    if (node.depth == 1 && node.isBlock) inStringFileInfo = KeyIs(node.key, "StringFileInfo");
    if (!inStringFileInfo || !node.isBlock || node.depth != 2 || AmongTranslations(node.key, translation->words))
      continue;
    TWarning warning =
        MakeWarning(TWarningKind::Version, node.place,
                    "string block \"" + DisplayUtf8(node.key) + "\" is not among the Translation pairs of VarFileInfo (" +
                        (pairs.empty() ? std::string("none") : pairs) +
                        "): programs that look the strings up by Translation find none of them");
    AddWarningNote(warning, translation->place, "Translation given here");
    Add(parser, std::move(warning), kVersionType);
  }
}

// The place of a mark, or its file and line once its file is closed.
TSourcePlace NamedPlace(const TRCParser& parser, const TWarningCollector::TNamedMark& named) {
  TSourcePlace place = PlaceOfMark(parser, named.mark);
  if (!place.text) place.file = named.file;
  return place;
}

// The string ids present in other languages and missing in `table`'s, by language.
void CheckMissingTranslations(TRCParser& parser) {
  const auto& tables = parser.stringTableEntries;
  if (tables.size() < 2) return;
  constexpr std::size_t kWords = 65536 / 64;
  std::vector<std::uint64_t> all(kWords);
  for (const auto& [language, table] : tables)
    for (std::size_t w = 0; w < kWords; ++w) all[w] |= table.present[w];
  for (const auto& [language, table] : tables) {
    std::vector<std::uint16_t> missing;
    std::size_t count = 0;
    for (std::size_t w = 0; w < kWords; ++w) {
      std::uint64_t lacks = all[w] & ~table.present[w];
      while (lacks != 0) {
        int bit = __builtin_ctzll(lacks);
        lacks &= lacks - 1;
        if (missing.size() < kMostNamedIds) missing.push_back(static_cast<std::uint16_t>(w * 64 + static_cast<std::size_t>(bit)));
        ++count;
      }
    }
    if (count == 0) continue;
    std::string ids;
    for (std::uint16_t id : missing) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
    if (count > missing.size()) ids += ", ...";
    auto place = parser.warnings->stringTables.find(language);
    TSourcePlace here = place != parser.warnings->stringTables.end() ? NamedPlace(parser, place->second) : TSourcePlace{};
    TWarning warning = MakeWarning(TWarningKind::MissingTranslation, here,
                                   "language " + Hex4(language) + " lacks " + std::to_string(count) +
                                       (count == 1 ? " string" : " strings") + " that other languages have: " + ids);
    // Where the first missing string is: the first table of a language that has it.
    std::uint16_t first = missing[0];
    for (const auto& [other, otherTable] : tables) {
      if ((otherTable.present[first / 64] >> (first % 64) & 1) == 0) continue;
      auto otherPlace = parser.warnings->stringTables.find(other);
      if (otherPlace != parser.warnings->stringTables.end())
        AddWarningNote(warning, NamedPlace(parser, otherPlace->second),
                       "string " + std::to_string(first) + " is in language " + Hex4(other));
      break;
    }
    warning.resourceType = kStringType;
    warning.resourceLanguage = language;
    parser.warnings->warnings.Add(std::move(warning));
  }
}

}  // namespace

void StartWarnings(TRCParser& parser) {
  std::uint32_t kinds = parser.options.warnings.enabled | (parser.options.allWarnings ? kAllWarnings : 0);
  if (kinds == 0) return;
  parser.warnings = std::make_unique<TWarningCollector>();
  parser.warnings->kinds = kinds;
  parser.warnings->findings = std::make_shared<TCheckFindings>();
  parser.warnings->warnings.SetFindings(parser.warnings->findings);
}

char16_t MnemonicOf(std::u16string_view text, bool menu) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (menu && text[i] == u'\t') return 0;
    if (text[i] != u'&' || i + 1 >= text.size()) continue;
    if (text[i + 1] == u'&') {
      ++i;
      continue;
    }
    return menu && text[i + 1] == u'\t' ? 0 : text[i + 1];
  }
  return 0;
}

char16_t FoldMnemonic(char16_t c, std::uint16_t language) {
  unsigned primary = language & 0x3FF;
  bool turkic = primary == 0x1F || primary == 0x2C;  // LANG_TURKISH, LANG_AZERI
  if (turkic && c == u'i') return u'\u0130';
  if (turkic && c == u'\u0131') return u'I';
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= u'\u00E0' && c <= u'\u00FE' && c != u'\u00F7') return static_cast<char16_t>(c - 32);
  if (c == u'\u00FF') return u'\u0178';
  if (c >= u'\u0100' && c <= u'\u017F' && c != u'\u0130' && c != u'\u0131' && c != u'\u0138' && c != u'\u0149') {
    bool oddLower = (c >= u'\u0139' && c <= u'\u0148') || (c >= u'\u0179' && c <= u'\u017E');
    if (oddLower ? (c % 2 == 0) : (c % 2 == 1)) return static_cast<char16_t>(c - 1);
    return c;
  }
  if (c >= u'\u03B1' && c <= u'\u03C9' && c != u'\u03C2') return static_cast<char16_t>(c - 32);
  if (c >= u'\u0430' && c <= u'\u044F') return static_cast<char16_t>(c - 32);
  if (c >= u'\u0450' && c <= u'\u045F') return static_cast<char16_t>(c - 80);
  return c;
}

std::vector<std::uint32_t> VersionStringNumbers(std::u16string_view text) {
  std::vector<std::uint32_t> numbers;
  std::size_t i = 0;
  while (i < text.size() && !(text[i] >= u'0' && text[i] <= u'9')) ++i;
  while (i < text.size() && numbers.size() < 4 && text[i] >= u'0' && text[i] <= u'9') {
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
      value = std::min<std::uint64_t>(value * 10 + (text[i] - u'0'), 0xFFFFFFFF);
    numbers.push_back(static_cast<std::uint32_t>(value));
    std::size_t separators = i;
    while (separators < text.size() && (text[separators] == u'.' || text[separators] == u',' || text[separators] == u' '))
      ++separators;
    if (separators == i) break;
    i = separators;
  }
  return numbers;
}

TControlNotes& StartDialogControls(TRCParser& parser, const TNotedDialog& dialog) {
  // One room serves every dialog of the script.
  if (!parser.warnings->dialogRoom) parser.warnings->dialogRoom = std::make_shared<TDialogFacts>();
  TDialogFacts& facts = *static_cast<TDialogFacts*>(parser.warnings->dialogRoom.get());
  facts.Clear();
  facts.head = dialog;
  facts.head.face = {};
  facts.width = dialog.width;
  facts.height = dialog.height;
  facts.UnitsOf(parser, dialog);
  // A resizable dialog lays its controls out when it runs.
  facts.outsideWanted = parser.warnings->Wants(TWarningKind::Outside) && (dialog.style & kThickFrame) == 0;
  if (facts.outsideWanted) {
    facts.outside = {};
    facts.outside.first = static_cast<std::uint32_t>(Findings(parser).outsideControls.size());
  }
  return facts;
}

TControlKind NamedClassKind(TControlNotes& notes, std::string_view classText, std::uint32_t style) {
  return static_cast<TDialogFacts&>(notes).KindOfNamedClass(classText, style);
}

void NoteControlOutside(TRCParser& parser, TControlNotes& notes, const TControlFacts& control,
                        const TLayoutFindings::TRect& r) {
  TDialogFacts& dialog = static_cast<TDialogFacts&>(notes);
  if (!dialog.outsideWanted || dialog.outsideSeen++ >= kMostFindings) return;
  KeepOutside(parser, dialog.outside, control, dialog.head,
              {notes.count - 1, r.left, r.top, r.right, r.bottom,
               layout_rules::LiesWhollyOutside(r, notes.width, notes.height)});
}
void NoteControlTitle(TRCParser& parser, TControlNotes& notes, const TControlFacts& control, std::string_view title) {
  TDialogFacts& facts = static_cast<TDialogFacts&>(notes);
  if (!TakesMnemonic(control)) return;
  if (IsAsciiText(title)) return facts.AddTitle(std::u16string(title.begin(), title.end()));
  facts.AddTitle(ScriptTextToUtf16(parser, title));
}

void CheckDialogWarnings(TRCParser& parser, std::span<const std::uint8_t> data) {
  TDialogFacts& facts = *static_cast<TDialogFacts*>(parser.warnings->dialogRoom.get());
  CheckDialogLayout(parser, facts, data);
  // A mnemonic is shared by two titles at least.
  if (facts.titled.size() >= 2 && parser.warnings->Wants(TWarningKind::Mnemonic)) CheckDialogMnemonics(parser, facts);
}

void NoteMenuText(TRCParser& parser, std::uint32_t& level, std::size_t text) {
  if (!parser.warnings->Wants(TWarningKind::Mnemonic)) return;
  char16_t letter = WrittenMnemonic(parser.output.Bytes(), text);
  if (letter == 0) return;
  if (!parser.warnings->menuRoom) parser.warnings->menuRoom = std::make_shared<TMenuNotes>();
  TMenuNotes& notes = *static_cast<TMenuNotes*>(parser.warnings->menuRoom.get());
  if (notes.noted.empty()) notes.language = StatementLanguageId(parser);
  if (level == 0) {
    level = notes.Levels() + 1;
    notes.letters.resize(notes.letters.size() + 2);
  }
  letter = FoldMenuLetter(letter, notes.language);
  std::uint64_t bit = std::uint64_t{1} << (letter & 63);
  std::uint64_t* letters = notes.letters.data() + 2 * (level - 1);
  letters[1] |= letters[0] & bit;
  letters[0] |= bit;
  notes.noted.push_back({level - 1, letter, text, parser.warnings->items.size() - 1});
}

void CheckMenuWarnings(TRCParser& parser) {
  if (!parser.warnings->Wants(TWarningKind::Mnemonic) || !parser.warnings->menuRoom) return;
  TMenuNotes& notes = *static_cast<TMenuNotes*>(parser.warnings->menuRoom.get());
  if (notes.noted.empty()) return;
  // A mnemonic is shared only within its level: the uses of each level that may be
  // shared, one level after the other (in the order of their numbers), each in the order
  // written.
  std::uint32_t levels = notes.Levels();
  std::uint64_t metAgain = 0;
  for (std::uint32_t level = 0; level < levels; ++level) metAgain |= notes.letters[2 * level + 1];
  if (metAgain == 0) {  // the commonest: no letter is met twice on a level
    notes.noted.clear();
    notes.letters.clear();
    return;
  }
  std::vector<std::uint32_t>& ends = notes.ends;
  ends.assign(levels, 0);
  notes.kept.clear();
  notes.texts.clear();
  std::span<const std::uint8_t> written = parser.output.Bytes();
  for (const TMenuNotes::TNoted& noted : notes.noted) {
    if ((notes.letters[2 * noted.level + 1] >> (noted.letter & 63) & 1) == 0) continue;
    ++ends[noted.level];
    auto [start, size] = AddWrittenText(written, noted.text, notes.texts);
    notes.kept.push_back({noted.level, noted.letter, start, size, noted.item});
  }
  notes.noted.clear();
  notes.letters.clear();
  std::size_t kept = notes.kept.size();
  if (kept == 0) return;
  // Filled from the back, each level's end moves back to where it starts.
  for (std::uint32_t level = 1; level < levels; ++level) ends[level] += ends[level - 1];
  std::vector<TMnemonicUse>& uses = notes.uses;
  uses.resize(kept);
  std::u16string_view texts = notes.texts;
  for (std::size_t k = kept; k-- > 0;) {
    const TMenuNotes::TKept& use = notes.kept[k];
    uses[--ends[use.level]] = {use.letter, texts.substr(use.start, use.size), use.item};
  }
  std::span<const TMnemonicUse> all = uses;
  for (std::uint32_t level = 0; level < levels; ++level) {
    std::uint32_t end = level + 1 < levels ? ends[level + 1] : static_cast<std::uint32_t>(kept);
    if (end > ends[level]) WarnSharedMnemonics(parser, all.subspan(ends[level], end - ends[level]), kMenuType);
  }
}

void CheckAcceleratorWarnings(TRCParser& parser, std::span<const std::uint8_t> data) {
  if (!parser.warnings->Wants(TWarningKind::Accelerator)) return;
  constexpr std::uint16_t kKeyFlags = 0x01 | 0x04 | 0x08 | 0x10;  // VIRTKEY, SHIFT, CONTROL, ALT
  std::unordered_map<std::uint32_t, std::size_t> first;
  std::size_t found = 0;
  for (std::size_t i = 0; (i + 1) * 8 <= data.size() && found < kMostFindings; ++i) {
    auto flags = static_cast<std::uint16_t>(data[i * 8] | data[i * 8 + 1] << 8);
    auto key = static_cast<std::uint16_t>(data[i * 8 + 2] | data[i * 8 + 3] << 8);
    auto [at, added] = first.try_emplace(static_cast<std::uint32_t>(flags & kKeyFlags) << 16 | key, i);
    if (added) continue;
    TSourcePlace firstPlace = ItemPlace(parser, at->second);
    TWarning warning = MakeWarning(TWarningKind::Accelerator, ItemPlace(parser, i),
                                   "key " + AcceleratorKeyName(flags, key) + " is also used at line " +
                                       std::to_string(firstPlace.line) + " of this table");
    AddWarningNote(warning, firstPlace, "first used here");
    Add(parser, std::move(warning), kAcceleratorType);
    ++found;
  }
}

void CheckIconGroupWarnings(TRCParser& parser, std::span<const std::uint8_t> group) {
  // Only the program's own icon: the first icon group, which Explorer and the window show.
  // Other icons (a tray icon, a toolbar picture, a logo) are drawn at the size they have.
  if (!parser.warnings->Wants(TWarningKind::Icon) || parser.warnings->iconSeen) return;
  parser.warnings->iconSeen = true;
  bool has16 = false, has32 = false;
  std::string sizes = IconSizes(group, has16, has32);
  if (has16 && has32) return;
  std::string lacks = !has16 && !has32 ? "16x16 and no 32x32" : !has16 ? "16x16" : "32x32";
  std::string text = "icon " + parser.resourceName + " has no " + lacks + " image (it has " +
                     (sizes.empty() ? std::string("none") : sizes) + "): Windows scales another for the " +
                     (!has16 ? "title bar" : "taskbar");
  Add(parser, MakeWarning(TWarningKind::Icon, PlaceOfMark(parser, parser.warnings->statementPlace), std::move(text)),
      kGroupIconType);
}

void NoteFixedVersion(TRCParser& parser, bool product, const std::array<std::uint16_t, 4>& parts,
                      const TSourcePlace& place) {
  TWarningCollector::TVersionFixed& fixed = product ? parser.warnings->productVersion : parser.warnings->fileVersion;
  fixed.given = true;
  std::copy(parts.begin(), parts.end(), fixed.parts);
  fixed.place = place;
}

void OpenVersionBlock(TRCParser& parser, const std::u16string& key, const TSourcePlace& place) {
  TWarningCollector& collector = *parser.warnings;
  TWarningCollector::TVersionNode node;
  node.depth = ++collector.versionDepth;
  node.isBlock = true;
  node.key = key;
  node.place = place;
  collector.versionNodes.push_back(std::move(node));
}

void CloseVersionBlock(TRCParser& parser) { --parser.warnings->versionDepth; }

void NoteVersionValue(TRCParser& parser, const std::u16string& key, bool isText, const std::u16string& text,
                      const std::vector<std::uint16_t>& words, const TSourcePlace& place) {
  TWarningCollector& collector = *parser.warnings;
  TWarningCollector::TVersionNode node;
  node.depth = collector.versionDepth;
  node.key = key;
  if (isText) node.text = text.substr(0, text.find(u'\0'));
  node.words = words;
  node.place = place;
  collector.versionNodes.push_back(std::move(node));
}

void CheckVersionWarnings(TRCParser& parser) {
  TWarningCollector& collector = *parser.warnings;
  if (collector.Wants(TWarningKind::Version)) {
    bool inStringFileInfo = false;
    for (const auto& node : collector.versionNodes) {
      if (node.depth == 1 && node.isBlock) inStringFileInfo = KeyIs(node.key, "StringFileInfo");
      if (inStringFileInfo && !node.isBlock && node.depth == 2) CheckVersionNumbers(parser, node);
    }
    CheckTranslations(parser);
  }
  collector.versionNodes.clear();
  collector.versionDepth = 0;
  collector.fileVersion = {};
  collector.productVersion = {};
}

void NoteStringTable(TRCParser& parser, std::uint16_t language) {
  auto [table, added] = parser.warnings->stringTables.try_emplace(language);
  if (!added) return;
  table->second.mark = parser.warnings->statementPlace;
  if (parser.currentFile) table->second.file = parser.currentFile->ReportedName();
}

void FinishWarnings(TRCParser& parser) {
  if (!parser.warnings) return;
  if (parser.warnings->Wants(TWarningKind::MissingTranslation)) CheckMissingTranslations(parser);
  if (!parser.options.warnings.errors) return;
  std::size_t count = 0;
  parser.warnings->warnings.ForEach([&](TWarningKind kind, const TWarning*, std::size_t) {
    if (parser.options.warnings.IsEnabled(kind)) ++count;
  });
  if (count == 0) return;
  std::string text = std::to_string(count) + (count == 1 ? " warning" : " warnings") + " treated as errors (-Werror)";
  parser.errorDetail = {};
  parser.errorDetail.message = text;
  throw TCompileError(text);
}

}  // namespace tarvex
