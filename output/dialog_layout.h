// Dialog templates read back for the preview: the template's fields, each control's kind,
// its rectangle in pixels computed from the dialog font's base units as Windows computes
// it, its styles as names, and the warnings a look at the layout gives.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "output/res_image.h"

namespace tarvex {

/// Horizontal pixels per 4 dialog units and vertical pixels per 8.
struct TBaseUnits {
  int x = 8;
  int y = 16;
  bool operator==(const TBaseUnits&) const = default;
};

struct TPixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TPixelRect&) const = default;
};

/// One row of the table of font metrics at 96 DPI.
struct TFontMetrics {
  const char* face;
  int points;
  TBaseUnits units;
};

/// The table the preview uses: MS Shell Dlg, MS Shell Dlg 2, MS Sans Serif, Microsoft
/// Sans Serif, Tahoma and Segoe UI at 8, 9 and 10 points.
std::span<const TFontMetrics> FontMetricsTable();

/// The base units of `face` (letter case ignored) at `points`: from the table, else
/// estimated from the point size, with `known` false. A dialog without a font uses the
/// system font's 8 x 16 (TBaseUnits{}).
TBaseUnits FontBaseUnits(std::u16string_view face, int points, bool* known = nullptr);

/// number * numerator / denominator rounded to the nearest integer, halves away from zero.
int MulDiv(int number, int numerator, int denominator);

/// A rectangle in dialog units as pixels: each of x, y, width and height scaled on its own.
TPixelRect DialogToPixels(int x, int y, int width, int height, TBaseUnits units);

/// What a control is drawn as.
enum class TControlKind {
  PushButton,
  DefaultButton,
  SplitButton,
  CommandLink,
  OwnerDrawButton,
  CheckBox,
  RadioButton,
  ThreeState,
  GroupBox,
  StaticText,
  StaticIcon,
  StaticImage,
  StaticRect,
  StaticFrame,
  StaticEtched,
  StaticOwnerDraw,
  Edit,
  RichEdit,
  ListBox,
  ComboBox,
  SimpleComboBox,
  ScrollBar,
  ProgressBar,
  TrackBar,
  UpDown,
  ListView,
  TreeView,
  Tab,
  DatePicker,
  MonthCalendar,
  Link,
  HotKey,
  IpAddress,
  Animation,
  Header,
  Custom
};

/// "push button", "check box", "custom control" ...
const char* KindName(TControlKind kind);

struct TDialogControl {
  std::uint32_t helpId = 0;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  std::uint32_t id = 0;  ///< 16 bits in a standard template
  TResourceId windowClass;
  TResourceId title;
  std::size_t creationDataSize = 0;
  TControlKind kind = TControlKind::Custom;
  std::string className;  ///< "BUTTON" ... for the predefined ordinals, else the class text
};

struct TDialogTemplate {
  bool extended = false;
  std::uint32_t helpId = 0;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  TResourceId menu;  ///< ordinal 0: none
  TResourceId windowClass;
  std::u16string caption;
  bool hasFont = false;
  std::uint16_t points = 0;
  std::uint16_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t charset = 0;
  std::u16string face;
  std::vector<TDialogControl> controls;
};

/// Reads a standard or extended dialog template; throws TDataError naming the offset of a
/// field that runs past the end.
TDialogTemplate ReadDialogTemplate(std::span<const std::uint8_t> data);

/// ReadDialogTemplate into `dialog`, whose controls and texts keep their room: a caller
/// that reads many templates allocates for the largest only.
void ReadDialogTemplateInto(std::span<const std::uint8_t> data, TDialogTemplate& dialog);

struct TControlLayout {
  TPixelRect box;   ///< the control's window
  TPixelRect face;  ///< a combo box's field (a drop-down one's when closed); else the box
};

struct TDialogLayout {
  TBaseUnits units;
  bool knownFont = true;  ///< false when the base units are an estimate
  int fontPixels = 0;     ///< the font's height in pixels (0: the system font)
  TPixelRect client;
  std::vector<TControlLayout> controls;
};

TDialogLayout LayOutDialog(const TDialogTemplate& dialog);

/// The names of a control's style bits ("WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX"), bits
/// without a name in hexadecimal; of its extended style; of a dialog's style.
std::string ControlStyleNames(const TDialogControl& control);
std::string ExStyleNames(std::uint32_t exStyle);
std::string DialogStyleNames(std::uint32_t style);

/// What a look at a dialog's layout finds, each control by its index in the template.
struct TLayoutFindings {
  struct TOutside {
    std::size_t control = 0;
    int left = 0, top = 0, right = 0, bottom = 0;  ///< the control in dialog units
    bool disjoint = false;                         ///< wholly outside, not only partly
  };
  std::vector<TOutside> outside;  ///< visible controls not wholly inside the dialog, in template order
  /// Visible controls of the same kind that overlap (group boxes, frames and rectangles,
  /// which are meant to contain others, aside): the earlier first, pairs in order
  std::vector<std::pair<std::size_t, std::size_t>> overlaps;
  /// For each overlap, how far the two controls overlap: width and height in dialog units
  std::vector<std::pair<int, int>> overlapSizes;
  /// Controls that share an id, per id in the order of its first use (-1 and 0xFFFF, and
  /// 0 on statics and group boxes, aside)
  std::vector<std::vector<std::size_t>> sharedIds;
  bool overlapSearchCut = false;  ///< too many controls side by side: not every overlap was looked for
  /// Room the search works in, kept between dialogs: the controls the overlap search looks
  /// at, each with its rectangle in dialog units, and the controls by id
  struct TRect {
    int left, top, right, bottom;
  };
  struct TSearched {
    TRect rect;
    std::size_t control;
  };
  std::vector<TSearched> searched;
  std::vector<std::uint64_t> byId;
};

/// What the look at a layout needs of a control: the report takes it from a template read
/// back, the compiler's warnings from the control statement as it is read.
struct TControlFacts {
  std::uint32_t id = 0;
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  TControlKind kind = TControlKind::Custom;
  bool staticClass = false;  ///< the class is the predefined STATIC (ordinal 0x82 or the text "STATIC")
};

/// The facts of a control read back.
TControlFacts FactsOf(const TDialogControl& control);

/// The kind of a control of the class `className` (the text of a predefined ordinal,
/// "BUTTON" ..., or the class text; letter case ignored) with `style`.
TControlKind KindOfClass(std::string_view className, std::uint32_t style);

/// The kind of a BUTTON with `style`.
constexpr TControlKind ButtonKind(std::uint32_t style) {
  std::uint32_t type = style & 0xF;
  if ((style & 0x1000) != 0 && type >= 2 && type <= 9 && type != 7 && type != 8) return TControlKind::PushButton;
  switch (type) {
    case 1:
      return TControlKind::DefaultButton;
    case 2:
    case 3:
      return TControlKind::CheckBox;
    case 4:
    case 9:
      return TControlKind::RadioButton;
    case 5:
    case 6:
      return TControlKind::ThreeState;
    case 7:
      return TControlKind::GroupBox;
    case 0xB:
      return TControlKind::OwnerDrawButton;
    case 0xC:
    case 0xD:
      return TControlKind::SplitButton;
    case 0xE:
    case 0xF:
      return TControlKind::CommandLink;
    default:
      return TControlKind::PushButton;
  }
}

/// The kind of a STATIC with `style`.
constexpr TControlKind StaticKind(std::uint32_t style) {
  switch (style & 0x1F) {
    case 0x03:
      return TControlKind::StaticIcon;
    case 0x0E:
    case 0x0F:
      return TControlKind::StaticImage;
    case 0x04:
    case 0x05:
    case 0x06:
      return TControlKind::StaticRect;
    case 0x07:
    case 0x08:
    case 0x09:
      return TControlKind::StaticFrame;
    case 0x10:
    case 0x11:
    case 0x12:
      return TControlKind::StaticEtched;
    case 0x0A:
    case 0x0D:
      return TControlKind::StaticOwnerDraw;
    default:
      return TControlKind::StaticText;
  }
}

/// The kinds of the class ordinals 0x80 to 0x85 by the style bits they depend on: 64 for
/// each, the low five bits and BS_PUSHLIKE (every control of a dialog is looked up).
struct TOrdinalKinds {
  TControlKind kinds[6 * 64];
};
constexpr TOrdinalKinds MakeOrdinalKinds() {
  TOrdinalKinds table{};
  for (std::uint32_t bits = 0; bits < 64; ++bits) {
    const std::uint32_t style = (bits & 0x1F) | (bits & 0x20) << 7;
    table.kinds[0 * 64 + bits] = ButtonKind(style);
    table.kinds[1 * 64 + bits] = TControlKind::Edit;
    table.kinds[2 * 64 + bits] = StaticKind(style);
    table.kinds[3 * 64 + bits] = TControlKind::ListBox;
    table.kinds[4 * 64 + bits] = TControlKind::ScrollBar;
    table.kinds[5 * 64 + bits] = (style & 3) == 1 ? TControlKind::SimpleComboBox : TControlKind::ComboBox;
  }
  return table;
}
inline constexpr TOrdinalKinds kOrdinalKinds = MakeOrdinalKinds();

/// The kind of a control of the class ordinal `ordinal` (0x80 button ... 0x85 combo box).
inline TControlKind KindOfClassOrdinal(std::uint16_t ordinal, std::uint32_t style) {
  const unsigned row = ordinal - 0x80u;
  if (row >= 6) return TControlKind::Custom;
  return kOrdinalKinds.kinds[row << 6 | (style & 0x1F) | (style >> 7 & 0x20)];
}

/// The base units of a dialog's font: the system font's without one.
TBaseUnits DialogFontUnits(bool hasFont, std::uint16_t points, std::u16string_view face);
TBaseUnits DialogBaseUnits(const TDialogTemplate& dialog);

/// The dialog a layout is looked at in: its size in dialog units and its font's base units.
struct TLayoutFrame {
  int width = 0;
  int height = 0;
  TBaseUnits units;
};

/// The rules of the first look at a layout, shared by the look at a whole dialog and the
/// compiler's look at each control as it is compiled.
namespace layout_rules {

constexpr std::uint32_t kVisible = 0x10000000;  // WS_VISIBLE

/// Kinds whose overlaps are not worth a warning: containers and decorations.
constexpr std::uint64_t kContainerKinds = std::uint64_t{1} << static_cast<unsigned>(TControlKind::GroupBox) |
                                          std::uint64_t{1} << static_cast<unsigned>(TControlKind::StaticRect) |
                                          std::uint64_t{1} << static_cast<unsigned>(TControlKind::StaticFrame) |
                                          std::uint64_t{1} << static_cast<unsigned>(TControlKind::StaticEtched) |
                                          std::uint64_t{1} << static_cast<unsigned>(TControlKind::Tab);

/// Whether a control's id counts among the dialog's ids: not -1 or 0xFFFF, and not 0 on a
/// static or a group box (ids 1 to 0xFFFE, most of all, always count).
inline bool IdCounts(std::uint32_t id, TControlKind kind, bool staticClass) {
  return id - 1 < 0xFFFE ||
         (id != 0xFFFF && id != 0xFFFFFFFF && (id != 0 || !(kind == TControlKind::GroupBox || staticClass)));
}

/// A control's rectangle in dialog units: a drop-down combo box by its field (`comboHeight`).
inline TLayoutFindings::TRect RectOf(int x, int y, int width, int height, TControlKind kind, int comboHeight) {
  return {x, y, x + width, y + (kind == TControlKind::ComboBox && height > comboHeight ? comboHeight : height)};
}

/// Not wholly inside a dialog of `width` x `height` (sums of 16-bit values, far from overflowing).
inline bool LiesOutside(const TLayoutFindings::TRect& r, int width, int height) {
  return (r.left | r.top | (width - r.right) | (height - r.bottom)) < 0;
}

/// Wholly outside, not only partly.
inline bool LiesWhollyOutside(const TLayoutFindings::TRect& r, int width, int height) {
  return r.right <= 0 || r.bottom <= 0 || r.left >= width || r.top >= height;
}

/// Whether the overlap search looks at a visible control.
inline bool Searched(const TLayoutFindings::TRect& r, TControlKind kind) {
  return (kContainerKinds >> static_cast<unsigned>(kind) & 1) == 0 && r.right > r.left && r.bottom > r.top;
}

}  // namespace layout_rules

/// A drop-down combo box's field height in dialog units for a font's base units.
int ComboFieldUnits(TBaseUnits units);

/// Finds controls outside the dialog, overlaps and shared ids; at most `most` of each.
/// `findings` is cleared first; its room is kept for the next dialog.
void FindLayoutProblems(std::span<const TControlFacts> controls, const TLayoutFrame& frame, std::size_t most,
                        TLayoutFindings& findings);

/// The same for a template read back.
TLayoutFindings FindLayoutProblems(const TDialogTemplate& dialog, std::size_t most);

/// The warnings for a dialog: visible controls that lie partly or wholly outside it, visible
/// controls of the same kind that overlap (group boxes, frames and rectangles, which are
/// meant to contain others, aside), and ids used by more than one control (-1, and 0 on
/// statics and group boxes, aside). `label` names a control in the texts.
std::vector<std::string> DialogWarnings(const TDialogTemplate& dialog,
                                        const std::function<std::string(const TDialogControl&)>& label);

}  // namespace tarvex
