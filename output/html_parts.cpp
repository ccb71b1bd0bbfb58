#include "output/html_parts.h"

#include <cstdio>
#include <cstdlib>

#include "output/dib_image.h"
#include "reader/source_encoding.h"

namespace tarvex {

namespace {

constexpr int kLargestShownImage = 4096;
constexpr std::size_t kMostNamesShown = 3;
// The prefixes that tell what a name stands for.
const TNamePrefixes kKnownPrefixes = {"IDA_", "IDB_", "IDC_", "IDD_", "IDI_", "IDM_",
                                      "IDP_", "IDR_", "IDS_", "IDW_", "ID_"};

// The next code point of UTF-8 text; U+FFFD for a byte that starts no valid sequence.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char first = byte(i);
  std::size_t length = first < 0x80             ? 1
                       : (first & 0xE0) == 0xC0 ? 2
                       : (first & 0xF0) == 0xE0 ? 3
                       : (first & 0xF8) == 0xF0 ? 4
                                                : 0;
  if (length == 0 || i + length > text.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t c = length == 1 ? first : first & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = c << 6 | (byte(i + k) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  i += length;
  if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  return c;
}

std::string UpperUtf8(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

bool HasPrefix(const std::string& name, TNamePrefixes prefixes) {
  for (std::string_view prefix : prefixes)
    if (name.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

std::uint16_t U16At(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

}  // namespace

std::string EscapeHtml(std::string_view utf8, bool attribute) {
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 8);
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = NextCodePoint(utf8, i);
    switch (c) {
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '"':
        out += "&quot;";
        continue;
      case '\'':
        out += "&#39;";
        continue;
      case '\t':
        out += attribute ? "&#9;" : "\t";
        continue;
      case '\n':
        out += attribute ? "&#10;" : "\n";
        continue;
      case '\r':
        continue;
      default:
        break;
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
      out += attribute ? std::string(escape) : "<span class=\"esc\">" + std::string(escape) + "</span>";
      continue;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string HtmlText(std::u16string_view units, bool attribute) { return EscapeHtml(DisplayUtf8(units), attribute); }

std::string MnemonicHtml(std::u16string_view units) {
  std::string out;
  std::size_t run = 0;  // start of the text not yet converted
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] != u'&') continue;
    out += HtmlText(units.substr(run, i - run));
    if (i + 1 < units.size() && units[i + 1] == u'&') {
      out += "&amp;";
    } else if (i + 1 < units.size()) {
      bool pair = units[i + 1] >= 0xD800 && units[i + 1] <= 0xDBFF && i + 2 < units.size() && units[i + 2] >= 0xDC00 &&
                  units[i + 2] <= 0xDFFF;
      out += "<u>" + HtmlText(units.substr(i + 1, pair ? 2 : 1)) + "</u>";
      if (pair) ++i;
    }
    ++i;
    run = i + 1;
  }
  if (run < units.size()) out += HtmlText(units.substr(run));
  return out;
}

TReportContext::TReportContext(const std::vector<TResourceEntry>& resources, const TDefineNames& names)
    : resources_(resources), names_(names) {
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const TResourceEntry& entry = resources[i];
    if (entry.type.isOrdinal) index_[Key(entry.type.ordinal, entry.name)].push_back(i);
  }
  for (std::size_t i = 0; i < names.size(); ++i)
    namesByValue_[static_cast<std::uint16_t>(names[i].second & 0xFFFF)].push_back(i);
}

std::string TReportContext::Key(std::uint16_t type, const TResourceId& name) {
  return std::to_string(type) + (name.isOrdinal ? "#" + std::to_string(name.ordinal) : "$" + UpperUtf8(IdText(name)));
}

const TResourceEntry* TReportContext::Find(std::uint16_t type, const TResourceId& name, std::uint16_t language) const {
  auto found = index_.find(Key(type, name));
  if (found == index_.end()) return nullptr;
  for (std::size_t i : found->second)
    if (resources_[i].language == language) return &resources_[i];
  return &resources_[found->second.front()];
}

std::string TReportContext::NameOf(std::uint32_t value, TNamePrefixes prefixes) const {
  auto found = namesByValue_.find(static_cast<std::uint16_t>(value & 0xFFFF));
  if (found == namesByValue_.end()) return {};
  std::vector<const std::string*> candidates;
  for (std::size_t i : found->second) {
    std::int64_t named = names_[i].second;
    if (static_cast<std::uint32_t>(named) == value || (value <= 0xFFFF && (named & 0xFFFF) == value))
      candidates.push_back(&names_[i].first);
  }
  for (const std::string* name : candidates)
    if (HasPrefix(*name, prefixes)) return *name;
  // Else the names that do not say they belong to something else.
  std::string joined;
  std::size_t shown = 0;
  for (const std::string* name : candidates)
    if (!HasPrefix(*name, kKnownPrefixes) && shown++ < kMostNamesShown) joined += (shown == 1 ? "" : " / ") + *name;
  return joined;
}

std::string TReportContext::NameSpan(std::uint32_t value, TNamePrefixes prefixes) const {
  std::string name = NameOf(value, prefixes);
  return name.empty() ? name : "<span class=\"nm\"> " + EscapeHtml(name) + "</span>";
}

std::string TReportContext::NameLine(std::uint32_t value, TNamePrefixes prefixes) const {
  std::string name = NameOf(value, prefixes);
  return name.empty() ? name : "&#10;name: " + EscapeHtml(name, true);
}

std::string TReportContext::IdHtml(const TResourceId& id, TNamePrefixes prefixes) const {
  if (!id.isOrdinal) return HtmlText(id.text);
  return std::to_string(id.ordinal) + NameSpan(id.ordinal, prefixes);
}

std::string TReportContext::ImageClass(const std::string& key, const std::string& dataUrl, int width, int height) {
  auto [slot, added] = imageClasses_.try_emplace(key);
  if (added) {
    slot->second = "im" + std::to_string(imageClasses_.size());
    imageStyles_ += "." + slot->second + "{width:" + std::to_string(width) + "px;height:" + std::to_string(height) +
                    "px;background-image:url(\"" + dataUrl + "\")}\n";
  }
  return slot->second;
}

std::string TReportContext::ImageElement(const TResourceEntry& entry, std::string& facts) {
  bool cursor = entry.type.isOrdinal && entry.type.ordinal == 1;
  std::span<const std::uint8_t> data = entry.data;
  std::string hotspot;
  if (cursor) {
    if (data.size() < 4) return "<span class=\"note\">the cursor image is too short to show</span>";
    hotspot = ", hotspot " + std::to_string(U16At(data, 0)) + ", " + std::to_string(U16At(data, 2));
    data = data.subspan(4);
  }
  TImageFacts image;
  std::string error = "the image header cannot be read";
  std::string key =
      "i" + std::to_string(entry.type.ordinal) + "-" + IdText(entry.name) + "-" + std::to_string(entry.language);
  std::string cssClass;
  if (ReadImageFacts(data, true, image)) {
    facts = std::to_string(image.width) + " x " + std::to_string(image.height) + ", " +
            (image.png ? std::string("PNG") : std::to_string(image.bitCount) + " bits") + hotspot;
    auto known = imageClasses_.find(key);
    if (known != imageClasses_.end()) {
      cssClass = known->second;
    } else if (image.width <= kLargestShownImage && image.height <= kLargestShownImage) {
      std::string url = IconDataUrl(data, error);
      if (!url.empty()) cssClass = ImageClass(key, url, image.width, image.height);
    } else {
      error = "the image is too large to show";
    }
  }
  if (cssClass.empty()) return "<span class=\"note\">" + EscapeHtml(error) + "</span>";
  return "<span class=\"img " + cssClass + "\" title=\"" + EscapeHtml(facts, true) + "\"></span>";
}

std::string TReportContext::IconElement(const TResourceId& name, std::uint16_t language) {
  const TResourceEntry* group = Find(14, name, language);
  if (!group || group->data.size() < 6) return {};
  std::size_t count = U16At(group->data, 4);
  int bestScore = -1;
  std::uint16_t bestId = 0;
  for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= group->data.size(); ++i) {
    std::size_t at = 6 + 14 * i;
    int width = group->data[at] == 0 ? 256 : group->data[at];
    int bits = U16At(group->data, at + 6);
    int score = 100000 - 100 * std::abs(width - 32) + std::min(bits, 64);
    if (score > bestScore) {
      bestScore = score;
      bestId = U16At(group->data, at + 12);
    }
  }
  if (bestScore < 0) return {};
  TResourceId imageName;
  imageName.ordinal = bestId;
  const TResourceEntry* image = Find(3, imageName, group->language);
  std::string facts;
  return image ? ImageElement(*image, facts) : std::string();
}

std::string TReportContext::BitmapElement(const TResourceId& name, std::uint16_t language) {
  const TResourceEntry* bitmap = Find(2, name, language);
  if (!bitmap) return {};
  TImageFacts facts;
  std::string error = "the bitmap header cannot be read";
  if (ReadImageFacts(bitmap->data, false, facts) && facts.width <= kLargestShownImage &&
      facts.height <= kLargestShownImage) {
    std::string key = "b-" + IdText(bitmap->name) + "-" + std::to_string(bitmap->language);
    std::string url = imageClasses_.count(key) ? std::string() : BitmapDataUrl(bitmap->data, error);
    if (imageClasses_.count(key) || !url.empty()) {
      std::string text = std::to_string(facts.width) + " x " + std::to_string(facts.height) + ", " +
                         std::to_string(facts.bitCount) + " bits";
      return "<span class=\"img " + ImageClass(key, url, facts.width, facts.height) + "\" title=\"" + text +
             "\"></span>";
    }
  } else if (facts.width > kLargestShownImage || facts.height > kLargestShownImage) {
    error = "the bitmap is too large to show";
  }
  return "<span class=\"note\">" + EscapeHtml(error) + "</span>";
}

}  // namespace tarvex
