// Pieces the HTML resource report is built from: text escaping, the names the script gave
// to numeric ids, lookups of the resources a resource refers to, and the drawings of
// dialogs and menus.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "output/res_image.h"

namespace tarvex {

/// The names a script #defined, with their values.
using TDefineNames = std::vector<std::pair<std::string, std::int64_t>>;

/// UTF-8 text as HTML: & < > " ' as character references; C0 and C1 control characters
/// (tab and line feed aside; carriage return dropped) shown as a marked \xNN, or plain \xNN
/// in attribute values.
std::string EscapeHtml(std::string_view utf8, bool attribute = false);

/// UTF-16 text as HTML; surrogate pairs joined, unpaired surrogates as U+FFFD.
std::string HtmlText(std::u16string_view units, bool attribute = false);

/// UTF-16 text with Windows mnemonics: "&x" underlines x, "&&" is one "&".
std::string MnemonicHtml(std::u16string_view units);

/// An accelerator's key as people name it: "Ctrl+S", "Alt+F4", "Shift+\"a\"" (an ASCII
/// key in quotes); `flags` are the entry's (VIRTKEY 1, SHIFT 4, CONTROL 8, ALT 0x10).
std::string AcceleratorKeyName(std::uint16_t flags, std::uint16_t key);

/// Prefixes of the names that suit an id in its context ("IDC_" for controls).
using TNamePrefixes = std::initializer_list<std::string_view>;

/// What the parts of a page share: the resources, the names, and the images, each
/// embedded once as a style class whatever number of places show it.
class TReportContext {
 public:
  TReportContext(const std::vector<TResourceEntry>& resources, const TDefineNames& names);

  /// The resource of `type` named `name` in `language`, else in any language; null when none.
  const TResourceEntry* Find(std::uint16_t type, const TResourceId& name, std::uint16_t language) const;

  /// The name of `value` the script used: the first name of that value with a fitting
  /// prefix, else those (up to three, joined by " / ") whose prefix names no other kind
  /// of id ("IDD_", "IDS_" ...); empty when the script named no such value. Compared on
  /// the low 16 bits for values that fit in them.
  std::string NameOf(std::uint32_t value, TNamePrefixes prefixes) const;
  /// `<span class="nm"> NAME</span>`, or nothing without a name.
  std::string NameSpan(std::uint32_t value, TNamePrefixes prefixes) const;
  /// "&#10;name: NAME" for a tooltip, or nothing without a name.
  std::string NameLine(std::uint32_t value, TNamePrefixes prefixes) const;
  /// A resource identifier with its name: the ordinal and NameSpan, or the text.
  std::string IdHtml(const TResourceId& id, TNamePrefixes prefixes) const;

  /// The class of an image element showing `dataUrl`, registered once per `key`.
  std::string ImageClass(const std::string& key, const std::string& dataUrl, int width, int height);
  /// The rules registered so far.
  const std::string& ImageStyles() const { return imageStyles_; }

  /// An image element for the icon group `name` (the image nearest 32 x 32 pixels, the
  /// deepest of those) or the bitmap `name`, from the resources; empty when absent.
  std::string IconElement(const TResourceId& name, std::uint16_t language);
  std::string BitmapElement(const TResourceId& name, std::uint16_t language);
  /// The element for one icon or cursor image (type 3 or 1, the data of a cursor image
  /// starting with its hotspot); `facts` gets its size and depth.
  std::string ImageElement(const TResourceEntry& entry, std::string& facts);

  const std::vector<TResourceEntry>& Resources() const { return resources_; }

 private:
  static std::string Key(std::uint16_t type, const TResourceId& name);

  const std::vector<TResourceEntry>& resources_;
  std::unordered_map<std::string, std::vector<std::size_t>> index_;
  const TDefineNames& names_;
  std::unordered_map<std::uint16_t, std::vector<std::size_t>> namesByValue_;
  std::unordered_map<std::string, std::string> imageClasses_;
  std::string imageStyles_;
};

/// The section for a dialog resource: the drawing, its facts and its warnings. A
/// template that cannot be read is said so.
std::string DialogHtml(TReportContext& context, const TResourceEntry& entry, const std::string& anchor);

/// The section for a menu resource: the bar and every pop-up opened beside its parent.
std::string MenuHtml(TReportContext& context, const TResourceEntry& entry);

/// The texts of a menu's top-level items, for a dialog's menu bar; empty when the data
/// cannot be read.
std::vector<std::u16string> MenuBarTexts(const TResourceEntry& entry);

}  // namespace tarvex
