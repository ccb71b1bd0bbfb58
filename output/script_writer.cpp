// The script written back from compiled resources.
//
// Each resource kind has a writer that reads the resource's data with a TByteCursor and
// writes the statement that gives those bytes, or says that none does (returns false, or
// a read past the end throws TDataError): the resource is then written as a block of
// data. The writers aim at the bytes this compiler writes for the statement; the caller
// compiles the script again and moves any unit whose bytes differ to a data form, so a
// writer may be hopeful where the exact rules are intricate.
#include "output/script_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "data/sdk_symbols.h"
#include "output/dialog_layout.h"
#include "reader/source_encoding.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kCursorType = 1;
constexpr std::uint16_t kBitmapType = 2;
constexpr std::uint16_t kIconType = 3;
constexpr std::uint16_t kMenuType = 4;
constexpr std::uint16_t kDialogType = 5;
constexpr std::uint16_t kStringType = 6;
constexpr std::uint16_t kFontType = 8;
constexpr std::uint16_t kAcceleratorType = 9;
constexpr std::uint16_t kRcDataType = 10;
constexpr std::uint16_t kMessageTableType = 11;
constexpr std::uint16_t kCursorGroupType = 12;
constexpr std::uint16_t kIconGroupType = 14;
constexpr std::uint16_t kVersionType = 16;
constexpr std::uint16_t kAnimatedCursorType = 21;
constexpr std::uint16_t kAnimatedIconType = 22;
constexpr std::uint16_t kHtmlType = 23;
constexpr std::uint16_t kManifestType = 24;
constexpr std::uint16_t kDialogInitType = 240;
constexpr std::uint16_t kToolbarType = 241;

constexpr std::uint16_t kDiscardableFlags = 0x1030;
constexpr std::uint16_t kPlainFlags = 0x0030;
constexpr std::size_t kLargestInlineData = 64;
constexpr std::size_t kHexBytesPerLine = 32;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::string Utf8(std::u16string_view units) { return DisplayUtf8(units); }

void AppendNumber(std::string& text, std::int64_t value) {
  char digits[24];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, end);
}

bool HasLoneSurrogate(std::u16string_view units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return true;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// The value of an SDK constant that is a plain number.
std::optional<std::int64_t> SdkNumber(std::string_view record, std::string_view& name) {
  std::size_t equals = record.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  name = record.substr(0, equals);
  std::string_view value = record.substr(equals + 1);
  std::int64_t number = 0;
  bool negative = !value.empty() && value[0] == '-';
  if (negative) value.remove_prefix(1);
  int base = 10;
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
    value.remove_prefix(2);
    base = 16;
  }
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number, base);
  if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
  return negative ? -number : number;
}

// The SDK's name for a language and a sublanguage: LANG_GERMAN, SUBLANG_GERMAN; numbers
// where it has none.
std::string FindLanguageStatement(std::uint16_t languageId);

// The statement of a language, looked up once per language of a script.
std::string LanguageStatement(std::uint16_t languageId, std::map<std::uint16_t, std::string>& known) {
  auto found = known.find(languageId);
  if (found == known.end()) found = known.emplace(languageId, FindLanguageStatement(languageId)).first;
  return found->second;
}

// The SDK constants whose names begin with `prefix` (the table is sorted by name).
std::span<const std::string_view> SdkNamesStartingWith(std::string_view prefix) {
  std::span<const std::string_view> records = SdkHeaderSymbols();
  auto first = std::lower_bound(records.begin(), records.end(), prefix);
  auto last = first;
  while (last != records.end() && last->starts_with(prefix)) ++last;
  return {first, last};
}

std::string FindLanguageStatement(std::uint16_t languageId) {
  unsigned primary = languageId & 0x3FF;
  unsigned sub = languageId >> 10;
  std::string primaryName, subName;
  for (std::string_view record : SdkNamesStartingWith("LANG_")) {
    std::string_view name;
    std::optional<std::int64_t> value = SdkNumber(record, name);
    if (value && *value == primary && name != "LANG_SYSTEM_DEFAULT" && name != "LANG_USER_DEFAULT") {
      primaryName = name;
      break;
    }
  }
  if (!primaryName.empty()) {
    std::string stem = "SUBLANG_" + primaryName.substr(5);
    for (std::string_view record : SdkNamesStartingWith(stem)) {
      std::string_view name;
      std::optional<std::int64_t> value = SdkNumber(record, name);
      if (value && *value == sub && (name == stem || name.starts_with(stem + "_"))) {
        subName = name;
        break;
      }
    }
  }
  if (subName.empty()) {
    if (sub == 0) subName = "SUBLANG_NEUTRAL";
    if (sub == 1) subName = "SUBLANG_DEFAULT";
    if (sub == 2) subName = "SUBLANG_SYS_DEFAULT";
  }
  if (primaryName.empty()) primaryName = Hex(primary);
  if (subName.empty()) subName = Hex(sub);
  return "LANGUAGE " + primaryName + ", " + subName;
}

// The memory-flag keywords that take a kind's default to `flags`; false when a bit no
// keyword sets is among them.
bool MemoryFlagWords(std::uint16_t flags, std::uint16_t defaults, std::string& words) {
  static constexpr struct {
    std::uint16_t bit;
    const char* on;
    const char* off;
  } kFlags[] = {{0x0010, "MOVEABLE", "FIXED"},
                {0x0020, "PURE", "IMPURE"},
                {0x0040, "PRELOAD", "LOADONCALL"},
                {0x1000, "DISCARDABLE", "NONDISCARDABLE"}};
  std::uint16_t known = 0;
  for (const auto& flag : kFlags) {
    known = static_cast<std::uint16_t>(known | flag.bit);
    if ((flags & flag.bit) != (defaults & flag.bit)) {
      words += ' ';
      words += (flags & flag.bit) != 0 ? flag.on : flag.off;
    }
  }
  return (flags & ~known) == 0;
}

// Everything one statement needs to know while it is written.
class TStatementWriter {
 public:
  TStatementWriter(const std::vector<TResourceEntry>& resources, const TDecompileOptions& options,
                   TDecompiledScript& script)
      : resources_(resources), options_(options), script_(script) {
    for (const auto& [name, value] : options.names) names_.emplace(value, name);
  }

  void WriteUnit(const TScriptUnit& unit);

 private:
  bool WriteStatement(const TScriptUnit& unit);
  void WriteData(const TResourceEntry& entry, bool inFile, const std::string& reason);

  bool WriteStringTable(const TResourceEntry& entry);
  bool WriteMenu(const TResourceEntry& entry);
  bool WriteMenuEx(const TResourceEntry& entry);
  bool WriteMenuLevel(TByteCursor& cursor, int depth);
  bool WriteMenuExLevel(TByteCursor& cursor, int depth);
  bool WriteDialog(const TResourceEntry& entry);
  bool WriteAccelerators(const TResourceEntry& entry);
  bool WriteVersionInfo(const TResourceEntry& entry);
  bool WriteVersionBlock(TByteCursor& cursor, std::size_t end, int depth);
  bool WriteToolbar(const TResourceEntry& entry);
  bool WriteGroup(const TScriptUnit& unit);
  bool WriteBitmap(const TResourceEntry& entry);
  bool WriteFileStatement(const TResourceEntry& entry, const std::string& keyword, const std::string& extension,
                          std::uint16_t defaults);

  /// name keyword flags optional-statements, without a line end; false when the header
  /// fields have no statement form
  bool Head(const TResourceEntry& entry, const std::string& keyword, std::uint16_t defaults, std::string& line,
            bool optional = true);
  /// The header's name for `value` that begins with one of `prefixes`, else the number.
  std::string Id(std::int64_t value, std::initializer_list<std::string_view> prefixes) const;
  std::string ResourceName(const TResourceEntry& entry) const;
  std::string ControlId(std::int64_t value) const;
  std::string ResourceName(const TResourceId& name, const TResourceId& type) const;
  std::string AddFile(const TResourceEntry& entry, const std::string& extension, std::vector<std::uint8_t> bytes);
  std::string Indent(int depth) const { return std::string(static_cast<std::size_t>(depth) * 4, ' '); }
  /// StyleExpression, remembered: the dialogs of a program repeat a few dozen styles.
  const std::string& Style(std::uint32_t bits, std::uint32_t removed, TControlKind kind, std::string_view className,
                           bool shorthand);

  const std::vector<TResourceEntry>& resources_;
  const TDecompileOptions& options_;
  TDecompiledScript& script_;
  std::multimap<std::int64_t, std::string> names_;
  std::set<std::string> fileNames_;
  std::string body_;  // the statement being written
  struct TStyleKey {
    std::uint64_t bits;  // given and removed
    std::uint32_t names;  // the control's kind and class, and whether a shorthand gave its type
    bool operator==(const TStyleKey&) const = default;
  };
  struct TStyleKeyHash {
    std::size_t operator()(const TStyleKey& key) const {
      return std::hash<std::uint64_t>()(key.bits * 0x9E3779B97F4A7C15ull ^ key.names);
    }
  };
  std::unordered_map<TStyleKey, std::string, TStyleKeyHash> styles_;
};

std::string TStatementWriter::Id(std::int64_t value, std::initializer_list<std::string_view> prefixes) const {
  auto [first, last] = names_.equal_range(value);
  for (std::string_view prefix : prefixes)
    for (auto at = first; at != last; ++at)
      if (at->second.starts_with(prefix)) return at->second;
  return std::to_string(value);
}

// A control's id: the header's IDC_ name, the SDK's name of a standard button, or the number.
std::string TStatementWriter::ControlId(std::int64_t value) const {
  static constexpr const char* kButtons[] = {"IDOK",  "IDCANCEL", "IDABORT", "IDRETRY", "IDIGNORE",
                                             "IDYES", "IDNO",     "IDCLOSE", "IDHELP"};
  std::string named = Id(value, {"IDC_"});
  if (named == std::to_string(value) && value >= 1 && value <= 9) return kButtons[value - 1];
  return named;
}

// The two prefixes by which ids of resources of `type` go.
std::pair<std::string_view, std::string_view> NamePrefixes(const TResourceId& type) {
  if (!type.isOrdinal) return {"IDR_", "IDR_"};
  switch (type.ordinal) {
    case kIconType:
    case kIconGroupType:
      return {"IDI_", "IDR_"};
    case kCursorType:
    case kCursorGroupType:
      return {"IDC_", "IDR_"};
    case kBitmapType:
      return {"IDB_", "IDR_"};
    case kDialogType:
      return {"IDD_", "IDR_"};
    case kMenuType:
      return {"IDR_", "IDM_"};
    default:
      return {"IDR_", "IDR_"};
  }
}

// A text name is quoted, so that no #define replaces it and the compiler keeps it a
// text even when it is made of digits.
std::string TStatementWriter::ResourceName(const TResourceId& name, const TResourceId& type) const {
  if (!name.isOrdinal) return ScriptLiteral(name.text);
  if (type.isOrdinal && type.ordinal == kVersionType && name.ordinal == 1) return "VS_VERSION_INFO";
  auto [first, second] = NamePrefixes(type);
  return Id(name.ordinal, {first, second});
}

std::string TStatementWriter::ResourceName(const TResourceEntry& entry) const {
  return ResourceName(entry.name, entry.type);
}

// The file is named by the resource's name, or by the header's name for its number.
std::string TStatementWriter::AddFile(const TResourceEntry& entry, const std::string& extension,
                                      std::vector<std::uint8_t> bytes) {
  TResourceId stem = entry.name;
  if (entry.name.isOrdinal) {
    std::string named = ResourceName(entry);
    if (named != std::to_string(entry.name.ordinal)) stem = {false, 0, std::u16string(named.begin(), named.end())};
  }
  std::string file = SafeFileName(stem, extension);
  std::string base = file.substr(0, file.size() - extension.size());
  for (int n = 2; fileNames_.count(file) != 0; ++n) file = base + "-" + std::to_string(n) + extension;
  fileNames_.insert(file);
  script_.files.push_back({file, std::move(bytes)});
  return "\"" + (options_.folder.empty() ? file : options_.folder + "/" + file) + "\"";
}

bool TStatementWriter::Head(const TResourceEntry& entry, const std::string& keyword, std::uint16_t defaults,
                            std::string& line, bool optional) {
  line = ResourceName(entry) + " " + keyword;
  if (!options_.programInput && !MemoryFlagWords(entry.memoryFlags, defaults, line)) return false;
  if (entry.version != 0 || entry.characteristics != 0) {
    if (!optional) return false;
    if (entry.version != 0) line += " VERSION " + std::to_string(entry.version);
    if (entry.characteristics != 0) line += " CHARACTERISTICS " + std::to_string(entry.characteristics);
  }
  return true;
}

// ---- data blocks

// The type of a data statement: a keyword of a data kind, a number for a type no keyword
// claims, or for the types statements of their own claim, X and the number in hex, a
// type word the compiler writes as that ordinal.
std::string DataTypeWord(const TResourceId& type, std::uint16_t& defaults) {
  defaults = kPlainFlags;
  if (!type.isOrdinal) return Utf8(type.text);
  switch (type.ordinal) {
    case kFontType:
      return "FONT";
    case kRcDataType:
      return "RCDATA";
    case kMessageTableType:
      defaults = kDiscardableFlags;
      return "MESSAGETABLE";
    case 17:
      return "DLGINCLUDE";
    case 19:
      return "PLUGPLAY";
    case 20:
      return "VXD";
    case kAnimatedCursorType:
      return "ANICURSOR";
    case kAnimatedIconType:
      return "ANIICON";
    case kHtmlType:
      return "HTML";
    case kDialogInitType:
      return "DLGINIT";
    default:
      break;
  }
  bool claimed = type.ordinal <= 5 || type.ordinal == 9 || type.ordinal == 12 || type.ordinal == 14 ||
                 type.ordinal == 16 || type.ordinal == kToolbarType;
  if (claimed) {
    char text[16];
    std::snprintf(text, sizeof text, "X%X", type.ordinal);
    return text;
  }
  return std::to_string(type.ordinal);
}

void TStatementWriter::WriteData(const TResourceEntry& entry, bool inFile, const std::string& reason) {
  std::uint16_t defaults = kPlainFlags;
  std::string type = DataTypeWord(entry.type, defaults);
  if (!reason.empty()) body_ += "// " + reason + "\n";
  std::string line;
  if (!Head(entry, type, defaults, line)) {
    line = ResourceName(entry) + " " + type;
    body_ += "// memory flags " + Hex(entry.memoryFlags) + " have no keywords\n";
  }
  if (inFile && entry.data.size() > kLargestInlineData) {
    std::string extension = ".bin";
    if (entry.type.isOrdinal && entry.type.ordinal == kManifestType) extension = ".manifest";
    if (entry.type.isOrdinal && entry.type.ordinal == kFontType) extension = ".fnt";
    if (entry.type.isOrdinal && (entry.type.ordinal == kAnimatedCursorType || entry.type.ordinal == kAnimatedIconType))
      extension = ".ani";
    if (entry.type.isOrdinal && entry.type.ordinal == kHtmlType) extension = ".html";
    body_ += line + " " + AddFile(entry, extension, {entry.data.begin(), entry.data.end()}) + "\n";
    return;
  }
  body_ += line + "\nBEGIN\n";
  static const char kDigits[] = "0123456789ABCDEF";
  for (std::size_t at = 0; at < entry.data.size(); at += kHexBytesPerLine) {
    body_ += "    '";
    for (std::size_t i = at; i < std::min(entry.data.size(), at + kHexBytesPerLine); ++i) {
      body_ += kDigits[entry.data[i] >> 4];
      body_ += kDigits[entry.data[i] & 0xF];
    }
    body_ += "'\n";
  }
  body_ += "END\n";
}

// ---- string tables

bool TStatementWriter::WriteStringTable(const TResourceEntry& entry) {
  if (!entry.name.isOrdinal || entry.name.ordinal == 0) return false;
  TByteCursor cursor(entry.data);
  std::string lines;
  std::uint32_t first = (entry.name.ordinal - 1u) * 16u;
  for (std::uint32_t slot = 0; slot < 16; ++slot) {
    std::uint16_t length = cursor.U16();
    std::u16string text(length, u'\0');
    for (char16_t& unit : text) unit = cursor.U16();
    if (length == 0) continue;
    std::string literal = ScriptLiteral(text);
    if (literal.empty()) return false;
    lines += "    " + Id(first + slot, {"IDS_", "IDP_"}) + ", " + literal + "\n";
  }
  if (!cursor.AtEnd() || lines.empty()) return false;
  std::string head = "STRINGTABLE";
  if (!options_.programInput && !MemoryFlagWords(entry.memoryFlags, kDiscardableFlags, head)) return false;
  if (entry.version != 0) head += " VERSION " + std::to_string(entry.version);
  if (entry.characteristics != 0) head += " CHARACTERISTICS " + std::to_string(entry.characteristics);
  body_ += head + "\nBEGIN\n" + lines + "END\n";
  return true;
}

// ---- menus

constexpr struct {
  std::uint16_t bit;
  const char* word;
} kMenuOptions[] = {{0x0001, "GRAYED"},       {0x0002, "INACTIVE"},  {0x0008, "CHECKED"},
                    {0x0020, "MENUBARBREAK"}, {0x0040, "MENUBREAK"}, {0x4000, "HELP"}};

bool MenuOptionWords(std::uint16_t flags, std::string& words) {
  std::uint16_t known = 0x0010 | 0x0080;
  for (const auto& option : kMenuOptions) {
    known = static_cast<std::uint16_t>(known | option.bit);
    if ((flags & option.bit) != 0) words += std::string(", ") + option.word;
  }
  return (flags & ~known) == 0;
}

bool TStatementWriter::WriteMenuLevel(TByteCursor& cursor, int depth) {
  if (depth > 64) return false;
  for (;;) {
    std::uint16_t flags = cursor.U16();
    bool popup = (flags & 0x10) != 0;
    std::uint16_t id = popup ? 0 : cursor.U16();
    std::u16string text = cursor.Text();
    std::string literal = ScriptLiteral(text);
    if (literal.empty()) return false;
    std::uint16_t options = static_cast<std::uint16_t>(flags & ~0x90);
    if (popup) {
      std::string words;
      if (!MenuOptionWords(options, words)) return false;
      body_ += Indent(depth) + "POPUP " + literal + words + "\n" + Indent(depth) + "BEGIN\n";
      if (!WriteMenuLevel(cursor, depth + 1)) return false;
      body_ += Indent(depth) + "END\n";
    } else if (options == 0 && id == 0 && text.empty()) {
      body_ += Indent(depth) + "MENUITEM SEPARATOR\n";
    } else {
      std::string words;
      if (!MenuOptionWords(options, words)) return false;
      if (text.empty() && id == 0) return false;  // "" alone is a separator
      body_ += Indent(depth) + "MENUITEM " + literal + ", " + Id(id, {"IDM_", "ID_"}) + words + "\n";
    }
    if ((flags & 0x80) != 0) return true;
  }
}

bool TStatementWriter::WriteMenu(const TResourceEntry& entry) {
  TByteCursor cursor(entry.data);
  if (cursor.U16() != 0 || cursor.U16() != 0) return false;
  std::string head;
  if (!Head(entry, "MENU", kDiscardableFlags, head)) return false;
  body_ += head + "\nBEGIN\n";
  if (!WriteMenuLevel(cursor, 1) || !cursor.AtEnd()) return false;
  body_ += "END\n";
  return true;
}

// id, type, state [, help id]: places left out at the end are 0.
std::string MenuExNumbers(const std::string& id, std::uint32_t type, std::uint32_t state, std::uint32_t helpId,
                          bool popup) {
  std::vector<std::string> numbers = {id, Hex(type), Hex(state)};
  if (popup) numbers.push_back(Hex(helpId));
  while (numbers.size() > 1 && (numbers.back() == "0x0" || numbers.back() == "0")) numbers.pop_back();
  if (numbers.size() == 1 && numbers[0] == "0") return "";
  std::string text;
  for (const std::string& number : numbers) text += ", " + number;
  return text;
}

bool TStatementWriter::WriteMenuExLevel(TByteCursor& cursor, int depth) {
  if (depth > 64) return false;
  for (;;) {
    cursor.AlignTo4();
    std::uint32_t type = cursor.U32();
    std::uint32_t state = cursor.U32();
    std::uint32_t id = cursor.U32();
    std::uint16_t flags = cursor.U16();
    std::u16string text = cursor.Text();
    std::string literal = ScriptLiteral(text);
    if (literal.empty() || (flags & ~0x81) != 0) return false;
    std::string idText = id <= 0x7FFFFFFF ? Id(id, {"IDM_", "ID_"}) : Hex(id);
    if ((flags & 0x01) != 0) {
      cursor.AlignTo4();
      std::uint32_t helpId = cursor.U32();
      body_ += Indent(depth) + "POPUP " + literal + MenuExNumbers(idText, type, state, helpId, true) + "\n" +
               Indent(depth) + "BEGIN\n";
      if (!WriteMenuExLevel(cursor, depth + 1)) return false;
      body_ += Indent(depth) + "END\n";
    } else {
      body_ += Indent(depth) + "MENUITEM " + literal + MenuExNumbers(idText, type, state, 0, false) + "\n";
    }
    if ((flags & 0x80) != 0) return true;
  }
}

bool TStatementWriter::WriteMenuEx(const TResourceEntry& entry) {
  TByteCursor cursor(entry.data);
  if (cursor.U16() != 1 || cursor.U16() != 4 || cursor.U32() != 0) return false;
  std::string head;
  if (!Head(entry, "MENUEX", kDiscardableFlags, head)) return false;
  body_ += head + "\nBEGIN\n";
  if (!WriteMenuExLevel(cursor, 1)) return false;
  cursor.AlignTo4();
  if (!cursor.AtEnd()) return false;
  body_ += "END\n";
  return true;
}

// ---- accelerators

std::string VirtualKeyName(std::uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    return std::string("\"") + static_cast<char>(key) + "\"";
  for (std::string_view record : SdkNamesStartingWith("VK_")) {
    std::string_view name;
    std::optional<std::int64_t> value = SdkNumber(record, name);
    if (value && *value == key) return std::string(name);
  }
  return Hex(key);
}

std::string AsciiKey(std::uint16_t key) {
  if (key >= 1 && key <= 26) return std::string("\"^") + static_cast<char>('A' + key - 1) + "\"";
  if (key > 32 && key < 127 && key != '"' && key != '\\' && key != '^')
    return std::string("\"") + static_cast<char>(key) + "\"";
  return std::to_string(key);
}

bool TStatementWriter::WriteAccelerators(const TResourceEntry& entry) {
  if (entry.data.empty() || entry.data.size() % 8 != 0) return false;
  TByteCursor cursor(entry.data);
  std::string head;
  if (!Head(entry, "ACCELERATORS", kDiscardableFlags, head)) return false;
  body_ += head + "\nBEGIN\n";
  while (!cursor.AtEnd()) {
    std::uint16_t flags = cursor.U16();
    std::uint16_t key = cursor.U16();
    std::uint16_t id = cursor.U16();
    if (cursor.U16() != 0) return false;
    bool last = (flags & 0x80) != 0;
    if (last != cursor.AtEnd() || (flags & ~0x9F) != 0) return false;
    bool virtualKey = (flags & 0x01) != 0;
    std::string line = "    " + (virtualKey ? VirtualKeyName(key) : AsciiKey(key)) + ", " + Id(id, {"IDM_", "ID_"}) +
                       ", " + (virtualKey ? "VIRTKEY" : "ASCII");
    if ((flags & 0x02) != 0) line += ", NOINVERT";
    if ((flags & 0x04) != 0) line += ", SHIFT";
    if ((flags & 0x08) != 0) line += ", CONTROL";
    if ((flags & 0x10) != 0) line += ", ALT";
    body_ += line + "\n";
  }
  body_ += "END\n";
  return true;
}

// ---- version information

std::string VersionNumber(std::uint32_t high, std::uint32_t low) {
  return std::to_string(high >> 16) + ", " + std::to_string(high & 0xFFFF) + ", " + std::to_string(low >> 16) + ", " +
         std::to_string(low & 0xFFFF);
}

struct TNamedValue {
  std::uint32_t value;
  const char* name;
};

constexpr TNamedValue kFileSystems[] = {
    {0x00040004, "VOS_NT_WINDOWS32"},  {0x00000004, "VOS__WINDOWS32"},    {0x00040000, "VOS_NT"},
    {0x00010001, "VOS_DOS_WINDOWS16"}, {0x00010004, "VOS_DOS_WINDOWS32"}, {0, "VOS_UNKNOWN"}};
constexpr TNamedValue kFileTypes[] = {{1, "VFT_APP"}, {2, "VFT_DLL"},        {3, "VFT_DRV"},    {4, "VFT_FONT"},
                                      {5, "VFT_VXD"}, {7, "VFT_STATIC_LIB"}, {0, "VFT_UNKNOWN"}};

template <std::size_t N>
std::string NamedValue(std::uint32_t value, const TNamedValue (&names)[N]) {
  for (const TNamedValue& named : names)
    if (named.value == value) return named.name;
  return Hex(value);
}

// node := length(16) valueLength(16) type(16) key, padding, value, padding, children
bool TStatementWriter::WriteVersionBlock(TByteCursor& cursor, std::size_t end, int depth) {
  if (depth > 16) return false;
  while (cursor.Position() < end) {
    std::size_t start = cursor.Position();
    std::uint16_t length = cursor.U16();
    std::uint16_t valueLength = cursor.U16();
    std::uint16_t type = cursor.U16();
    std::u16string key = cursor.Text();
    std::string keyLiteral = ScriptLiteral(key);
    if (keyLiteral.empty() || length < 6 || start + length > end || type > 1) return false;
    std::size_t nodeEnd = start + length;
    cursor.AlignTo4();
    if (valueLength == 0 && cursor.Position() < nodeEnd) {
      body_ += Indent(depth) + "BLOCK " + keyLiteral + "\n" + Indent(depth) + "BEGIN\n";
      if (!WriteVersionBlock(cursor, nodeEnd, depth + 1)) return false;
      body_ += Indent(depth) + "END\n";
    } else if (type == 1) {
      std::u16string value(valueLength, u'\0');
      for (char16_t& unit : value) unit = cursor.U16();
      if (value.empty() || value.back() != 0) return false;
      value.pop_back();
      std::string literal = ScriptLiteral(value);
      if (literal.empty() || value.find(u'\0') != std::u16string::npos) return false;
      body_ += Indent(depth) + "VALUE " + keyLiteral + ", " + literal + "\n";
    } else {
      if (valueLength % 2 != 0) return false;
      std::string numbers;
      // A translation pairs a language with a code page, which reads best in decimal.
      bool translation = key == u"Translation";
      for (std::uint16_t i = 0; i < valueLength / 2; ++i) {
        std::uint16_t word = cursor.U16();
        numbers += ", " + (translation && i % 2 == 1 ? std::to_string(word) : Hex(word));
      }
      body_ += Indent(depth) + "VALUE " + keyLiteral + numbers + "\n";
    }
    cursor.AlignTo4();
    if (cursor.Position() < nodeEnd) return false;
    cursor.Seek(std::min(cursor.Size(), (nodeEnd + 3) & ~std::size_t{3}));
  }
  return true;
}

bool TStatementWriter::WriteVersionInfo(const TResourceEntry& entry) {
  TByteCursor cursor(entry.data);
  std::uint16_t length = cursor.U16();
  std::uint16_t valueLength = cursor.U16();
  std::uint16_t type = cursor.U16();
  if (length != entry.data.size() || valueLength != 52 || type != 0 || cursor.Text() != u"VS_VERSION_INFO")
    return false;
  cursor.AlignTo4();
  if (cursor.U32() != 0xFEEF04BD || cursor.U32() != 0x00010000) return false;
  std::uint32_t fields[11];
  for (std::uint32_t& field : fields) field = cursor.U32();
  if (fields[9] != 0 || fields[10] != 0) return false;  // the file date
  std::string head;
  if (!Head(entry, "VERSIONINFO", kPlainFlags, head, false)) return false;
  body_ += head + "\n";
  body_ += "    FILEVERSION " + VersionNumber(fields[0], fields[1]) + "\n";
  body_ += "    PRODUCTVERSION " + VersionNumber(fields[2], fields[3]) + "\n";
  body_ += "    FILEFLAGSMASK " + Hex(fields[4]) + "\n";
  body_ += "    FILEFLAGS " + Hex(fields[5]) + "\n";
  body_ += "    FILEOS " + NamedValue(fields[6], kFileSystems) + "\n";
  body_ += "    FILETYPE " + NamedValue(fields[7], kFileTypes) + "\n";
  body_ += "    FILESUBTYPE " + (fields[8] == 0 ? std::string("VFT2_UNKNOWN") : Hex(fields[8])) + "\n";
  body_ += "BEGIN\n";
  if (!WriteVersionBlock(cursor, entry.data.size(), 1)) return false;
  body_ += "END\n";
  return true;
}

// ---- toolbars

bool TStatementWriter::WriteToolbar(const TResourceEntry& entry) {
  TByteCursor cursor(entry.data);
  if (cursor.U16() != 1) return false;
  std::uint16_t width = cursor.U16();
  std::uint16_t height = cursor.U16();
  std::uint16_t count = cursor.U16();
  if (cursor.Remaining() != count * 2u) return false;
  std::string head;
  if (!Head(entry, "TOOLBAR", kPlainFlags, head)) return false;
  body_ += head + " " + std::to_string(width) + ", " + std::to_string(height) + "\nBEGIN\n";
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint16_t id = cursor.U16();
    body_ += id == 0 ? "    SEPARATOR\n" : "    BUTTON " + Id(id, {"IDM_", "ID_"}) + "\n";
  }
  body_ += "END\n";
  return true;
}

// ---- dialogs

struct TControlForm {
  const char* keyword;
  std::uint16_t classOrdinal;
  std::uint32_t defaultStyle;
  std::uint32_t typeMask;  // the class bits that make the control what it is
  int operands;            // 0: text, 1: icon, 2: id only
};

constexpr std::uint32_t kChildVisible = 0x50000000;
constexpr std::uint32_t kTabStop = 0x00010000;
constexpr std::uint32_t kGroup = 0x00020000;
constexpr std::uint32_t kBorder = 0x00800000;

constexpr TControlForm kControlForms[] = {
    {"PUSHBUTTON", 0x80, kChildVisible | kTabStop | 0x0, 0xF, 0},
    {"DEFPUSHBUTTON", 0x80, kChildVisible | kTabStop | 0x1, 0xF, 0},
    {"CHECKBOX", 0x80, kChildVisible | kTabStop | 0x2, 0xF, 0},
    {"AUTOCHECKBOX", 0x80, kChildVisible | kTabStop | 0x3, 0xF, 0},
    {"RADIOBUTTON", 0x80, kChildVisible | 0x4, 0xF, 0},
    {"STATE3", 0x80, kChildVisible | kTabStop | 0x5, 0xF, 0},
    {"AUTO3STATE", 0x80, kChildVisible | kTabStop | 0x6, 0xF, 0},
    {"GROUPBOX", 0x80, kChildVisible | 0x7, 0xF, 0},
    {"AUTORADIOBUTTON", 0x80, kChildVisible | 0x9, 0xF, 0},
    {"LTEXT", 0x82, kChildVisible | kGroup | 0x0, 0x1F, 0},
    {"CTEXT", 0x82, kChildVisible | kGroup | 0x1, 0x1F, 0},
    {"RTEXT", 0x82, kChildVisible | kGroup | 0x2, 0x1F, 0},
    {"ICON", 0x82, kChildVisible | 0x3, 0x1F, 1},
    {"EDITTEXT", 0x81, kChildVisible | kTabStop | kBorder, 0, 2},
    {"LISTBOX", 0x83, kChildVisible | kBorder | 0x1, 0, 2},
    {"SCROLLBAR", 0x84, kChildVisible, 0, 2},
    {"COMBOBOX", 0x85, kChildVisible | kTabStop, 0, 2},
};

constexpr const char* kClassWords[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};

struct TRawItem {
  std::uint32_t helpId = 0, style = 0, exStyle = 0, id = 0;
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  TResourceId windowClass, title;
  std::span<const std::uint8_t> creationData;
};

// A style expression: `bits` given, `removed` taken away with NOT. Names come from the
// table of the control's kind.
// The names of `bits` for the control `names` describes, each alone; with `dropZero`
// without the names of value 0 (a shorthand statement has given the control's type).
std::vector<std::string> StyleWords(std::uint32_t bits, const TDialogControl& names, bool dropZero) {
  static constexpr std::string_view kZeroNames[] = {"BS_PUSHBUTTON", "BS_TEXT",  "ES_LEFT",
                                                    "SS_LEFT",       "SBS_HORZ", "WS_OVERLAPPED"};
  TDialogControl control = names;
  control.style = bits;
  std::string text = ControlStyleNames(control);
  std::vector<std::string> words;
  for (std::size_t at = 0;;) {
    std::size_t bar = text.find(" | ", at);
    std::string word = text.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
    if (!dropZero || std::find(std::begin(kZeroNames), std::end(kZeroNames), word) == std::end(kZeroNames))
      words.push_back(word);
    if (bar == std::string::npos) break;
    at = bar + 3;
  }
  return words;
}

// A style expression: `bits` given, `removed` taken away, each of its names after NOT.
std::string StyleExpression(std::uint32_t bits, std::uint32_t removed, const TDialogControl& names,
                            bool shorthand = false) {
  std::string text;
  if (removed != 0)
    for (const std::string& word : StyleWords(removed, names, true)) text += (text.empty() ? "NOT " : " | NOT ") + word;
  if (bits != 0)
    for (const std::string& word : StyleWords(bits, names, shorthand)) text += (text.empty() ? "" : " | ") + word;
  return text.empty() ? "0" : text;
}

const std::string& TStatementWriter::Style(std::uint32_t bits, std::uint32_t removed, TControlKind kind,
                                           std::string_view className, bool shorthand) {
  // The names depend on the kind, and for the other controls on whether the class is a
  // button's or a static's.
  auto is = [&](std::string_view word) {
    return std::equal(className.begin(), className.end(), word.begin(), word.end(),
                      [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == b; });
  };
  std::uint32_t classGroup = is("BUTTON") ? 1 : is("STATIC") ? 2 : 0;
  TStyleKey key{static_cast<std::uint64_t>(bits) << 32 | removed,
                static_cast<std::uint32_t>(kind) << 3 | classGroup << 1 | (shorthand ? 1u : 0u)};
  auto found = styles_.find(key);
  if (found == styles_.end()) {
    TDialogControl names;
    names.kind = kind;
    names.className = className;
    found = styles_.emplace(key, StyleExpression(bits, removed, names, shorthand)).first;
  }
  return found->second;
}

bool IsLikeKeyword(std::u16string_view text) {
  std::string upper;
  for (char16_t c : text) {
    if (c > 127) return false;
    upper += static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c);
  }
  for (const TControlForm& form : kControlForms)
    if (upper == form.keyword) return true;
  return upper == "BUTTON" || upper == "EDIT" || upper == "STATIC";
}

// The id as a statement gives it: -32768..65535, negatives sign-extended in 32 bits.
bool ControlIdText(std::uint32_t id, bool extended, std::string& text) {
  if (!extended) {
    text = id == 0xFFFF ? "-1" : std::to_string(id);
    return true;
  }
  if (id <= 0xFFFF) {
    text = std::to_string(id);
    return true;
  }
  if (id >= 0xFFFF8000u) {
    text = std::to_string(static_cast<std::int32_t>(id));
    return true;
  }
  return false;
}

std::string CreationDataBlock(std::span<const std::uint8_t> data) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = " { '";
  for (std::uint8_t byte : data) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text + "' }";
}

bool TStatementWriter::WriteDialog(const TResourceEntry& entry) {
  TByteCursor cursor(entry.data);
  bool extended = entry.data.size() >= 4 && entry.data[0] == 1 && entry.data[1] == 0 && entry.data[2] == 0xFF &&
                  entry.data[3] == 0xFF;
  std::uint32_t helpId = 0, style = 0, exStyle = 0;
  if (extended) {
    cursor.Skip(4);
    helpId = cursor.U32();
    exStyle = cursor.U32();
    style = cursor.U32();
  } else {
    style = cursor.U32();
    exStyle = cursor.U32();
  }
  std::uint16_t count = cursor.U16();
  std::int16_t rect[4];
  for (std::int16_t& value : rect) value = cursor.I16();
  TResourceId menu = cursor.NameOrOrdinal();
  TResourceId windowClass = cursor.NameOrOrdinal();
  std::u16string caption = cursor.Text();
  std::string statements;
  if ((style & 0x40) != 0) {
    std::uint16_t points = cursor.U16();
    std::uint16_t weight = extended ? cursor.U16() : 0;
    std::uint8_t italic = extended ? cursor.U8() : 0;
    std::uint8_t charset = extended ? cursor.U8() : 0;
    std::string face = ScriptLiteral(cursor.Text());
    if (face.empty()) return false;
    statements += "FONT " + std::to_string(points) + ", " + face;
    if (extended) statements += ", " + std::to_string(weight) + ", " + std::to_string(italic) + ", " + Hex(charset);
    statements += "\n";
  }
  bool captionBar = (style & 0x00C00000) == 0x00C00000;
  if (!caption.empty() && !captionBar) return false;
  if (captionBar || !caption.empty()) {
    std::string literal = ScriptLiteral(caption);
    if (literal.empty()) return false;
    statements = "CAPTION " + literal + "\n" + statements;
  }
  if (menu.isOrdinal ? menu.ordinal != 0 : !menu.text.empty()) {
    if (!menu.isOrdinal && ScriptLiteral(menu.text).empty()) return false;
    statements += "MENU " +
                  (menu.isOrdinal ? ResourceName(menu, TResourceId{true, kMenuType, {}}) : ScriptLiteral(menu.text)) +
                  "\n";
  }
  if (windowClass.isOrdinal ? windowClass.ordinal != 0 : !windowClass.text.empty()) {
    if (!windowClass.isOrdinal && ScriptLiteral(windowClass.text).empty()) return false;
    statements += "CLASS " +
                  (windowClass.isOrdinal ? std::to_string(windowClass.ordinal) : ScriptLiteral(windowClass.text)) +
                  "\n";
  }
  std::uint32_t shownStyle = style & ~0x40u;
  if (captionBar) shownStyle &= ~0x00C00000u;
  if (shownStyle != 0) statements = "STYLE " + DialogStyleNames(shownStyle) + "\n" + statements;
  if (exStyle != 0) statements += "EXSTYLE " + ExStyleNames(exStyle) + "\n";

  std::string controls;
  std::string id, titleText, classText, classLiteral;  // classText: the class by name, which className views
  for (std::uint16_t i = 0; i < count; ++i) {
    cursor.AlignTo4();
    TRawItem item;
    if (extended) {
      item.helpId = cursor.U32();
      item.exStyle = cursor.U32();
      item.style = cursor.U32();
    } else {
      item.style = cursor.U32();
      item.exStyle = cursor.U32();
    }
    item.x = cursor.I16();
    item.y = cursor.I16();
    item.width = cursor.I16();
    item.height = cursor.I16();
    item.id = extended ? cursor.U32() : cursor.U16();
    item.windowClass = cursor.NameOrOrdinal();
    item.title = cursor.NameOrOrdinal();
    std::uint16_t extra = cursor.U16();
    item.creationData = cursor.Bytes(extra);
    if ((!extended && extra != 0) || extra % 2 != 0) return false;

    if (!ControlIdText(item.id, extended, id)) return false;
    if (id != "-1") id = ControlId(std::stoll(id));
    titleText = item.title.isOrdinal ? std::string() : ScriptLiteral(item.title.text);
    if (!item.title.isOrdinal && titleText.empty()) return false;
    // The class by name, as the style names want it
    std::string_view className;
    TControlKind kind;
    if (item.windowClass.isOrdinal && item.windowClass.ordinal >= 0x80 && item.windowClass.ordinal <= 0x85) {
      className = kClassWords[item.windowClass.ordinal - 0x80];
      kind = KindOfClassOrdinal(item.windowClass.ordinal, item.style);
    } else {
      classText = item.windowClass.isOrdinal ? "#" + std::to_string(item.windowClass.ordinal)
                                              : DisplayUtf8(item.windowClass.text);
      className = classText;
      kind = KindOfClass(className, item.style);
    }
    auto rectangle = [&](std::string& line) {
      AppendNumber(line, item.x);
      line += ", ";
      AppendNumber(line, item.y);
      line += ", ";
      AppendNumber(line, item.width);
      line += ", ";
      AppendNumber(line, item.height);
    };
    const TControlForm* form = nullptr;
    if (item.windowClass.isOrdinal) {
      for (const TControlForm& candidate : kControlForms) {
        if (candidate.classOrdinal != item.windowClass.ordinal) continue;
        if ((item.style & candidate.typeMask) != (candidate.defaultStyle & candidate.typeMask)) continue;
        if (candidate.operands == 0 && item.title.isOrdinal) continue;
        if (candidate.operands == 2 && (item.title.isOrdinal || !item.title.text.empty())) continue;
        form = &candidate;
        break;
      }
    }
    controls += "    ";
    if (form != nullptr) {
      std::uint32_t given = item.style & ~form->defaultStyle;
      std::uint32_t removed = form->defaultStyle & ~item.style;
      controls += form->keyword;
      controls += ' ';
      if (form->operands == 0) {
        controls += titleText;
        controls += ", ";
      } else if (form->operands == 1) {
        controls += item.title.isOrdinal ? ResourceName(item.title, TResourceId{true, kIconType, {}}) : titleText;
        controls += ", ";
      }
      controls += id;
      controls += ", ";
      rectangle(controls);
      // [, style [, exstyle [, help id]]] after the rectangle
      const std::string* styleText =
          given != 0 || removed != 0 ? &Style(given, removed, kind, className, true) : nullptr;
      if (item.exStyle != 0 || item.helpId != 0) {
        controls += ", ";
        controls += styleText != nullptr ? *styleText : "0";
        controls += ", ";
        controls += item.exStyle != 0 ? ExStyleNames(item.exStyle) : "0";
        if (item.helpId != 0) controls += ", " + Hex(item.helpId);
      } else if (styleText != nullptr) {
        controls += ", ";
        controls += *styleText;
      }
    } else {
      std::string_view classWord;
      int rule = 0;  // 0: text, 1: static, 2: empty
      if (item.windowClass.isOrdinal) {
        if (item.windowClass.ordinal < 0x80 || item.windowClass.ordinal > 0x85) return false;
        classWord = kClassWords[item.windowClass.ordinal - 0x80];
        rule = item.windowClass.ordinal == 0x80 ? 0 : item.windowClass.ordinal == 0x82 ? 1 : 2;
      } else {
        if (IsLikeKeyword(item.windowClass.text)) return false;
        classLiteral = ScriptLiteral(item.windowClass.text);
        if (classLiteral.empty()) return false;
        classWord = classLiteral;
      }
      controls += "CONTROL ";
      if (item.title.isOrdinal) {
        std::uint32_t type = item.style & 0x1F;
        if (rule != 1 || item.title.ordinal == 0 || item.title.ordinal > 32767 ||
            (type != 3 && type != 14 && type != 15))
          return false;
        AppendNumber(controls, item.title.ordinal);
      } else {
        if (rule == 2 && !item.title.text.empty()) return false;
        controls += titleText;
      }
      controls += ", ";
      controls += id;
      controls += ", ";
      controls += classWord;
      controls += ", ";
      std::uint32_t removed = kChildVisible & ~item.style;
      controls += Style(item.style, removed, kind, className, false);
      controls += ", ";
      rectangle(controls);
      if (item.exStyle != 0 || item.helpId != 0) {
        controls += ", ";
        controls += item.exStyle != 0 ? ExStyleNames(item.exStyle) : "0";
      }
      if (item.helpId != 0) controls += ", " + Hex(item.helpId);
    }
    if (!item.creationData.empty()) controls += CreationDataBlock(item.creationData);
    controls += '\n';
  }
  if (!cursor.AtEnd()) return false;
  std::string head;
  if (!Head(entry, extended ? "DIALOGEX" : "DIALOG", kDiscardableFlags, head, false)) return false;
  head += " " + std::to_string(rect[0]) + ", " + std::to_string(rect[1]) + ", " + std::to_string(rect[2]) + ", " +
          std::to_string(rect[3]);
  if (helpId != 0) {
    if (!extended) return false;
    head += ", " + Hex(helpId);
  }
  if (entry.version != 0) statements += "VERSION " + std::to_string(entry.version) + "\n";
  if (entry.characteristics != 0) statements += "CHARACTERISTICS " + std::to_string(entry.characteristics) + "\n";
  body_ += head;
  body_ += '\n';
  body_ += statements;
  body_ += "BEGIN\n";
  body_ += controls;
  body_ += "END\n";
  return true;
}

// ---- files: icons, cursors, bitmaps

void PutU16(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
}

void PutU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  PutU16(bytes, value & 0xFFFF);
  PutU16(bytes, value >> 16);
}

// The `size` bytes of an image that the group gives; the compiler pads the image's data
// to a multiple of 4 with zeros beyond them (but not the size in the group).
bool TakeImageBytes(std::span<const std::uint8_t>& bits, std::uint32_t size) {
  if (size > bits.size() || bits.size() - size > 3) return false;
  for (std::size_t i = size; i < bits.size(); ++i)
    if (bits[i] != 0) return false;
  bits = bits.first(size);
  return true;
}

// group := reserved(16)=0 type(16) count(16) then 14-byte entries naming images by id.
// The file: the same head, 16-byte entries with the offset of each image, the images.
bool TStatementWriter::WriteGroup(const TScriptUnit& unit) {
  const TResourceEntry& group = resources_[unit.entries.back()];
  bool cursor = group.type.ordinal == kCursorGroupType;
  TByteCursor reader(group.data);
  if (reader.U16() != 0 || reader.U16() != (cursor ? 2 : 1)) return false;
  std::uint16_t count = reader.U16();
  // The compiler rounds a group's data up to a multiple of 4 with zeros.
  std::size_t directoryEnd = 6 + count * 14u;
  if (count == 0 || group.data.size() < directoryEnd || group.data.size() - directoryEnd > 3 ||
      unit.entries.size() != count + 1u)
    return false;
  std::vector<std::uint8_t> file;
  PutU16(file, 0);
  PutU16(file, cursor ? 2 : 1);
  PutU16(file, count);
  std::vector<std::uint8_t> images;
  std::size_t offset = 6 + count * 16u;
  for (std::uint16_t i = 0; i < count; ++i) {
    const TResourceEntry& image = resources_[unit.entries[i]];
    std::span<const std::uint8_t> bits = image.data;
    if (cursor) {
      std::uint16_t width = reader.U16();
      std::uint16_t height = reader.U16();
      reader.Skip(4);  // planes, bit count
      std::uint32_t size = reader.U32();
      reader.Skip(2);
      if (!TakeImageBytes(bits, size) || bits.size() < 4) return false;
      TByteCursor hotspot(bits);
      std::uint16_t hotX = hotspot.U16();
      std::uint16_t hotY = hotspot.U16();
      file.push_back(static_cast<std::uint8_t>(width));
      file.push_back(static_cast<std::uint8_t>(height / 2));
      file.push_back(0);
      file.push_back(0);
      PutU16(file, hotX);
      PutU16(file, hotY);
      bits = bits.subspan(4);
    } else {
      std::uint8_t fields[8];
      for (std::uint8_t& field : fields) field = reader.U8();
      std::uint32_t size = reader.U32();
      reader.Skip(2);
      if (!TakeImageBytes(bits, size)) return false;
      file.insert(file.end(), fields, fields + 8);
    }
    PutU32(file, static_cast<std::uint32_t>(bits.size()));
    PutU32(file, static_cast<std::uint32_t>(offset + images.size()));
    images.insert(images.end(), bits.begin(), bits.end());
  }
  file.insert(file.end(), images.begin(), images.end());
  std::string head;
  if (!Head(group, cursor ? "CURSOR" : "ICON", kDiscardableFlags, head)) return false;
  body_ += head + " " + AddFile(group, cursor ? ".cur" : ".ico", std::move(file)) + "\n";
  return true;
}

// The bitmap's file: a 14-byte file header ahead of the DIB, its offset to the pixels.
bool TStatementWriter::WriteBitmap(const TResourceEntry& entry) {
  TByteCursor reader(entry.data);
  std::uint32_t headerSize = reader.U32();
  std::uint32_t colors = 0;
  if (headerSize == 12) {
    reader.Skip(6);
    std::uint16_t bitCount = reader.U16();
    colors = bitCount <= 8 ? (1u << bitCount) * 3 : 0;
  } else if (headerSize >= 40) {
    reader.Skip(10);
    std::uint16_t bitCount = reader.U16();
    std::uint32_t compression = reader.U32();
    reader.Skip(12);
    std::uint32_t used = reader.U32();
    colors = (used != 0 ? used : bitCount <= 8 ? 1u << bitCount : 0) * 4;
    if (headerSize == 40 && (compression == 3 || compression == 6)) colors += compression == 3 ? 12 : 16;
  } else {
    return false;
  }
  std::vector<std::uint8_t> file = {'B', 'M'};
  PutU32(file, static_cast<std::uint32_t>(entry.data.size() + 14));
  PutU32(file, 0);
  PutU32(file, static_cast<std::uint32_t>(std::min<std::size_t>(14 + headerSize + colors, entry.data.size() + 14)));
  file.insert(file.end(), entry.data.begin(), entry.data.end());
  std::string head;
  if (!Head(entry, "BITMAP", kPlainFlags, head)) return false;
  body_ += head + " " + AddFile(entry, ".bmp", std::move(file)) + "\n";
  return true;
}

bool TStatementWriter::WriteFileStatement(const TResourceEntry& entry, const std::string& keyword,
                                          const std::string& extension, std::uint16_t defaults) {
  std::string head;
  if (!Head(entry, keyword, defaults, head)) return false;
  body_ += head + " " + AddFile(entry, extension, {entry.data.begin(), entry.data.end()}) + "\n";
  return true;
}

bool TStatementWriter::WriteStatement(const TScriptUnit& unit) {
  const TResourceEntry& entry = resources_[unit.entries.back()];
  if (!entry.type.isOrdinal) return false;
  switch (entry.type.ordinal) {
    case kStringType:
      return WriteStringTable(entry);
    case kMenuType:
      return entry.data.size() >= 2 && entry.data[0] == 1 ? WriteMenuEx(entry) : WriteMenu(entry);
    case kDialogType:
      return WriteDialog(entry);
    case kAcceleratorType:
      return WriteAccelerators(entry);
    case kVersionType:
      return WriteVersionInfo(entry);
    case kToolbarType:
      return WriteToolbar(entry);
    case kIconGroupType:
    case kCursorGroupType:
      return WriteGroup(unit);
    case kBitmapType:
      return WriteBitmap(entry);
    case kFontType:
      return WriteFileStatement(entry, "FONT", ".fnt", kPlainFlags);
    case kAnimatedCursorType:
      return WriteFileStatement(entry, "ANICURSOR", ".ani", kPlainFlags);
    case kAnimatedIconType:
      return WriteFileStatement(entry, "ANIICON", ".ani", kPlainFlags);
    case kManifestType:
      return WriteFileStatement(entry, "24", ".manifest", kPlainFlags);
    case kHtmlType:
      return WriteFileStatement(entry, "HTML", ".html", kPlainFlags);
    default:
      return false;
  }
}

void TStatementWriter::WriteUnit(const TScriptUnit& unit) {
  body_.clear();
  std::size_t files = script_.files.size();
  if (unit.form == TScriptForm::Statement) {
    bool written = false;
    try {
      written = WriteStatement(unit);
    } catch (const TDataError&) {
      written = false;
    }
    if (written) {
      script_.text += body_;
      script_.text += '\n';
      return;
    }
    for (std::size_t i = files; i < script_.files.size(); ++i) fileNames_.erase(script_.files[i].name);
    script_.files.resize(files);
    body_.clear();
  }
  if (unit.form == TScriptForm::Omitted) {
    for (std::size_t index : unit.entries) {
      const TResourceEntry& entry = resources_[index];
      std::uint16_t defaults = 0;
      body_ += "// left out: " + DataTypeWord(entry.type, defaults) + " " + ResourceName(entry) +
               ", which no statement can give\n";
    }
    script_.text += body_;
    script_.text += '\n';
    return;
  }
  std::string reason = unit.reason;
  if (unit.form == TScriptForm::Statement) reason = "no statement gives these bytes";
  for (std::size_t index : unit.entries) {
    const TResourceEntry& entry = resources_[index];
    bool own =
        entry.type.isOrdinal && (entry.type.ordinal == kRcDataType || entry.type.ordinal == kManifestType ||
                                 entry.type.ordinal == kDialogInitType || entry.type.ordinal == kMessageTableType ||
                                 entry.type.ordinal == kHtmlType || entry.type.ordinal == kFontType ||
                                 entry.type.ordinal == kAnimatedCursorType || entry.type.ordinal == kAnimatedIconType);
    WriteData(entry, unit.form != TScriptForm::DataBlock, own || !entry.type.isOrdinal ? "" : reason);
  }
  script_.text += body_;
  script_.text += '\n';
}

bool IsDataKind(const TResourceId& type) {
  return !type.isOrdinal ||
         (type.ordinal != kStringType && type.ordinal != kMenuType && type.ordinal != kDialogType &&
          type.ordinal != kAcceleratorType && type.ordinal != kVersionType && type.ordinal != kToolbarType &&
          type.ordinal != kIconGroupType && type.ordinal != kCursorGroupType && type.ordinal != kBitmapType &&
          type.ordinal != kFontType && type.ordinal != kAnimatedCursorType && type.ordinal != kAnimatedIconType &&
          type.ordinal != kManifestType && type.ordinal != kHtmlType);
}

// The compiler numbers the images of ICON and CURSOR statements 1, 2, 3 ... in the order
// it reads them, icons and cursors apart. A group whose images bear other numbers cannot
// be its statement: it goes out as data, and takes no numbers.
void PredictImageNumbers(const std::vector<TResourceEntry>& resources, std::vector<TScriptUnit>& units) {
  std::uint32_t icons = 0, cursors = 0;
  for (TScriptUnit& unit : units) {
    const TResourceEntry& last = resources[unit.entries.back()];
    if (unit.form != TScriptForm::Statement || unit.entries.size() < 2 || !last.type.isOrdinal) continue;
    std::uint32_t& counter = last.type.ordinal == kCursorGroupType ? cursors : icons;
    bool numbered = true;
    for (std::size_t i = 0; i + 1 < unit.entries.size(); ++i)
      numbered = numbered && resources[unit.entries[i]].name.ordinal == counter + i + 1;
    if (numbered) {
      counter += static_cast<std::uint32_t>(unit.entries.size() - 1);
    } else {
      unit.form = TScriptForm::DataFile;
      unit.reason = "the compiler would number these images otherwise";
    }
  }
}

}  // namespace

std::string ScriptLiteral(std::u16string_view units) {
  if (HasLoneSurrogate(units)) return {};
  std::string text;
  text.reserve(units.size() + 2);
  text += '"';
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t c = units[i];
    if (c >= 0x20 && c < 0x7F && c != u'\\' && c != u'"') {
      text += static_cast<char>(c);
      continue;
    }
    switch (c) {
      case u'\n':
        text += "\\n";
        break;
      case u'\t':
        text += "\\t";
        break;
      case u'\\':
        text += "\\\\";
        break;
      case u'"':
        text += "\"\"";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          static const char kDigits[] = "0123456789ABCDEF";
          text += "\\x";
          text += kDigits[c >> 4];
          text += kDigits[c & 0xF];
        } else if (c >= 0xD800 && c <= 0xDBFF) {  // paired: lone halves were refused above
          AppendUtf8(text, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (units[++i] - 0xDC00u));
        } else {
          AppendUtf8(text, c);
        }
    }
  }
  text += '"';
  return text;
}

std::string SafeFileName(const TResourceId& name, const std::string& extension) {
  std::string stem;
  if (name.isOrdinal) {
    stem = std::to_string(name.ordinal);
  } else {
    for (char16_t c : name.text) {
      bool plain =
          (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
      stem += plain ? static_cast<char>(c) : '_';
      if (stem.size() >= 100) break;
    }
  }
  if (stem.empty()) stem = "_";
  std::string upper;
  for (char c : stem) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  static constexpr const char* kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3",   "COM4",
                                             "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2",   "LPT3",
                                             "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (upper == device) stem = "_" + stem;
  return stem + extension;
}

std::vector<TScriptUnit> PlanScript(const std::vector<TResourceEntry>& resources, bool keepOrder) {
  std::vector<TScriptUnit> units;
  std::vector<bool> taken(resources.size(), false);
  // Images by type, language and ordinal name, for the groups to claim.
  std::map<std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>, std::size_t> images;
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const TResourceEntry& entry = resources[i];
    if (entry.type.isOrdinal && (entry.type.ordinal == kIconType || entry.type.ordinal == kCursorType) &&
        entry.name.isOrdinal)
      images.emplace(std::make_tuple(entry.type.ordinal, entry.language, entry.name.ordinal), i);
  }
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const TResourceEntry& group = resources[i];
    if (!group.type.isOrdinal || (group.type.ordinal != kIconGroupType && group.type.ordinal != kCursorGroupType))
      continue;
    std::uint16_t imageType = group.type.ordinal == kIconGroupType ? kIconType : kCursorType;
    TScriptUnit unit;
    std::size_t count = group.data.size() >= 6 ? static_cast<std::size_t>(group.data[4] | group.data[5] << 8) : 0;
    bool complete = count != 0 && group.data.size() >= 6 + count * 14;
    for (std::size_t at = 6; complete && at < 6 + count * 14; at += 14) {
      auto id = static_cast<std::uint16_t>(group.data[at + 12] | group.data[at + 13] << 8);
      auto found = images.find({imageType, group.language, id});
      if (found == images.end() || taken[found->second]) {
        complete = false;
        break;
      }
      unit.entries.push_back(found->second);
      taken[found->second] = true;
    }
    if (!complete) {
      for (std::size_t image : unit.entries) taken[image] = false;
      continue;
    }
    unit.entries.push_back(i);
    taken[i] = true;
    units.push_back(std::move(unit));
  }
  for (std::size_t i = 0; i < resources.size(); ++i) {
    if (taken[i]) continue;
    TScriptUnit unit;
    unit.entries.push_back(i);
    const TResourceEntry& entry = resources[i];
    if (entry.type.isOrdinal && (entry.type.ordinal == kIconType || entry.type.ordinal == kCursorType)) {
      unit.form = TScriptForm::DataFile;
      unit.reason = "an image that no group names";
    } else if (IsDataKind(entry.type)) {
      unit.form = TScriptForm::DataFile;
    }
    units.push_back(std::move(unit));
  }
  auto first = [](const TScriptUnit& unit) { return *std::min_element(unit.entries.begin(), unit.entries.end()); };
  if (keepOrder) {
    std::stable_sort(units.begin(), units.end(),
                     [&](const TScriptUnit& a, const TScriptUnit& b) { return first(a) < first(b); });
  } else {
    // Icon and cursor groups first, by the number of their first image: the compiler
    // numbers images in the order it reads them.
    auto firstImage = [&](const TScriptUnit& unit) -> std::int32_t {
      if (unit.entries.size() < 2) return -1;
      return resources[unit.entries.front()].name.ordinal;
    };
    std::stable_sort(units.begin(), units.end(), [&](const TScriptUnit& a, const TScriptUnit& b) {
      std::int32_t imageA = firstImage(a), imageB = firstImage(b);
      if ((imageA < 0) != (imageB < 0)) return imageA >= 0;
      if (imageA >= 0 && imageA != imageB) return imageA < imageB;
      const TResourceEntry& x = resources[a.entries.back()];
      const TResourceEntry& y = resources[b.entries.back()];
      if (x.language != y.language) return x.language < y.language;
      if (!(x.type == y.type)) return x.type < y.type;
      return x.name < y.name;
    });
  }
  PredictImageNumbers(resources, units);
  return units;
}

TDecompiledScript WriteScript(const std::vector<TResourceEntry>& resources, const std::vector<TScriptUnit>& units,
                              const TDecompileOptions& options) {
  return WriteScriptPart(resources, units, options, 0, units.size());
}

TDecompiledScript WriteScriptPart(const std::vector<TResourceEntry>& resources, const std::vector<TScriptUnit>& units,
                                  const TDecompileOptions& options, std::size_t first, std::size_t last) {
  TDecompiledScript script;
  // Room for the text at once (pages are only taken as they are written): a few bytes of
  // text for each byte of data is plenty for statements, and data blocks fit too. A
  // first part has room for the parts to be joined to it.
  std::size_t dataBytes = 0;
  for (std::size_t at = first; at < (first == 0 ? units.size() : last); ++at)
    for (std::size_t index : units[at].entries) dataBytes += resources[index].data.size();
  script.text.reserve(3 * dataBytes + 4096);
  script.text = "#pragma code_page(65001)\n#include <windows.h>\n#include <commctrl.h>\n";
  if (!options.namesHeader.empty()) script.text += "#include \"" + options.namesHeader + "\"\n";
  script.text += "\n";
  script.headBytes = script.text.size();
  TStatementWriter writer(resources, options, script);
  std::map<std::uint16_t, std::string> languages;
  std::size_t line = 1;
  std::size_t counted = 0;  // script.text up to here has `line` - 1 line ends
  for (std::size_t at = first; at < last; ++at) {
    const TScriptUnit& unit = units[at];
    std::uint16_t unitLanguage = resources[unit.entries.back()].language;
    if (script.lastLanguage != unitLanguage) {
      script.text += LanguageStatement(unitLanguage, languages) + "\n\n";
      if (script.firstLanguage < 0) script.firstLanguage = unitLanguage;
      script.lastLanguage = unitLanguage;
    }
    line += static_cast<std::size_t>(
        std::count(script.text.begin() + static_cast<std::ptrdiff_t>(counted), script.text.end(), '\n'));
    counted = script.text.size();
    script.unitLines.push_back(line);
    script.unitOffsets.push_back(script.text.size());
    writer.WriteUnit(unit);
  }
  return script;
}

bool JoinScripts(TDecompiledScript& whole, TDecompiledScript& part) {
  if (part.unitOffsets.empty()) return true;
  std::unordered_set<std::string_view> names;
  for (const TScriptFile& file : whole.files) names.insert(file.name);
  for (const TScriptFile& file : part.files)
    if (names.count(file.name) != 0) return false;
  // The part's head, and its LANGUAGE statement when that language is in force already.
  std::size_t skip = whole.lastLanguage == part.firstLanguage ? part.unitOffsets.front() : part.headBytes;
  auto wholeLines = static_cast<std::size_t>(std::count(whole.text.begin(), whole.text.end(), '\n'));
  auto skippedLines = static_cast<std::size_t>(
      std::count(part.text.begin(), part.text.begin() + static_cast<std::ptrdiff_t>(skip), '\n'));
  for (std::size_t i = 0; i < part.unitOffsets.size(); ++i) {
    whole.unitOffsets.push_back(whole.text.size() + part.unitOffsets[i] - skip);
    whole.unitLines.push_back(part.unitLines[i] - skippedLines + wholeLines);
  }
  whole.text.append(part.text, skip);
  whole.files.insert(whole.files.end(), std::make_move_iterator(part.files.begin()),
                     std::make_move_iterator(part.files.end()));
  if (whole.firstLanguage < 0) whole.firstLanguage = part.firstLanguage;
  whole.lastLanguage = part.lastLanguage;
  return true;
}

}  // namespace tarvex
