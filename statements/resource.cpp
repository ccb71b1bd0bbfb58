#include "statements/resource.h"

#include <array>
#include <charconv>
#include <limits>

#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/utf16.h"

namespace tarvex {

namespace {

// The eight memory-flag keywords in pairs: a keyword at an even index sets its bits, the
// one after it (its opposite) clears them.
struct TMemoryFlag {
  std::string_view keyword;
  std::int32_t bits;
};
constexpr TMemoryFlag kMemoryFlags[] = {
    {"MOVEABLE", 0x10}, {"FIXED", 0},      {"PURE", 0x20},          {"IMPURE", 0},
    {"PRELOAD", 0x40},  {"LOADONCALL", 0}, {"DISCARDABLE", 0x1000}, {"NONDISCARDABLE", 0},
};

// No two keywords have the same length: the length alone names the candidate.
constexpr std::size_t kLongestMemoryFlag = 14;

constexpr std::array<std::int8_t, kLongestMemoryFlag + 1> BuildFlagByLength() {
  std::array<std::int8_t, kLongestMemoryFlag + 1> index{};
  index.fill(-1);
  std::int8_t i = 0;
  for (const TMemoryFlag& flag : kMemoryFlags) {
    if (flag.keyword.size() > kLongestMemoryFlag || index[flag.keyword.size()] >= 0) throw "keyword lengths collide";
    index[flag.keyword.size()] = i++;
  }
  return index;
}

// The index of the flag keyword `word` names in any letter case, or -1 for none.
int FindMemoryFlag(std::string_view word) {
  static constexpr std::array<std::int8_t, kLongestMemoryFlag + 1> kFlagByLength = BuildFlagByLength();
  if (word.size() > kLongestMemoryFlag) return -1;
  int index = kFlagByLength[word.size()];
  return index >= 0 && IsWord(word, kMemoryFlags[index].keyword) ? index : -1;
}

constexpr std::int32_t kMaxLanguage = 1023;
constexpr std::int32_t kMaxSublanguage = 63;
constexpr std::size_t kMaxNotifiedLength = 255;
constexpr std::size_t kMaxPatchedDataSize = 0xFFFF;  // a back-patched size has 16 bits

bool StartsNumber(std::string_view token) { return !token.empty() && (IsDigit(token[0]) || token[0] == '-'); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

[[noreturn]] void RaiseNotInteger(std::string_view text) {
  RaiseFailure("'" + std::string(text) + "' is not a valid integer value");
}

// A value token of LANGUAGE: a number from 0 to `maximum`, else message `badNumber`.
std::int32_t ReadLanguagePart(TRCParser& parser, const std::string& token, int missingNumber, int badNumber,
                              std::int32_t maximum) {
  if (token.empty()) ReportError(parser, missingNumber);
  std::int64_t value = 0;
  if (!IsDigit(token[0]) || !DecimalTokenValue(token, value) || value > maximum) ReportError(parser, badNumber);
  return static_cast<std::int32_t>(value);
}

// language := LANGUAGE number [","] number
void ReadLanguageStatement(TRCParser& parser) {
  parser.language = ReadLanguagePart(parser, GetToken(parser), 4, 5, kMaxLanguage);
  // 4. Missing language id (a number in range 0..1023 expected).
  // 5. Bad language id (a number in range 0..1023 expected)
  parser.sublanguage = ReadLanguagePart(parser, SkipOptionalSeparator(parser, ","), 6, 7, kMaxSublanguage);
  // 6. Missing sublanguage id (a number in range 0..63 expected)
  // 7. Bad sublanguage id (a number in range 0..63 expected)
}

// characteristics := CHARACTERISTICS number; version := VERSION number. The value is
// kept as its 32 bits, so 0xFFFFFFFF written as an expression is accepted too.
std::int32_t ReadDwordStatement(TRCParser& parser) {
  std::string token = GetToken(parser);
  if (!StartsNumber(token)) ReportError(parser, 8);  // Numeric value expected
  std::int64_t value = 0;
  if (!DecimalTokenValue(token, value) || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::uint32_t>::max())
    RaiseNotInteger(token);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::string Truncated(const std::string& text) { return text.substr(0, kMaxNotifiedLength); }

// A quoted name that is not all digits becomes the text between its quotes; a quoted
// number keeps its quotes so that it stays a string name distinct from the ordinal.
void NormaliseQuotedName(std::string& name) {
  if (name.empty() || name[0] != '"') return;
  bool allDigits = true;
  for (std::size_t i = 1; i + 1 < name.size(); ++i)
    if (!IsDigit(name[i])) allDigits = false;
  if (!allDigits) name = name.substr(1, name.size() >= 2 ? name.size() - 2 : 0);
}

}  // namespace

bool ParseMemoryFlagsToBlock(TRCParser& parser, std::int32_t& flags, std::string& token) {
  unsigned seen = 0;  // one bit per flag keyword read
  for (;;) {
    TCommonToken common;
    bool lane = GetCommonToken(parser, common, token);
    if (lane && common.kind != TCommonKind::Word) {
      if (common.kind == TCommonKind::Brace && common.text == "{") return true;
      token = CommonTokenText(common);
      return false;
    }
    if (!lane && token.empty()) ReportError(parser, 2);  // Resource description not terminated
    std::string_view word = lane ? common.text : std::string_view(token);
    int keyword = FindMemoryFlag(word);
    if (keyword < 0) {
      if (lane) token.assign(word);
      return false;
    }
    int opposite = keyword ^ 1;  // its opposite, the other of its pair
    if (seen >> opposite & 1) ReportError(parser, 3);  // Conflicting load/memory flags
    seen |= 1u << keyword;
    if (std::int32_t bits = kMemoryFlags[keyword].bits; bits != 0) {
      flags |= bits;
    } else {
      flags &= ~kMemoryFlags[opposite].bits;
    }
  }
}

std::string ParseMemoryFlags(TRCParser& parser, std::int32_t& flags) {
  std::string token;
  if (ParseMemoryFlagsToBlock(parser, flags, token)) token = "{";
  return token;
}

void ResetStatementAttributes(TRCParser& parser) {
  parser.language = parser.defaultLanguage;
  parser.sublanguage = parser.defaultSublanguage;
  parser.characteristics = parser.defaultCharacteristics;
  parser.version = parser.defaultVersion;
}

std::string ParseOptionalStatements(TRCParser& parser, const std::string& firstToken, bool endAllowed) {
  ResetStatementAttributes(parser);
  std::string token = firstToken;
  for (;;) {
    if (IsWord(token, "LANGUAGE")) {
      ReadLanguageStatement(parser);
    } else if (IsWord(token, "CHARACTERISTICS")) {
      parser.characteristics = ReadDwordStatement(parser);
    } else if (IsWord(token, "VERSION")) {
      parser.version = ReadDwordStatement(parser);
    } else {
      return token;
    }
    token = SkipOptionalSeparator(parser, ",");
    if (token.empty() && endAllowed) return token;
    if (token.empty()) ReportError(parser, 2);  // Resource description not terminated
  }
}

std::uint16_t StatementLanguageId(const TRCParser& parser) {
  return static_cast<std::uint16_t>(parser.sublanguage * 1024 + parser.language);
}

namespace {

void NotifyResource(TRCParser& parser) {
  ++parser.resourceCount;
  if (parser.resourceNotification)
    parser.resourceNotification(parser, Truncated(parser.resourceName), parser.resourceCount,
                                Truncated(parser.resourceTypeKeyword));
}

// A name or type of one to five decimal digits without a leading zero, up to 65535:
// no other text is the same name, so it is registered by its number.
bool PlainOrdinal(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 5 || text[0] == '0') return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value <= 0xFFFF;
}

// DIALOGEX, in any letter case, is written as type 5 but has always been told apart from
// DIALOG; it is keyed by a number above every ordinal, so that numbered dialogs too are
// kept among the numbers.
constexpr std::uint64_t kExtendedDialogKey = 0x10000 | 5;

}  // namespace

TPlainOrdinals RegisterResource(TRCParser& parser) {
  NormaliseQuotedName(parser.resourceName);
  std::uint16_t languageId = StatementLanguageId(parser);
  if (std::uint64_t name = 0, type = 0; PlainOrdinal(parser.resourceName, name)) {
    bool plainType = PlainOrdinal(parser.resourceTypeText, type);
    if (plainType || IsWord(parser.resourceTypeText, "DIALOGEX")) {
      if (!plainType) type = kExtendedDialogKey;
      if (!parser.resourceOrdinals.Insert(type << 32 | name << 16 | languageId))
        ReportError(parser, 19, {parser.resourceName, parser.resourceTypeKeyword, parser.language, parser.sublanguage});
      NotifyResource(parser);
      return {plainType, static_cast<std::uint16_t>(type), static_cast<std::uint16_t>(name)};
    }
  }
  char language[8];
  auto written = std::to_chars(language, language + sizeof language, languageId);
  std::string key;
  key.reserve(parser.resourceName.size() + parser.resourceTypeText.size() + 8);
  for (std::string_view part :
       {std::string_view(parser.resourceName), std::string_view("\x01"), std::string_view(parser.resourceTypeText),
        std::string_view("@"), std::string_view(language, static_cast<std::size_t>(written.ptr - language))})
    for (char c : part) key += UpperAscii(c);
  if (!parser.resourceRegistry.insert(std::move(key)).second)
    ReportError(parser, 19, {parser.resourceName, parser.resourceTypeKeyword, parser.language, parser.sublanguage});
  // Resource identifier %s of type %s, language %s and sublanguage %s  already defined
  NotifyResource(parser);
  return {};
}

void WriteStatementHeader(TRCParser& parser, std::uint32_t dataSize, std::string_view typeText,
                          std::string_view nameText, std::int32_t memoryFlags) {
  // Short ASCII names, nearly all of them, are widened on the stack
  constexpr std::size_t kShortName = 64;
  std::array<char16_t, kShortName> typeUnits, nameUnits;
  auto widened = [](std::string_view text, std::array<char16_t, kShortName>& units, std::u16string_view& wide) {
    if (text.size() > kShortName) return false;
    unsigned bytes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      unsigned c = CharCode(text[i]);
      bytes |= c;
      units[i] = static_cast<char16_t>(c);
    }
    wide = std::u16string_view(units.data(), text.size());
    return bytes < 0x80;
  };
  std::u16string typeLong, nameLong;
  std::u16string_view type, name;
  if (!widened(typeText, typeUnits, type)) {
    typeLong = ScriptTextToUtf16(parser, typeText);
    type = typeLong;
  }
  if (!widened(nameText, nameUnits, name)) {
    nameLong = ScriptTextToUtf16(parser, nameText);
    name = nameLong;
  }
  WriteResourceHeader(parser.output, dataSize, type, name, 0, static_cast<std::uint16_t>(memoryFlags),
                      StatementLanguageId(parser), static_cast<std::uint32_t>(parser.version),
                      static_cast<std::uint32_t>(parser.characteristics));
}

void PatchResourceDataSize(TRCParser& parser, std::size_t headerStart, std::size_t dataStart,
                           std::string_view resource) {
  std::size_t size = parser.output.Position() - dataStart;
  if (size > kMaxPatchedDataSize)
    ReportLocatedFailure(parser, "Resource " + std::string(resource) + ": data of " + std::to_string(size) +
                                     " bytes exceeds the limit of 65535 bytes");
  PatchDataSize(parser.output, headerStart, dataStart);
}

std::string StatementResource(const TRCParser& parser) {
  return parser.resourceTypeKeyword + " " + parser.resourceName;
}

bool DecimalTokenValue(std::string_view token, std::int64_t& value) {
  bool negative = !token.empty() && token[0] == '-';
  std::string_view digits = negative ? token.substr(1) : token;
  if (digits.empty() || digits.size() > 19) return false;
  std::uint64_t magnitude = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return false;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
  }
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (magnitude > kMax + (negative ? 1 : 0)) return false;
  value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

std::int32_t ConvertToInteger(std::string_view text) {
  std::string_view rest = text;
  std::int64_t value = 0;
  std::size_t prefix = 0;
  if (!rest.empty() && rest[0] == '$') prefix = 1;
  if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) prefix = 2;
  if (prefix > 0) {
    rest.remove_prefix(prefix);
    if (rest.empty() || rest.size() > 8) RaiseNotInteger(text);
    for (char c : rest) {
      if (HexDigit(c) < 0) RaiseNotInteger(text);
      value = value * 16 + HexDigit(c);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  if (rest.size() >= 2 && rest[0] == '+' && rest[1] != '-') rest.remove_prefix(1);
  if (!DecimalTokenValue(rest, value) || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    RaiseNotInteger(text);
  return static_cast<std::int32_t>(value);
}

}  // namespace tarvex
