#include "output/dialog_layout.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace tarvex {

namespace {

constexpr std::uint32_t kSetFont = 0x40;
constexpr std::uint32_t kChild = 0x40000000;
constexpr std::uint16_t kMessageBoxFont = 0x7FFF;
constexpr std::size_t kMostWarnings = 50;
constexpr std::size_t kMostComparisons = 4000000;  // bounds the overlap search of a huge dialog

constexpr std::array<TFontMetrics, 18> kFontMetrics = {{
    {"MS Shell Dlg", 8, {6, 13}},
    {"MS Shell Dlg", 9, {7, 14}},
    {"MS Shell Dlg", 10, {7, 16}},
    {"MS Shell Dlg 2", 8, {6, 13}},
    {"MS Shell Dlg 2", 9, {7, 14}},
    {"MS Shell Dlg 2", 10, {7, 16}},
    {"MS Sans Serif", 8, {6, 13}},
    {"MS Sans Serif", 9, {6, 13}},
    {"MS Sans Serif", 10, {7, 16}},
    {"Microsoft Sans Serif", 8, {6, 13}},
    {"Microsoft Sans Serif", 9, {7, 14}},
    {"Microsoft Sans Serif", 10, {7, 16}},
    {"Tahoma", 8, {6, 13}},
    {"Tahoma", 9, {7, 14}},
    {"Tahoma", 10, {7, 16}},
    {"Segoe UI", 8, {6, 14}},
    {"Segoe UI", 9, {7, 15}},
    {"Segoe UI", 10, {8, 17}},
}};

constexpr std::array<const char*, 6> kPredefinedClasses = {"BUTTON",  "EDIT",      "STATIC",
                                                           "LISTBOX", "SCROLLBAR", "COMBOBOX"};

struct TBitName {
  std::uint32_t mask;   ///< the bits looked at
  std::uint32_t value;  ///< the value they must have
  const char* name;
};

// Window styles of child windows and of top-level windows; the first match of a group wins.
constexpr TBitName kChildWindowStyles[] = {
    {0x40000000, 0x40000000, "WS_CHILD"},        {0x20000000, 0x20000000, "WS_MINIMIZE"},
    {0x10000000, 0x10000000, "WS_VISIBLE"},      {0x08000000, 0x08000000, "WS_DISABLED"},
    {0x04000000, 0x04000000, "WS_CLIPSIBLINGS"}, {0x02000000, 0x02000000, "WS_CLIPCHILDREN"},
    {0x01000000, 0x01000000, "WS_MAXIMIZE"},     {0x00C00000, 0x00C00000, "WS_CAPTION"},
    {0x00C00000, 0x00800000, "WS_BORDER"},       {0x00C00000, 0x00400000, "WS_DLGFRAME"},
    {0x00200000, 0x00200000, "WS_VSCROLL"},      {0x00100000, 0x00100000, "WS_HSCROLL"},
    {0x00080000, 0x00080000, "WS_SYSMENU"},      {0x00040000, 0x00040000, "WS_THICKFRAME"},
    {0x00020000, 0x00020000, "WS_GROUP"},        {0x00010000, 0x00010000, "WS_TABSTOP"},
};
constexpr TBitName kPopupWindowStyles[] = {
    {0x80000000, 0x80000000, "WS_POPUP"},        {0x40000000, 0x40000000, "WS_CHILD"},
    {0x20000000, 0x20000000, "WS_MINIMIZE"},     {0x10000000, 0x10000000, "WS_VISIBLE"},
    {0x08000000, 0x08000000, "WS_DISABLED"},     {0x04000000, 0x04000000, "WS_CLIPSIBLINGS"},
    {0x02000000, 0x02000000, "WS_CLIPCHILDREN"}, {0x01000000, 0x01000000, "WS_MAXIMIZE"},
    {0x00C00000, 0x00C00000, "WS_CAPTION"},      {0x00C00000, 0x00800000, "WS_BORDER"},
    {0x00C00000, 0x00400000, "WS_DLGFRAME"},     {0x00200000, 0x00200000, "WS_VSCROLL"},
    {0x00100000, 0x00100000, "WS_HSCROLL"},      {0x00080000, 0x00080000, "WS_SYSMENU"},
    {0x00040000, 0x00040000, "WS_THICKFRAME"},   {0x00020000, 0x00020000, "WS_MINIMIZEBOX"},
    {0x00010000, 0x00010000, "WS_MAXIMIZEBOX"},
};
constexpr TBitName kDialogStyles[] = {
    {0x0001, 0x0001, "DS_ABSALIGN"},      {0x0002, 0x0002, "DS_SYSMODAL"},     {0x0004, 0x0004, "DS_3DLOOK"},
    {0x0008, 0x0008, "DS_FIXEDSYS"},      {0x0010, 0x0010, "DS_NOFAILCREATE"}, {0x0020, 0x0020, "DS_LOCALEDIT"},
    {0x0040, 0x0040, "DS_SETFONT"},       {0x0080, 0x0080, "DS_MODALFRAME"},   {0x0100, 0x0100, "DS_NOIDLEMSG"},
    {0x0200, 0x0200, "DS_SETFOREGROUND"}, {0x0400, 0x0400, "DS_CONTROL"},      {0x0800, 0x0800, "DS_CENTER"},
    {0x1000, 0x1000, "DS_CENTERMOUSE"},   {0x2000, 0x2000, "DS_CONTEXTHELP"},
};
constexpr TBitName kExStyles[] = {
    {0x00000001, 0x00000001, "WS_EX_DLGMODALFRAME"}, {0x00000004, 0x00000004, "WS_EX_NOPARENTNOTIFY"},
    {0x00000008, 0x00000008, "WS_EX_TOPMOST"},       {0x00000010, 0x00000010, "WS_EX_ACCEPTFILES"},
    {0x00000020, 0x00000020, "WS_EX_TRANSPARENT"},   {0x00000040, 0x00000040, "WS_EX_MDICHILD"},
    {0x00000080, 0x00000080, "WS_EX_TOOLWINDOW"},    {0x00000100, 0x00000100, "WS_EX_WINDOWEDGE"},
    {0x00000200, 0x00000200, "WS_EX_CLIENTEDGE"},    {0x00000400, 0x00000400, "WS_EX_CONTEXTHELP"},
    {0x00001000, 0x00001000, "WS_EX_RIGHT"},         {0x00002000, 0x00002000, "WS_EX_RTLREADING"},
    {0x00004000, 0x00004000, "WS_EX_LEFTSCROLLBAR"}, {0x00010000, 0x00010000, "WS_EX_CONTROLPARENT"},
    {0x00020000, 0x00020000, "WS_EX_STATICEDGE"},    {0x00040000, 0x00040000, "WS_EX_APPWINDOW"},
    {0x00080000, 0x00080000, "WS_EX_LAYERED"},       {0x00100000, 0x00100000, "WS_EX_NOINHERITLAYOUT"},
    {0x00400000, 0x00400000, "WS_EX_LAYOUTRTL"},     {0x02000000, 0x02000000, "WS_EX_COMPOSITED"},
    {0x08000000, 0x08000000, "WS_EX_NOACTIVATE"},
};

// Class styles, in the low 16 bits.
constexpr TBitName kButtonStyles[] = {
    {0xF, 0x0, "BS_PUSHBUTTON"},      {0xF, 0x1, "BS_DEFPUSHBUTTON"},  {0xF, 0x2, "BS_CHECKBOX"},
    {0xF, 0x3, "BS_AUTOCHECKBOX"},    {0xF, 0x4, "BS_RADIOBUTTON"},    {0xF, 0x5, "BS_3STATE"},
    {0xF, 0x6, "BS_AUTO3STATE"},      {0xF, 0x7, "BS_GROUPBOX"},       {0xF, 0x8, "BS_USERBUTTON"},
    {0xF, 0x9, "BS_AUTORADIOBUTTON"}, {0xF, 0xA, "BS_PUSHBOX"},        {0xF, 0xB, "BS_OWNERDRAW"},
    {0xF, 0xC, "BS_SPLITBUTTON"},     {0xF, 0xD, "BS_DEFSPLITBUTTON"}, {0xF, 0xE, "BS_COMMANDLINK"},
    {0xF, 0xF, "BS_DEFCOMMANDLINK"},  {0x20, 0x20, "BS_LEFTTEXT"},     {0x40, 0x40, "BS_ICON"},
    {0x80, 0x80, "BS_BITMAP"},        {0x300, 0x300, "BS_CENTER"},     {0x300, 0x100, "BS_LEFT"},
    {0x300, 0x200, "BS_RIGHT"},       {0xC00, 0xC00, "BS_VCENTER"},    {0xC00, 0x400, "BS_TOP"},
    {0xC00, 0x800, "BS_BOTTOM"},      {0x1000, 0x1000, "BS_PUSHLIKE"}, {0x2000, 0x2000, "BS_MULTILINE"},
    {0x4000, 0x4000, "BS_NOTIFY"},    {0x8000, 0x8000, "BS_FLAT"},
};
constexpr TBitName kEditStyles[] = {
    {0x3, 0x0, "ES_LEFT"},
    {0x3, 0x1, "ES_CENTER"},
    {0x3, 0x2, "ES_RIGHT"},
    {0x4, 0x4, "ES_MULTILINE"},
    {0x8, 0x8, "ES_UPPERCASE"},
    {0x10, 0x10, "ES_LOWERCASE"},
    {0x20, 0x20, "ES_PASSWORD"},
    {0x40, 0x40, "ES_AUTOVSCROLL"},
    {0x80, 0x80, "ES_AUTOHSCROLL"},
    {0x100, 0x100, "ES_NOHIDESEL"},
    {0x400, 0x400, "ES_OEMCONVERT"},
    {0x800, 0x800, "ES_READONLY"},
    {0x1000, 0x1000, "ES_WANTRETURN"},
    {0x2000, 0x2000, "ES_NUMBER"},
};
constexpr TBitName kStaticStyles[] = {
    {0x1F, 0x00, "SS_LEFT"},
    {0x1F, 0x01, "SS_CENTER"},
    {0x1F, 0x02, "SS_RIGHT"},
    {0x1F, 0x03, "SS_ICON"},
    {0x1F, 0x04, "SS_BLACKRECT"},
    {0x1F, 0x05, "SS_GRAYRECT"},
    {0x1F, 0x06, "SS_WHITERECT"},
    {0x1F, 0x07, "SS_BLACKFRAME"},
    {0x1F, 0x08, "SS_GRAYFRAME"},
    {0x1F, 0x09, "SS_WHITEFRAME"},
    {0x1F, 0x0A, "SS_USERITEM"},
    {0x1F, 0x0B, "SS_SIMPLE"},
    {0x1F, 0x0C, "SS_LEFTNOWORDWRAP"},
    {0x1F, 0x0D, "SS_OWNERDRAW"},
    {0x1F, 0x0E, "SS_BITMAP"},
    {0x1F, 0x0F, "SS_ENHMETAFILE"},
    {0x1F, 0x10, "SS_ETCHEDHORZ"},
    {0x1F, 0x11, "SS_ETCHEDVERT"},
    {0x1F, 0x12, "SS_ETCHEDFRAME"},
    {0x40, 0x40, "SS_REALSIZECONTROL"},
    {0x80, 0x80, "SS_NOPREFIX"},
    {0x100, 0x100, "SS_NOTIFY"},
    {0x200, 0x200, "SS_CENTERIMAGE"},
    {0x400, 0x400, "SS_RIGHTJUST"},
    {0x800, 0x800, "SS_REALSIZEIMAGE"},
    {0x1000, 0x1000, "SS_SUNKEN"},
    {0x2000, 0x2000, "SS_EDITCONTROL"},
    {0xC000, 0xC000, "SS_WORDELLIPSIS"},
    {0xC000, 0x4000, "SS_ENDELLIPSIS"},
    {0xC000, 0x8000, "SS_PATHELLIPSIS"},
};
constexpr TBitName kListBoxStyles[] = {
    {0x1, 0x1, "LBS_NOTIFY"},
    {0x2, 0x2, "LBS_SORT"},
    {0x4, 0x4, "LBS_NOREDRAW"},
    {0x8, 0x8, "LBS_MULTIPLESEL"},
    {0x10, 0x10, "LBS_OWNERDRAWFIXED"},
    {0x20, 0x20, "LBS_OWNERDRAWVARIABLE"},
    {0x40, 0x40, "LBS_HASSTRINGS"},
    {0x80, 0x80, "LBS_USETABSTOPS"},
    {0x100, 0x100, "LBS_NOINTEGRALHEIGHT"},
    {0x200, 0x200, "LBS_MULTICOLUMN"},
    {0x400, 0x400, "LBS_WANTKEYBOARDINPUT"},
    {0x800, 0x800, "LBS_EXTENDEDSEL"},
    {0x1000, 0x1000, "LBS_DISABLENOSCROLL"},
    {0x2000, 0x2000, "LBS_NODATA"},
    {0x4000, 0x4000, "LBS_NOSEL"},
    {0x8000, 0x8000, "LBS_COMBOBOX"},
};
constexpr TBitName kComboBoxStyles[] = {
    {0x3, 0x1, "CBS_SIMPLE"},
    {0x3, 0x2, "CBS_DROPDOWN"},
    {0x3, 0x3, "CBS_DROPDOWNLIST"},
    {0x10, 0x10, "CBS_OWNERDRAWFIXED"},
    {0x20, 0x20, "CBS_OWNERDRAWVARIABLE"},
    {0x40, 0x40, "CBS_AUTOHSCROLL"},
    {0x80, 0x80, "CBS_OEMCONVERT"},
    {0x100, 0x100, "CBS_SORT"},
    {0x200, 0x200, "CBS_HASSTRINGS"},
    {0x400, 0x400, "CBS_NOINTEGRALHEIGHT"},
    {0x800, 0x800, "CBS_DISABLENOSCROLL"},
    {0x2000, 0x2000, "CBS_UPPERCASE"},
    {0x4000, 0x4000, "CBS_LOWERCASE"},
};
constexpr TBitName kScrollBarStyles[] = {
    {0x19, 0x0, "SBS_HORZ"},      {0x19, 0x1, "SBS_VERT"},    {0x8, 0x8, "SBS_SIZEBOX"},
    {0x10, 0x10, "SBS_SIZEGRIP"}, {0x2, 0x2, "SBS_TOPALIGN"}, {0x4, 0x4, "SBS_BOTTOMALIGN"},
};
constexpr TBitName kProgressStyles[] = {
    {0x1, 0x1, "PBS_SMOOTH"}, {0x4, 0x4, "PBS_VERTICAL"}, {0x8, 0x8, "PBS_MARQUEE"}};
constexpr TBitName kTrackBarStyles[] = {
    {0x1, 0x1, "TBS_AUTOTICKS"},
    {0x2, 0x2, "TBS_VERT"},
    {0x4, 0x4, "TBS_TOP"},
    {0x8, 0x8, "TBS_BOTH"},
    {0x10, 0x10, "TBS_NOTICKS"},
    {0x20, 0x20, "TBS_ENABLESELRANGE"},
    {0x40, 0x40, "TBS_FIXEDLENGTH"},
    {0x80, 0x80, "TBS_NOTHUMB"},
    {0x100, 0x100, "TBS_TOOLTIPS"},
    {0x200, 0x200, "TBS_REVERSED"},
    {0x400, 0x400, "TBS_DOWNISLEFT"},
    {0x800, 0x800, "TBS_NOTIFYBEFOREMOVE"},
    {0x1000, 0x1000, "TBS_TRANSPARENTBKGND"},
};
constexpr TBitName kUpDownStyles[] = {
    {0x1, 0x1, "UDS_WRAP"},      {0x2, 0x2, "UDS_SETBUDDYINT"},   {0x4, 0x4, "UDS_ALIGNRIGHT"},
    {0x8, 0x8, "UDS_ALIGNLEFT"}, {0x10, 0x10, "UDS_AUTOBUDDY"},   {0x20, 0x20, "UDS_ARROWKEYS"},
    {0x40, 0x40, "UDS_HORZ"},    {0x80, 0x80, "UDS_NOTHOUSANDS"}, {0x100, 0x100, "UDS_HOTTRACK"},
};
constexpr TBitName kListViewStyles[] = {
    {0x3, 0x0, "LVS_ICON"},
    {0x3, 0x1, "LVS_REPORT"},
    {0x3, 0x2, "LVS_SMALLICON"},
    {0x3, 0x3, "LVS_LIST"},
    {0x4, 0x4, "LVS_SINGLESEL"},
    {0x8, 0x8, "LVS_SHOWSELALWAYS"},
    {0x10, 0x10, "LVS_SORTASCENDING"},
    {0x20, 0x20, "LVS_SORTDESCENDING"},
    {0x40, 0x40, "LVS_SHAREIMAGELISTS"},
    {0x80, 0x80, "LVS_NOLABELWRAP"},
    {0x100, 0x100, "LVS_AUTOARRANGE"},
    {0x200, 0x200, "LVS_EDITLABELS"},
    {0x1000, 0x1000, "LVS_OWNERDATA"},
    {0x2000, 0x2000, "LVS_NOSCROLL"},
    {0x4000, 0x4000, "LVS_NOCOLUMNHEADER"},
    {0x8000, 0x8000, "LVS_NOSORTHEADER"},
};
constexpr TBitName kTreeViewStyles[] = {
    {0x1, 0x1, "TVS_HASBUTTONS"},          {0x2, 0x2, "TVS_HASLINES"},          {0x4, 0x4, "TVS_LINESATROOT"},
    {0x8, 0x8, "TVS_EDITLABELS"},          {0x10, 0x10, "TVS_DISABLEDRAGDROP"}, {0x20, 0x20, "TVS_SHOWSELALWAYS"},
    {0x40, 0x40, "TVS_RTLREADING"},        {0x80, 0x80, "TVS_NOTOOLTIPS"},      {0x100, 0x100, "TVS_CHECKBOXES"},
    {0x200, 0x200, "TVS_TRACKSELECT"},     {0x400, 0x400, "TVS_SINGLEEXPAND"},  {0x800, 0x800, "TVS_INFOTIP"},
    {0x1000, 0x1000, "TVS_FULLROWSELECT"}, {0x2000, 0x2000, "TVS_NOSCROLL"},    {0x4000, 0x4000, "TVS_NONEVENHEIGHT"},
    {0x8000, 0x8000, "TVS_NOHSCROLL"},
};
constexpr TBitName kDateStyles[] = {
    {0x1, 0x1, "DTS_UPDOWN"},     {0x2, 0x2, "DTS_SHOWNONE"},      {0xC, 0x4, "DTS_LONGDATEFORMAT"},
    {0xC, 0x8, "DTS_TIMEFORMAT"}, {0x10, 0x10, "DTS_APPCANPARSE"}, {0x20, 0x20, "DTS_RIGHTALIGN"},
};

// Names the bits of `value` that `table` knows; the rest in hexadecimal.
template <std::size_t N>
std::string NameBits(std::uint32_t value, const TBitName (&table)[N], std::uint32_t& covered) {
  std::string names;
  std::uint32_t matchedMasks = 0;
  for (const TBitName& entry : table) {
    if ((matchedMasks & entry.mask) != 0 || (value & entry.mask) != entry.value) continue;
    names += (names.empty() ? "" : " | ") + std::string(entry.name);
    matchedMasks |= entry.mask;
  }
  covered |= matchedMasks;
  return names;
}

std::string JoinNames(std::string a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + " | " + b;
}

std::string HexRest(std::uint32_t value, std::uint32_t covered) {
  std::uint32_t rest = value & ~covered;
  if (rest == 0) return {};
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(rest));
  return text;
}

bool EqualsIgnoringCase(std::u16string_view text, std::string_view name) {
  if (text.size() != name.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t a = text[i] >= u'a' && text[i] <= u'z' ? static_cast<char16_t>(text[i] - 32) : text[i];
    char b = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 32) : name[i];
    if (a != static_cast<char16_t>(static_cast<unsigned char>(b))) return false;
  }
  return true;
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

// The common control classes by name (upper case).
constexpr std::pair<std::string_view, TControlKind> kClassKinds[] = {
    {"EDIT", TControlKind::Edit},
    {"LISTBOX", TControlKind::ListBox},
    {"SCROLLBAR", TControlKind::ScrollBar},
    {"RICHEDIT", TControlKind::RichEdit},
    {"RICHEDIT20A", TControlKind::RichEdit},
    {"RICHEDIT20W", TControlKind::RichEdit},
    {"RICHEDIT50W", TControlKind::RichEdit},
    {"MSCTLS_PROGRESS32", TControlKind::ProgressBar},
    {"MSCTLS_TRACKBAR32", TControlKind::TrackBar},
    {"MSCTLS_UPDOWN32", TControlKind::UpDown},
    {"MSCTLS_HOTKEY32", TControlKind::HotKey},
    {"SYSLISTVIEW32", TControlKind::ListView},
    {"SYSTREEVIEW32", TControlKind::TreeView},
    {"SYSTABCONTROL32", TControlKind::Tab},
    {"SYSDATETIMEPICK32", TControlKind::DatePicker},
    {"SYSMONTHCAL32", TControlKind::MonthCalendar},
    {"SYSLINK", TControlKind::Link},
    {"SYSIPADDRESS32", TControlKind::IpAddress},
    {"SYSANIMATE32", TControlKind::Animation},
    {"SYSHEADER32", TControlKind::Header},
};

// Whether `text` is `upper` (upper case) with ASCII letters compared ignoring case.
bool IsClassName(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < upper.size(); ++i) {
    char c = text[i];
    if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c) != upper[i]) return false;
  }
  return true;
}

// The kind of a control from its class name (letter case ignored) and style.
TControlKind KindOf(std::string_view className, std::uint32_t style) {
  if (IsClassName(className, "BUTTON")) return ButtonKind(style);
  if (IsClassName(className, "STATIC")) return StaticKind(style);
  if (IsClassName(className, "COMBOBOX") || IsClassName(className, "COMBOBOXEX32"))
    return (style & 3) == 1 ? TControlKind::SimpleComboBox : TControlKind::ComboBox;
  for (const auto& [name, kind] : kClassKinds)
    if (IsClassName(className, name)) return kind;
  return TControlKind::Custom;
}

// The height of a drop-down combo box's field: the font's height and its frame.
int ComboFieldHeight(TBaseUnits units) { return units.y + 8; }

// The kinds that count as the same for overlaps.
TControlKind OverlapClass(TControlKind kind) {
  switch (kind) {
    case TControlKind::DefaultButton:
    case TControlKind::SplitButton:
    case TControlKind::CommandLink:
    case TControlKind::OwnerDrawButton:
      return TControlKind::PushButton;
    case TControlKind::ThreeState:
      return TControlKind::CheckBox;
    case TControlKind::RichEdit:
      return TControlKind::Edit;
    case TControlKind::SimpleComboBox:
      return TControlKind::ComboBox;
    case TControlKind::StaticIcon:
      return TControlKind::StaticImage;
    default:
      return kind;
  }
}

const char* PluralKindName(TControlKind kind) {
  switch (OverlapClass(kind)) {
    case TControlKind::PushButton:
      return "buttons";
    case TControlKind::CheckBox:
      return "check boxes";
    case TControlKind::RadioButton:
      return "radio buttons";
    case TControlKind::StaticText:
      return "static texts";
    case TControlKind::StaticImage:
      return "images";
    case TControlKind::Edit:
      return "edit fields";
    case TControlKind::ListBox:
      return "list boxes";
    case TControlKind::ComboBox:
      return "combo boxes";
    case TControlKind::ScrollBar:
      return "scroll bars";
    default:
      return "controls of the same kind";
  }
}

// A control's rectangle in dialog units as left, top, right, bottom; a drop-down combo
// box counts with its closed field only.
using TUnitRect = TLayoutFindings::TRect;

TUnitRect UnitRect(const TControlFacts& control, TBaseUnits units) {
  return layout_rules::RectOf(control.x, control.y, control.width, control.height, control.kind,
                              ComboFieldUnits(units));
}

}  // namespace

std::span<const TFontMetrics> FontMetricsTable() { return kFontMetrics; }

int ComboFieldUnits(TBaseUnits units) { return (ComboFieldHeight(units) * 8 + units.y - 1) / units.y; }

TBaseUnits FontBaseUnits(std::u16string_view face, int points, bool* known) {
  if (known) *known = true;
  for (const TFontMetrics& row : kFontMetrics)
    if (row.points == points && EqualsIgnoringCase(face, row.face)) return row.units;
  if (known) *known = false;
  int pixels = MulDiv(std::clamp(points, 1, 200), 96, 72);
  return {std::max(1, MulDiv(pixels, 11, 20)), std::max(1, MulDiv(pixels, 6, 5))};
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return 0;
  std::int64_t product = std::int64_t{number} * numerator;
  bool negative = (product < 0) != (denominator < 0);
  std::int64_t magnitude = (std::llabs(product) + std::llabs(denominator) / 2) / std::llabs(denominator);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

TPixelRect DialogToPixels(int x, int y, int width, int height, TBaseUnits units) {
  return {MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(width, units.x, 4), MulDiv(height, units.y, 8)};
}

const char* KindName(TControlKind kind) {
  switch (kind) {
    case TControlKind::PushButton:
      return "push button";
    case TControlKind::DefaultButton:
      return "default push button";
    case TControlKind::SplitButton:
      return "split button";
    case TControlKind::CommandLink:
      return "command link";
    case TControlKind::OwnerDrawButton:
      return "owner-drawn button";
    case TControlKind::CheckBox:
      return "check box";
    case TControlKind::RadioButton:
      return "radio button";
    case TControlKind::ThreeState:
      return "three-state check box";
    case TControlKind::GroupBox:
      return "group box";
    case TControlKind::StaticText:
      return "static text";
    case TControlKind::StaticIcon:
      return "icon";
    case TControlKind::StaticImage:
      return "image";
    case TControlKind::StaticRect:
      return "rectangle";
    case TControlKind::StaticFrame:
      return "frame";
    case TControlKind::StaticEtched:
      return "etched line";
    case TControlKind::StaticOwnerDraw:
      return "owner-drawn static";
    case TControlKind::Edit:
      return "edit field";
    case TControlKind::RichEdit:
      return "rich edit field";
    case TControlKind::ListBox:
      return "list box";
    case TControlKind::ComboBox:
      return "drop-down combo box";
    case TControlKind::SimpleComboBox:
      return "simple combo box";
    case TControlKind::ScrollBar:
      return "scroll bar";
    case TControlKind::ProgressBar:
      return "progress bar";
    case TControlKind::TrackBar:
      return "track bar";
    case TControlKind::UpDown:
      return "up-down control";
    case TControlKind::ListView:
      return "list view";
    case TControlKind::TreeView:
      return "tree view";
    case TControlKind::Tab:
      return "tab control";
    case TControlKind::DatePicker:
      return "date picker";
    case TControlKind::MonthCalendar:
      return "month calendar";
    case TControlKind::Link:
      return "link";
    case TControlKind::HotKey:
      return "hot key field";
    case TControlKind::IpAddress:
      return "IP address field";
    case TControlKind::Animation:
      return "animation";
    case TControlKind::Header:
      return "header";
    case TControlKind::Custom:
      return "custom control";
  }
  return "control";
}

TDialogTemplate ReadDialogTemplate(std::span<const std::uint8_t> data) {
  TDialogTemplate dialog;
  ReadDialogTemplateInto(data, dialog);
  return dialog;
}

namespace {

// The fields of a template before its controls; the count of its controls.
std::uint16_t ReadHead(TByteCursor& cursor, std::span<const std::uint8_t> data, TDialogTemplate& dialog) {
  dialog.extended = data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
  dialog.helpId = 0;
  if (dialog.extended) {
    cursor.Skip(4);
    dialog.helpId = cursor.U32();
    dialog.exStyle = cursor.U32();
    dialog.style = cursor.U32();
  } else {
    dialog.style = cursor.U32();
    dialog.exStyle = cursor.U32();
  }
  std::uint16_t count = cursor.U16();
  dialog.x = cursor.I16();
  dialog.y = cursor.I16();
  dialog.width = cursor.I16();
  dialog.height = cursor.I16();
  cursor.ReadNameOrOrdinal(dialog.menu);
  cursor.ReadNameOrOrdinal(dialog.windowClass);
  cursor.ReadText(dialog.caption);
  dialog.hasFont = (dialog.style & kSetFont) != 0;
  dialog.points = dialog.weight = 0;
  dialog.italic = dialog.charset = 0;
  dialog.face.clear();
  if (dialog.hasFont) {
    dialog.points = cursor.U16();
    if (dialog.extended) {
      dialog.weight = cursor.U16();
      dialog.italic = cursor.U8();
      dialog.charset = cursor.U8();
    }
    cursor.ReadText(dialog.face);
  }
  return count;
}

}  // namespace

void ReadDialogTemplateInto(std::span<const std::uint8_t> data, TDialogTemplate& dialog) {
  TByteCursor cursor(data);
  std::uint16_t count = ReadHead(cursor, data, dialog);
  std::vector<TDialogControl>& controls = dialog.controls;
  controls.reserve(std::min<std::size_t>(count, data.size() / 18));
  for (std::uint16_t i = 0; i < count; ++i) {
    cursor.AlignTo4();
    if (i >= controls.size()) controls.emplace_back();
    TDialogControl& control = controls[i];
    control.helpId = 0;
    if (dialog.extended) {
      control.helpId = cursor.U32();
      control.exStyle = cursor.U32();
      control.style = cursor.U32();
    } else {
      control.style = cursor.U32();
      control.exStyle = cursor.U32();
    }
    control.x = cursor.I16();
    control.y = cursor.I16();
    control.width = cursor.I16();
    control.height = cursor.I16();
    control.id = dialog.extended ? cursor.U32() : cursor.U16();
    cursor.ReadNameOrOrdinal(control.windowClass);
    cursor.ReadNameOrOrdinal(control.title);
    // The size of the creation data counts its own word in a standard template only.
    control.creationDataSize = cursor.U16();
    cursor.Skip(dialog.extended ? control.creationDataSize : std::max<std::size_t>(control.creationDataSize, 2) - 2);
    const TResourceId& windowClass = control.windowClass;
    if (windowClass.isOrdinal && windowClass.ordinal >= 0x80 && windowClass.ordinal <= 0x85)
      control.className = kPredefinedClasses[windowClass.ordinal - 0x80];
    else
      control.className =
          windowClass.isOrdinal ? "#" + std::to_string(windowClass.ordinal) : DisplayUtf8(windowClass.text);
    control.kind = KindOf(control.className, control.style);
  }
  controls.resize(count);
}

TDialogLayout LayOutDialog(const TDialogTemplate& dialog) {
  TDialogLayout layout;
  if (dialog.hasFont) {
    if (dialog.points == kMessageBoxFont) {
      layout.units = FontBaseUnits(u"Segoe UI", 9);
      layout.fontPixels = 12;
    } else {
      layout.units = FontBaseUnits(dialog.face, dialog.points, &layout.knownFont);
      layout.fontPixels = MulDiv(dialog.points, 96, 72);
    }
  }
  layout.client = DialogToPixels(0, 0, dialog.width, dialog.height, layout.units);
  layout.controls.reserve(dialog.controls.size());
  for (const TDialogControl& control : dialog.controls) {
    TControlLayout placed;
    placed.box = DialogToPixels(control.x, control.y, control.width, control.height, layout.units);
    placed.face = placed.box;
    if (control.kind == TControlKind::ComboBox || control.kind == TControlKind::SimpleComboBox)
      placed.face.height = std::min(placed.box.height, ComboFieldHeight(layout.units));
    layout.controls.push_back(placed);
  }
  return layout;
}

std::string ControlStyleNames(const TDialogControl& control) {
  std::uint32_t covered = 0;
  std::string window = NameBits(control.style & 0xFFFF0000u, kChildWindowStyles, covered);
  std::uint32_t low = control.style & 0xFFFF;
  std::string own;
  std::string upper = UpperAscii(control.className);
  switch (control.kind) {
    case TControlKind::Edit:
    case TControlKind::RichEdit:
      own = NameBits(low, kEditStyles, covered);
      break;
    case TControlKind::ListBox:
      own = NameBits(low, kListBoxStyles, covered);
      break;
    case TControlKind::ComboBox:
    case TControlKind::SimpleComboBox:
      own = NameBits(low, kComboBoxStyles, covered);
      break;
    case TControlKind::ScrollBar:
      own = NameBits(low, kScrollBarStyles, covered);
      break;
    case TControlKind::ProgressBar:
      own = NameBits(low, kProgressStyles, covered);
      break;
    case TControlKind::TrackBar:
      own = NameBits(low, kTrackBarStyles, covered);
      break;
    case TControlKind::UpDown:
      own = NameBits(low, kUpDownStyles, covered);
      break;
    case TControlKind::ListView:
      own = NameBits(low, kListViewStyles, covered);
      break;
    case TControlKind::TreeView:
      own = NameBits(low, kTreeViewStyles, covered);
      break;
    case TControlKind::DatePicker:
      own = NameBits(low, kDateStyles, covered);
      break;
    default:
      if (upper == "BUTTON") own = NameBits(low, kButtonStyles, covered);
      if (upper == "STATIC") own = NameBits(low, kStaticStyles, covered);
      break;
  }
  return JoinNames(JoinNames(window, own), HexRest(control.style, covered));
}

std::string ExStyleNames(std::uint32_t exStyle) {
  std::uint32_t covered = 0;
  std::string names = NameBits(exStyle, kExStyles, covered);
  return JoinNames(names, HexRest(exStyle, covered));
}

std::string DialogStyleNames(std::uint32_t style) {
  std::uint32_t covered = 0;
  std::string window = (style & kChild) != 0 ? NameBits(style & 0xFFFF0000u, kChildWindowStyles, covered)
                                             : NameBits(style & 0xFFFF0000u, kPopupWindowStyles, covered);
  std::string own = NameBits(style & 0xFFFF, kDialogStyles, covered);
  return JoinNames(JoinNames(window, own), HexRest(style, covered));
}

TControlFacts FactsOf(const TDialogControl& control) {
  TControlFacts facts;
  facts.id = control.id;
  facts.style = control.style;
  facts.x = control.x;
  facts.y = control.y;
  facts.width = control.width;
  facts.height = control.height;
  facts.kind = control.kind;
  facts.staticClass = control.className == "STATIC";
  return facts;
}

TControlKind KindOfClass(std::string_view className, std::uint32_t style) { return KindOf(className, style); }

TBaseUnits DialogFontUnits(bool hasFont, std::uint16_t points, std::u16string_view face) {
  if (!hasFont) return {};
  return points == kMessageBoxFont ? FontBaseUnits(u"Segoe UI", 9) : FontBaseUnits(face, points);
}

TBaseUnits DialogBaseUnits(const TDialogTemplate& dialog) {
  return DialogFontUnits(dialog.hasFont, dialog.points, dialog.face);
}

void FindLayoutProblems(std::span<const TControlFacts> controls, const TLayoutFrame& frame, std::size_t most,
                        TLayoutFindings& findings) {
  using namespace layout_rules;
  findings.outside.clear();
  findings.overlaps.clear();
  findings.overlapSizes.clear();
  findings.sharedIds.clear();
  findings.overlapSearchCut = false;
  std::vector<TLayoutFindings::TSearched>& searched = findings.searched;
  searched.clear();
  searched.reserve(controls.size());
  // One pass over the controls: those outside, those the overlap search looks at, whether
  // their ids rise (most dialogs number their controls in order, and then no two share
  // one), and whether those searched come from top to bottom (most dialogs are laid out in
  // order).
  const int width = frame.width, height = frame.height;
  const int comboHeight = ComboFieldUnits(frame.units);
  bool idsRise = true, byTop = true;
  std::int64_t lastId = -1;
  int lastTop = INT32_MIN;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const TControlFacts& control = controls[i];
    if (IdCounts(control.id, control.kind, control.staticClass)) {
      idsRise &= std::int64_t{control.id} > lastId;
      lastId = control.id;
    }
    if ((control.style & kVisible) == 0) continue;
    const TUnitRect r = RectOf(control.x, control.y, control.width, control.height, control.kind, comboHeight);
    if (LiesOutside(r, width, height) && findings.outside.size() < most)
      findings.outside.push_back({i, r.left, r.top, r.right, r.bottom, LiesWhollyOutside(r, width, height)});
    // Overlaps: visible controls sorted by their leading edge along one axis; each is
    // compared with those that start before it ends.
    if (!Searched(r, control.kind)) continue;
    searched.push_back({r, i});
    byTop &= lastTop <= r.top;
    lastTop = r.top;
  }
  // The axis: where every pair the search could find stays under both limits, either axis
  // finds the same overlaps, and the one the controls come in order along needs no sort.
  // Else the one along which the controls overlap less, from their summed extents along
  // each axis over the room they spread across.
  const std::size_t pairs = searched.size() * (searched.size() - (searched.empty() ? 0 : 1)) / 2;
  bool vertical = true, byLeft = false;
  if (pairs >= most || pairs > kMostComparisons || !byTop) {
    std::int64_t widths = 0, heights = 0;
    TUnitRect span{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    int lastLeft = INT32_MIN;
    byLeft = true;
    for (const TLayoutFindings::TSearched& s : searched) {
      const TUnitRect& r = s.rect;
      widths += r.right - r.left;
      heights += r.bottom - r.top;
      byLeft = byLeft && lastLeft <= r.left;
      lastLeft = r.left;
      span = {std::min(span.left, r.left), std::min(span.top, r.top), std::max(span.right, r.right),
              std::max(span.bottom, r.bottom)};
    }
    vertical = !searched.empty() && heights * (span.right - span.left) < widths * (span.bottom - span.top);
    if (pairs < most && pairs <= kMostComparisons) vertical = byTop || !byLeft;
  }
  std::vector<std::pair<std::size_t, std::size_t>>& overlaps = findings.overlaps;
  std::size_t comparisons = 0;
  // The search along one axis, `lead` and `trail` giving a rectangle's edges on it.
  auto search = [&](bool sorted, auto lead, auto trail) {
    // Else sorted by the leading edge, then template order.
    if (!sorted)
      std::sort(searched.begin(), searched.end(),
                [&](const TLayoutFindings::TSearched& a, const TLayoutFindings::TSearched& b) {
                  return lead(a.rect) != lead(b.rect) ? lead(a.rect) < lead(b.rect) : a.control < b.control;
                });
    const TLayoutFindings::TSearched* list = searched.data();
    const std::size_t count = searched.size();
    std::size_t found = overlaps.size();
    for (std::size_t n = 0; n < count && found < most && comparisons <= kMostComparisons; ++n) {
      const TUnitRect& a = list[n].rect;
      int aEnd = trail(a);
      for (std::size_t m = n + 1; m < count && lead(list[m].rect) < aEnd && found < most; ++m) {
        if (++comparisons > kMostComparisons) break;
        const TUnitRect& b = list[m].rect;
        if (b.top >= a.bottom || a.top >= b.bottom || b.left >= a.right || a.left >= b.right) continue;
        std::size_t first = list[n].control, second = list[m].control;
        if (OverlapClass(controls[first].kind) != OverlapClass(controls[second].kind)) continue;
        overlaps.emplace_back(std::min(first, second), std::max(first, second));
        ++found;
      }
    }
  };
  if (vertical)
    search(byTop, [](const TUnitRect& r) { return r.top; }, [](const TUnitRect& r) { return r.bottom; });
  else
    search(byLeft, [](const TUnitRect& r) { return r.left; }, [](const TUnitRect& r) { return r.right; });
  findings.overlapSearchCut = comparisons > kMostComparisons;
  std::sort(overlaps.begin(), overlaps.end());
  for (auto [first, second] : overlaps) {
    const TUnitRect a = UnitRect(controls[first], frame.units);
    const TUnitRect b = UnitRect(controls[second], frame.units);
    findings.overlapSizes.emplace_back(std::min(a.right, b.right) - std::max(a.left, b.left),
                                       std::min(a.bottom, b.bottom) - std::max(a.top, b.top));
  }
  // Shared ids, in the order of their first use: the controls sorted by id, then each run
  // of one id in template order.
  std::vector<std::uint64_t>& byId = findings.byId;
  byId.clear();
  if (idsRise) return;  // all different
  for (std::size_t i = 0; i < controls.size(); ++i) {
    std::uint32_t id = controls[i].id;
    bool decoration = controls[i].kind == TControlKind::GroupBox || controls[i].staticClass;
    if (id == 0xFFFF || id == 0xFFFFFFFF || (id == 0 && decoration)) continue;
    byId.push_back(std::uint64_t{id} << 32 | i);
  }
  std::sort(byId.begin(), byId.end());
  for (std::size_t n = 0; n < byId.size();) {
    std::size_t end = n + 1;
    while (end < byId.size() && byId[end] >> 32 == byId[n] >> 32) ++end;
    if (end - n >= 2) {
      std::vector<std::size_t> list;
      for (std::size_t k = n; k < end; ++k) list.push_back(byId[k] & 0xFFFFFFFFu);
      findings.sharedIds.push_back(std::move(list));
    }
    n = end;
  }
  std::sort(findings.sharedIds.begin(), findings.sharedIds.end());  // by first use
  if (findings.sharedIds.size() > most) findings.sharedIds.resize(most);
}

TLayoutFindings FindLayoutProblems(const TDialogTemplate& dialog, std::size_t most) {
  std::vector<TControlFacts> facts;
  facts.reserve(dialog.controls.size());
  for (const TDialogControl& control : dialog.controls) facts.push_back(FactsOf(control));
  TLayoutFindings findings;
  FindLayoutProblems(facts, {dialog.width, dialog.height, DialogBaseUnits(dialog)}, most, findings);
  return findings;
}

std::vector<std::string> DialogWarnings(const TDialogTemplate& dialog,
                                        const std::function<std::string(const TDialogControl&)>& label) {
  std::vector<std::string> warnings;
  auto add = [&](std::string text) {
    if (warnings.size() < kMostWarnings) warnings.push_back(std::move(text));
  };
  TLayoutFindings findings = FindLayoutProblems(dialog, kMostWarnings);
  for (const TLayoutFindings::TOutside& o : findings.outside)
    add(std::string(KindName(dialog.controls[o.control].kind)) + " " + label(dialog.controls[o.control]) +
        (o.disjoint ? " lies outside" : " reaches outside") + " the dialog: " + std::to_string(o.left) + ", " +
        std::to_string(o.top) + " to " + std::to_string(o.right) + ", " + std::to_string(o.bottom) +
        " in a dialog of " + std::to_string(dialog.width) + " x " + std::to_string(dialog.height) + " units");
  if (findings.overlapSearchCut) add("too many controls side by side: not every overlap was looked for");
  for (auto [first, second] : findings.overlaps)
    add(std::string(PluralKindName(dialog.controls[first].kind)) + " " + label(dialog.controls[first]) + " and " +
        label(dialog.controls[second]) + " overlap");
  for (const std::vector<std::size_t>& list : findings.sharedIds) {
    std::string text =
        "id " + label(dialog.controls[list[0]]) + " is used by " + std::to_string(list.size()) + " controls: ";
    for (std::size_t k = 0; k < list.size(); ++k)
      text += (k == 0 ? "" : ", ") + std::string(KindName(dialog.controls[list[k]].kind));
    add(text);
  }
  return warnings;
}

}  // namespace tarvex
