// Dialogs drawn to scale in the classic Windows look, and menus opened out, for the
// HTML report. Every control is an absolutely placed box whose data-rect holds the
// rectangle computed here, which the page's own check compares with what the browser drew.
#include <algorithm>
#include <cstdio>

#include "output/dialog_layout.h"
#include "output/html_parts.h"

namespace tarvex {

namespace {

constexpr std::uint32_t kVisible = 0x10000000;
constexpr std::uint32_t kDisabled = 0x08000000;
constexpr std::uint32_t kBorder = 0x00800000;
constexpr std::uint32_t kCaption = 0x00C00000;
constexpr std::uint32_t kDialogFrame = 0x00400000;
constexpr std::uint32_t kThickFrame = 0x00040000;
constexpr std::uint32_t kVScroll = 0x00200000;
constexpr std::uint32_t kHScroll = 0x00100000;
constexpr std::uint32_t kSysMenu = 0x00080000;
constexpr std::uint32_t kChild = 0x40000000;
constexpr std::uint32_t kMinimizeBox = 0x00020000;
constexpr std::uint32_t kMaximizeBox = 0x00010000;
constexpr std::uint32_t kModalFrame = 0x80;
constexpr std::uint32_t kContextHelp = 0x2000;
constexpr std::uint32_t kExDialogModalFrame = 0x1;
constexpr std::uint32_t kExClientEdge = 0x200;
constexpr std::uint32_t kExStaticEdge = 0x20000;
constexpr std::uint32_t kStaticSunken = 0x1000;
constexpr std::uint32_t kStaticNoPrefix = 0x80;
constexpr int kMostMenuDepth = 64;
constexpr std::size_t kLabelTextLength = 40;

const TNamePrefixes kControlPrefixes = {"IDC_",    "IDOK",     "IDCANCEL", "IDYES",  "IDNO", "IDABORT",
                                        "IDRETRY", "IDIGNORE", "IDCLOSE",  "IDHELP", "ID_"};
const TNamePrefixes kCommandPrefixes = {"IDM_", "ID_", "IDC_"};

std::string Px(int value) { return std::to_string(value) + "px"; }

std::string IdNumber(std::uint32_t id) {
  return id == 0xFFFF || id == 0xFFFFFFFF ? std::string("-1") : std::to_string(id);
}

// Only a face of letters, digits, blanks and hyphens goes into the style attribute.
std::string FontFamily(const std::u16string& face) {
  std::string family;
  bool safe = !face.empty();
  for (char16_t unit : face)
    safe = safe && ((unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
                    (unit >= u'0' && unit <= u'9') || unit == u' ' || unit == u'-');
  if (safe) family = "'" + DisplayUtf8(face) + "',";
  return family + "Tahoma,'Segoe UI','Microsoft Sans Serif','DejaVu Sans','Liberation Sans',Arial,sans-serif";
}

// A SysLink text: the parts between <a ...> and </a> look like links, the markup is not shown.
std::string LinkHtml(const std::u16string& text) {
  std::string out;
  std::size_t at = 0;
  bool inLink = false;
  while (at < text.size()) {
    std::size_t tag = text.find(u'<', at);
    if (tag == std::u16string::npos) tag = text.size();
    out += HtmlText(std::u16string_view(text).substr(at, tag - at));
    if (tag == text.size()) break;
    std::size_t close = text.find(u'>', tag);
    std::u16string name = text.substr(tag + 1, std::min<std::size_t>(3, text.size() - tag - 1));
    bool opening = (name.size() >= 2 && (name[0] == u'a' || name[0] == u'A') && (name[1] == u'>' || name[1] == u' '));
    bool closing = name.size() >= 3 && name[0] == u'/' && (name[1] == u'a' || name[1] == u'A') && name[2] == u'>';
    if (close == std::u16string::npos || (!opening && !closing)) {
      out += "&lt;";
      at = tag + 1;
      continue;
    }
    if (opening && !inLink) out += "<span class=\"lk\">";
    if (closing && inLink) out += "</span>";
    inLink = opening ? true : closing ? false : inLink;
    at = close + 1;
  }
  if (inLink) out += "</span>";
  return out;
}

std::string TitleText(const TDialogControl& control) {
  if (!control.title.isOrdinal) return HtmlText(control.title.text);
  return "#" + std::to_string(control.title.ordinal);
}

std::string CaptionText(const TDialogControl& control, bool mnemonics) {
  if (control.title.isOrdinal) return "#" + std::to_string(control.title.ordinal);
  return mnemonics ? MnemonicHtml(control.title.text) : HtmlText(control.title.text);
}

// The classes of a control's own border.
std::string BorderClasses(const TDialogControl& control) {
  bool field = control.kind == TControlKind::Edit || control.kind == TControlKind::RichEdit ||
               control.kind == TControlKind::ListBox || control.kind == TControlKind::ListView ||
               control.kind == TControlKind::TreeView;
  if ((control.exStyle & kExClientEdge) != 0 || (field && (control.style & kBorder) != 0)) return " ce";
  if ((control.style & kBorder) != 0) return " bd";
  if ((control.exStyle & kExStaticEdge) != 0 || (control.className == "STATIC" && (control.style & kStaticSunken) != 0))
    return " se";
  return {};
}

std::string KindLabel(const char* text) { return std::string("<span class=\"kl\">") + text + "</span>"; }

struct TControlDrawing {
  std::string classes;
  std::string inner;
};

TControlDrawing DrawControl(TReportContext& context, const TDialogControl& control, const TControlLayout& placed,
                            std::uint16_t language) {
  TControlDrawing drawing;
  std::uint32_t style = control.style;
  std::string scrollBars = std::string((style & kVScroll) != 0 ? "<span class=\"vs\"></span>" : "") +
                           ((style & kHScroll) != 0 ? "<span class=\"hs\"></span>" : "");
  switch (control.kind) {
    case TControlKind::PushButton:
    case TControlKind::DefaultButton:
    case TControlKind::SplitButton:
    case TControlKind::CommandLink: {
      bool isDefault = control.kind == TControlKind::DefaultButton || (style & 0xF) == 0xD || (style & 0xF) == 0xF;
      drawing.classes = isDefault ? "pb def" : "pb";
      std::string text = CaptionText(control, true);
      if (control.kind == TControlKind::CommandLink) text = "&#x279C; " + text;
      drawing.inner = "<span class=\"bt\">" + text + "</span>";
      if (control.kind == TControlKind::SplitButton) drawing.inner += "<span class=\"spl\">&#x25BE;</span>";
      break;
    }
    case TControlKind::CheckBox:
    case TControlKind::RadioButton:
    case TControlKind::ThreeState:
      drawing.classes = control.kind == TControlKind::RadioButton ? "chk rad" : "chk";
      if ((style & 0x20) != 0) drawing.classes += " lt";
      drawing.inner = "<span class=\"box\"></span><span class=\"lbl\">" + CaptionText(control, true) + "</span>";
      break;
    case TControlKind::GroupBox:
      drawing.classes = "gb";
      drawing.inner = "<span class=\"gbl\"></span><span class=\"gbt\">" + CaptionText(control, true) + "</span>";
      break;
    case TControlKind::StaticText: {
      std::uint32_t type = style & 0x1F;
      drawing.classes = type == 1 ? "st c" : type == 2 ? "st r" : (type == 0xB || type == 0xC) ? "st nw" : "st";
      drawing.inner = CaptionText(control, (style & kStaticNoPrefix) == 0);
      break;
    }
    case TControlKind::StaticIcon:
    case TControlKind::StaticImage: {
      drawing.classes = "im";
      std::string image;
      if (control.kind == TControlKind::StaticIcon)
        image = context.IconElement(control.title, language);
      else if ((style & 0x1F) == 0x0E)
        image = context.BitmapElement(control.title, language);
      drawing.inner = image.empty() ? "<span class=\"ph\">" + std::string(KindName(control.kind)) + " " +
                                          TitleText(control) + "</span>"
                                    : image;
      break;
    }
    case TControlKind::StaticRect: {
      static const char* kRects[] = {"rb", "rg", "rw"};
      drawing.classes = kRects[(style & 0x1F) - 4];
      break;
    }
    case TControlKind::StaticFrame: {
      static const char* kFrames[] = {"fb", "fg", "fw"};
      drawing.classes = kFrames[(style & 0x1F) - 7];
      break;
    }
    case TControlKind::StaticEtched: {
      static const char* kEtched[] = {"eh", "ev", "ef"};
      drawing.classes = kEtched[(style & 0x1F) - 0x10];
      break;
    }
    case TControlKind::Edit:
    case TControlKind::RichEdit:
      drawing.classes = (style & 0x4) != 0 ? "ed ml" : "ed";
      if ((style & 0x3) == 1) drawing.classes += " c";
      if ((style & 0x3) == 2) drawing.classes += " r";
      drawing.inner = "<span class=\"et\">" + TitleText(control) + "</span>" + scrollBars;
      break;
    case TControlKind::ListBox:
      drawing.classes = "lb";
      drawing.inner = scrollBars;
      break;
    case TControlKind::ComboBox:
    case TControlKind::SimpleComboBox: {
      drawing.classes = control.kind == TControlKind::ComboBox ? "cbo" : "cbo simple";
      std::string field = "<span class=\"fld\" style=\"height:" + Px(placed.face.height) + "\">";
      if (control.kind == TControlKind::ComboBox)
        drawing.inner = field + "<span class=\"drop\">&#x25BC;</span></span>";
      else
        drawing.inner =
            field + "</span><span class=\"lst\" style=\"top:" + Px(placed.face.height) + "\">" + scrollBars + "</span>";
      break;
    }
    case TControlKind::ScrollBar:
      if ((style & 0x18) != 0) {
        drawing.classes = "grip";
      } else if ((style & 1) != 0) {
        drawing.classes = "sbv";
        drawing.inner = "<span class=\"arr\">&#x25B2;</span><span class=\"arr\">&#x25BC;</span>";
      } else {
        drawing.classes = "sbh";
        drawing.inner = "<span class=\"arr\">&#x25C0;</span><span class=\"arr\">&#x25B6;</span>";
      }
      break;
    case TControlKind::ProgressBar:
      drawing.classes = (style & 0x4) != 0 ? "pg vert" : "pg";
      drawing.inner = "<span class=\"fill\"></span>";
      break;
    case TControlKind::TrackBar:
      drawing.classes = (style & 0x2) != 0 ? "tb vert" : "tb";
      drawing.inner = "<span class=\"chan\"></span><span class=\"thumb\"></span>";
      break;
    case TControlKind::UpDown:
      drawing.classes = (style & 0x40) != 0 ? "ud horz" : "ud";
      drawing.inner = (style & 0x40) != 0 ? "<span class=\"udb\">&#x25C0;</span><span class=\"udb\">&#x25B6;</span>"
                                          : "<span class=\"udb\">&#x25B2;</span><span class=\"udb\">&#x25BC;</span>";
      break;
    case TControlKind::ListView:
      drawing.classes = "lv";
      if ((style & 0x3) == 1 && (style & 0x4000) == 0) drawing.inner = "<span class=\"lvh\"></span>";
      drawing.inner += KindLabel("list view");
      break;
    case TControlKind::TreeView:
      drawing.classes = "lv";
      drawing.inner = KindLabel("tree view");
      break;
    case TControlKind::Tab:
      drawing.classes = "tab";
      drawing.inner =
          "<span class=\"tabs\"><span class=\"tabt\">" +
          (control.title.isOrdinal || control.title.text.empty() ? std::string("Tab") : TitleText(control)) +
          "</span></span><span class=\"tabp\"></span>";
      break;
    case TControlKind::DatePicker:
      drawing.classes = "ed dp";
      drawing.inner = (style & 0x1) != 0 ? "<span class=\"et\">2000-01-01</span><span class=\"ud side\"><span "
                                           "class=\"udb\">&#x25B2;</span><span class=\"udb\">&#x25BC;</span></span>"
                                         : "<span class=\"et\">2000-01-01</span><span class=\"drop\">&#x25BC;</span>";
      break;
    case TControlKind::Link:
      drawing.classes = "st";
      drawing.inner = control.title.isOrdinal ? TitleText(control) : LinkHtml(control.title.text);
      break;
    case TControlKind::HotKey:
      drawing.classes = "ed";
      drawing.inner = "<span class=\"et\">None</span>";
      break;
    case TControlKind::IpAddress:
      drawing.classes = "ed c";
      drawing.inner = "<span class=\"et\">.&#160;&#160;&#160;&#160;.&#160;&#160;&#160;&#160;.</span>";
      break;
    case TControlKind::MonthCalendar:
    case TControlKind::Animation:
    case TControlKind::Header:
      drawing.classes = control.kind == TControlKind::Header ? "hd" : "lv";
      drawing.inner = KindLabel(KindName(control.kind));
      break;
    case TControlKind::OwnerDrawButton:
    case TControlKind::StaticOwnerDraw:
    case TControlKind::Custom:
      drawing.classes = "cu";
      drawing.inner = "<span class=\"cl\">" +
                      EscapeHtml(control.kind == TControlKind::Custom ? control.className : KindName(control.kind)) +
                      "</span>" + TitleText(control);
      break;
  }
  return drawing;
}

std::string ControlLabel(const TReportContext& context, const TDialogControl& control) {
  std::string label = IdNumber(control.id) + context.NameSpan(control.id, kControlPrefixes);
  if (!control.title.isOrdinal && !control.title.text.empty()) {
    std::u16string text = control.title.text.substr(0, kLabelTextLength);
    label += " &#x201C;" + HtmlText(text) + (text.size() < control.title.text.size() ? "&#x2026;" : "") + "&#x201D;";
  }
  return label;
}

std::string ControlElement(TReportContext& context, const TDialogControl& control, const TControlLayout& placed,
                           std::uint16_t language) {
  TControlDrawing drawing = DrawControl(context, control, placed, language);
  std::string classes = "ctl " + drawing.classes + BorderClasses(control);
  if ((control.style & kVisible) == 0) classes += " hid";
  if ((control.style & kDisabled) != 0) classes += " dis";
  std::string title = std::string(KindName(control.kind)) + "&#10;id: " + IdNumber(control.id) +
                      context.NameLine(control.id, kControlPrefixes) +
                      "&#10;class: " + EscapeHtml(control.className, true) +
                      "&#10;style: " + ControlStyleNames(control);
  if (control.exStyle != 0) title += "&#10;exstyle: " + ExStyleNames(control.exStyle);
  if (control.helpId != 0) title += "&#10;help id: " + std::to_string(control.helpId);
  title += "&#10;rect: " + std::to_string(control.x) + ", " + std::to_string(control.y) + ", " +
           std::to_string(control.width) + ", " + std::to_string(control.height) + " (dialog units)";
  const TPixelRect& box = placed.box;
  int width = std::max(0, box.width), height = std::max(0, box.height);
  return "<div class=\"" + classes + "\" data-rect=\"" + std::to_string(box.x) + "," + std::to_string(box.y) + "," +
         std::to_string(width) + "," + std::to_string(height) + "\" style=\"left:" + Px(box.x) + ";top:" + Px(box.y) +
         ";width:" + Px(width) + ";height:" + Px(height) + "\" title=\"" + title + "\">" + drawing.inner + "</div>\n";
}

// Menus.

struct TMenuItem {
  bool popup = false;
  bool separator = false;
  std::uint32_t id = 0;
  std::uint32_t type = 0;   ///< extended: MFT_ bits
  std::uint32_t state = 0;  ///< extended: MFS_ bits; standard: the item flags
  std::uint32_t helpId = 0;
  std::u16string text;
  std::vector<TMenuItem> children;
};

struct TMenu {
  bool extended = false;
  std::vector<TMenuItem> items;
};

void ReadStandardLevel(TByteCursor& cursor, std::vector<TMenuItem>& items, int depth) {
  if (depth > kMostMenuDepth) cursor.Fail("menu nested deeper than " + std::to_string(kMostMenuDepth) + " levels");
  for (;;) {
    TMenuItem item;
    std::uint16_t flags = cursor.U16();
    item.state = flags & ~0x80u;
    item.popup = (flags & 0x10) != 0;
    if (!item.popup) item.id = cursor.U16();
    item.text = cursor.Text();
    item.separator =
        !item.popup && (((flags & ~0x80u) == 0 && item.id == 0 && item.text.empty()) || (flags & 0x800) != 0);
    if (item.popup) ReadStandardLevel(cursor, item.children, depth + 1);
    items.push_back(std::move(item));
    if ((flags & 0x80) != 0) return;
  }
}

void ReadExtendedLevel(TByteCursor& cursor, std::vector<TMenuItem>& items, int depth) {
  if (depth > kMostMenuDepth) cursor.Fail("menu nested deeper than " + std::to_string(kMostMenuDepth) + " levels");
  for (;;) {
    cursor.AlignTo4();
    TMenuItem item;
    item.type = cursor.U32();
    item.state = cursor.U32();
    item.id = cursor.U32();
    std::uint16_t flags = cursor.U16();
    item.text = cursor.Text();
    item.popup = (flags & 0x01) != 0;
    item.separator = (item.type & 0x800) != 0;
    if (item.popup) {
      cursor.AlignTo4();
      item.helpId = cursor.U32();
      ReadExtendedLevel(cursor, item.children, depth + 1);
    }
    items.push_back(std::move(item));
    if ((flags & 0x80) != 0) return;
  }
}

TMenu ReadMenu(std::span<const std::uint8_t> data) {
  TMenu menu;
  TByteCursor cursor(data);
  std::uint16_t version = cursor.U16();
  std::uint16_t offset = cursor.U16();
  if (version == 1) {
    menu.extended = true;
    cursor.Seek(4 + std::size_t{offset});
    if (!cursor.AtEnd()) ReadExtendedLevel(cursor, menu.items, 0);
  } else {
    if (version != 0) cursor.Fail("menu version " + std::to_string(version) + " is unknown");
    cursor.Skip(offset);
    if (!cursor.AtEnd()) ReadStandardLevel(cursor, menu.items, 0);
  }
  return menu;
}

struct TFlagName {
  std::uint32_t bits;
  const char* name;
};

constexpr TFlagName kStandardFlags[] = {{0x1, "GRAYED"},      {0x2, "INACTIVE"},      {0x4, "BITMAP"},
                                        {0x8, "CHECKED"},     {0x20, "MENUBARBREAK"}, {0x40, "MENUBREAK"},
                                        {0x100, "OWNERDRAW"}, {0x800, "SEPARATOR"},   {0x4000, "HELP"}};
constexpr TFlagName kTypeFlags[] = {{0x4, "MFT_BITMAP"},        {0x20, "MFT_MENUBARBREAK"},  {0x40, "MFT_MENUBREAK"},
                                    {0x100, "MFT_OWNERDRAW"},   {0x200, "MFT_RADIOCHECK"},   {0x800, "MFT_SEPARATOR"},
                                    {0x2000, "MFT_RIGHTORDER"}, {0x4000, "MFT_RIGHTJUSTIFY"}};
constexpr TFlagName kStateFlags[] = {
    {0x3, "MFS_GRAYED"}, {0x8, "MFS_CHECKED"}, {0x80, "MFS_HILITE"}, {0x1000, "MFS_DEFAULT"}};

template <std::size_t N>
std::string FlagNames(std::uint32_t value, const TFlagName (&table)[N]) {
  std::string names;
  for (const TFlagName& flag : table)
    if ((value & flag.bits) == flag.bits) names += (names.empty() ? "" : " | ") + std::string(flag.name);
  return names.empty() ? "none" : names;
}

// What an item looks like, in either form.
struct TItemLook {
  bool grayed, inactive, checked, radio, isDefault, menuBreak, rightJustify;
};

TItemLook LookOf(const TMenuItem& item, bool extended) {
  if (extended)
    return {(item.state & 0x3) != 0,    false,
            (item.state & 0x8) != 0,    (item.type & 0x200) != 0,
            (item.state & 0x1000) != 0, (item.type & 0x60) != 0,
            (item.type & 0x4000) != 0};
  return {(item.state & 0x1) != 0,  (item.state & 0x2) != 0,   (item.state & 0x8) != 0, false, false,
          (item.state & 0x60) != 0, (item.state & 0x4000) != 0};
}

std::string ItemTitle(const TReportContext& context, const TMenuItem& item, bool extended) {
  std::string title =
      item.popup ? "pop-up" : "id: " + std::to_string(item.id) + context.NameLine(item.id, kCommandPrefixes);
  if (extended) {
    if (item.popup && item.id != 0)
      title += "&#10;id: " + std::to_string(item.id) + context.NameLine(item.id, kCommandPrefixes);
    title += "&#10;type: " + FlagNames(item.type, kTypeFlags) + "&#10;state: " + FlagNames(item.state, kStateFlags);
    if (item.helpId != 0) title += "&#10;help id: " + std::to_string(item.helpId);
  } else {
    title += "&#10;options: " + FlagNames(item.state, kStandardFlags);
  }
  return title;
}

// The item's text: mnemonics underlined, the part after a tab right-aligned.
std::string ItemText(const std::u16string& text) {
  std::size_t tab = text.find(u'\t');
  std::string html = "<span class=\"mt\">" + MnemonicHtml(std::u16string_view(text).substr(0, tab)) + "</span>";
  if (tab != std::u16string::npos)
    html += "<span class=\"ma\">" + HtmlText(std::u16string_view(text).substr(tab + 1)) + "</span>";
  return html;
}

void PopupColumn(const TReportContext& context, const TMenuItem& popup, bool extended, std::string& out) {
  out += "<div class=\"mcol\"><div><div class=\"ptitle\">" + MnemonicHtml(popup.text) + "</div><div class=\"popup\">";
  for (const TMenuItem& item : popup.children) {
    TItemLook look = LookOf(item, extended);
    if (look.menuBreak) out += "<div class=\"mbreak\" title=\"a new column starts here\"></div>";
    if (item.separator) {
      out += "<div class=\"msep\" title=\"" + ItemTitle(context, item, extended) + "\"></div>";
      continue;
    }
    std::string classes = "mi";
    if (look.grayed) classes += " gray";
    if (look.inactive) classes += " inact";
    if (look.isDefault) classes += " mdef";
    out += "<div class=\"" + classes + "\" title=\"" + ItemTitle(context, item, extended) + "\"><span class=\"mc\">" +
           std::string(look.checked ? (look.radio ? "&#x25CF;" : "&#x2713;") : "") + "</span>" + ItemText(item.text) +
           "<span class=\"sub\">" + (item.popup ? "&#x25B8;" : "") + "</span></div>";
  }
  out += "</div></div>";
  bool nested = std::any_of(popup.children.begin(), popup.children.end(), [](const TMenuItem& i) { return i.popup; });
  if (nested) {
    out += "<div class=\"subs\">";
    for (const TMenuItem& item : popup.children)
      if (item.popup) PopupColumn(context, item, extended, out);
    out += "</div>";
  }
  out += "</div>";
}

}  // namespace

std::vector<std::u16string> MenuBarTexts(const TResourceEntry& entry) {
  std::vector<std::u16string> texts;
  try {
    for (const TMenuItem& item : ReadMenu(entry.data).items) texts.push_back(item.text);
  } catch (const TDataError&) {
    texts.clear();
  }
  return texts;
}

std::string MenuHtml(TReportContext& context, const TResourceEntry& entry) {
  TMenu menu;
  try {
    menu = ReadMenu(entry.data);
  } catch (const TDataError& failure) {
    return "<p class=\"note\">The menu cannot be read: " + EscapeHtml(failure.what()) + "</p>";
  }
  std::string out = std::string("<p class=\"facts\">") + (menu.extended ? "MENUEX" : "MENU") +
                    "</p><div class=\"menu\"><div class=\"mbar\">";
  for (const TMenuItem& item : menu.items) {
    TItemLook look = LookOf(item, menu.extended);
    if (item.separator) {
      out += "<span class=\"msep\"></span>";
      continue;
    }
    std::string classes = look.grayed ? "gray" : "";
    if (look.rightJustify) classes += " right";
    out += "<span class=\"" + classes + "\" title=\"" + ItemTitle(context, item, menu.extended) + "\">" +
           ItemText(item.text) + "</span>";
  }
  out += "</div><div class=\"popups\">";
  for (const TMenuItem& item : menu.items)
    if (item.popup) PopupColumn(context, item, menu.extended, out);
  return out + "</div></div>\n";
}

std::string DialogHtml(TReportContext& context, const TResourceEntry& entry, const std::string& anchor) {
  TDialogTemplate dialog;
  try {
    dialog = ReadDialogTemplate(entry.data);
  } catch (const TDataError& failure) {
    return "<p class=\"note\">The dialog template cannot be read: " + EscapeHtml(failure.what()) + "</p>";
  }
  TDialogLayout layout = LayOutDialog(dialog);
  std::uint32_t style = dialog.style;
  std::string frame = "frame";
  if ((style & kThickFrame) != 0)
    frame += " thick";
  else if ((style & (kModalFrame | kDialogFrame)) != 0 || (dialog.exStyle & kExDialogModalFrame) != 0)
    frame += " modal";
  else if ((style & kBorder) != 0)
    frame += " thin";
  else
    frame += " bare";
  std::string out = "<div class=\"dlg\" id=\"" + anchor + "\"><div class=\"" + frame + "\">";
  if ((style & kCaption) == kCaption) {
    out += "<div class=\"caption\"><span class=\"ctext\">" + HtmlText(dialog.caption) + "</span><span class=\"cbtn\">";
    if ((style & kContextHelp) != 0) out += "<span>?</span>";
    if ((style & kChild) == 0 && (style & kMinimizeBox) != 0) out += "<span>_</span>";
    if ((style & kChild) == 0 && (style & kMaximizeBox) != 0) out += "<span>&#x25A1;</span>";
    if ((style & kSysMenu) != 0) out += "<span>&#xD7;</span>";
    out += "</span></div>";
  }
  bool hasMenu = dialog.menu.isOrdinal ? dialog.menu.ordinal != 0 : !dialog.menu.text.empty();
  if (hasMenu) {
    out += "<div class=\"dmenu\">";
    const TResourceEntry* menu = context.Find(4, dialog.menu, entry.language);
    std::vector<std::u16string> texts;
    if (menu) texts = MenuBarTexts(*menu);
    for (const std::u16string& text : texts)
      out += "<span>" + MnemonicHtml(std::u16string_view(text).substr(0, text.find(u'\t'))) + "</span>";
    if (texts.empty()) out += "<span class=\"note\">menu " + IdText(dialog.menu) + "</span>";
    out += "</div>";
  }
  std::string font = std::to_string(layout.fontPixels > 0 ? layout.fontPixels : 13) + "px " +
                     (dialog.hasFont ? FontFamily(dialog.face) : FontFamily(u""));
  if (!dialog.hasFont || dialog.weight >= 600) font = "bold " + font;
  if (dialog.italic != 0) font = "italic " + font;
  int width = std::max(0, layout.client.width), height = std::max(0, layout.client.height);
  out += "<div class=\"client\" id=\"" + anchor + "-client\" data-size=\"" + std::to_string(width) + "," +
         std::to_string(height) + "\" style=\"width:" + Px(width) + ";height:" + Px(height) + ";font:" + font + "\">\n";
  for (std::size_t i = 0; i < dialog.controls.size(); ++i)
    out += ControlElement(context, dialog.controls[i], layout.controls[i], entry.language);
  out += "</div></div></div>\n";

  std::string facts = std::string(dialog.extended ? "DIALOGEX" : "DIALOG") + " &#xB7; " + std::to_string(dialog.width) +
                      " x " + std::to_string(dialog.height) + " units at " + std::to_string(dialog.x) + ", " +
                      std::to_string(dialog.y) + " &#xB7; ";
  if (dialog.hasFont) {
    facts += "font " + std::to_string(dialog.points) + " pt &#x201C;" + HtmlText(dialog.face) + "&#x201D;";
    if (dialog.extended)
      facts += " weight " + std::to_string(dialog.weight) + (dialog.italic ? " italic" : "") + " charset " +
               std::to_string(dialog.charset);
  } else {
    facts += "system font";
  }
  facts += " &#xB7; base units " + std::to_string(layout.units.x) + " x " + std::to_string(layout.units.y) +
           (layout.knownFont ? "" : " (estimated)") + " &#xB7; " + std::to_string(dialog.controls.size()) +
           " controls<br>style: " + DialogStyleNames(dialog.style);
  if (dialog.exStyle != 0) facts += "<br>exstyle: " + ExStyleNames(dialog.exStyle);
  const TResourceId& windowClass = dialog.windowClass;
  if (windowClass.isOrdinal || !windowClass.text.empty())
    facts += "<br>class: " +
             (windowClass.isOrdinal ? "#" + std::to_string(windowClass.ordinal) : HtmlText(windowClass.text));
  out += "<p class=\"facts\">" + facts + "</p>\n";

  std::vector<std::string> warnings =
      DialogWarnings(dialog, [&](const TDialogControl& control) { return ControlLabel(context, control); });
  if (warnings.empty()) {
    out += "<p class=\"ok\">No layout warnings.</p>\n";
  } else {
    out += "<ul class=\"warnings\">";
    for (const std::string& warning : warnings) out += "<li>" + warning + "</li>";
    out += "</ul>\n";
  }
  return out;
}

}  // namespace tarvex
