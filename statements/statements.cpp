// The statement loop. After the preprocessor, a script is a sequence of statements:
//
//   statement := [optional-statements] STRINGTABLE ...
//              | [optional-statements] name type {memory-flag} {optional-statement} body
//              | optional-statements                  (at the end of input only)
//
// The loop reads the name and the type keyword, maps the keyword to a resource type
// number and hands the rest of the statement to the handler of that kind. Top-level
// LANGUAGE statements change the language of every statement that follows; string
// tables are collected on the way and written after every other resource.
#include "statements/statements.h"

#include <array>
#include <charconv>
#include <new>

#include "data/resource_types.h"
#include "preprocessor/conditionals.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/source_index.h"
#include "statements/accelerators.h"
#include "statements/data_resources.h"
#include "statements/dialog.h"
#include "statements/file_resources.h"
#include "statements/menu.h"
#include "statements/menu_ex.h"
#include "statements/resource.h"
#include "statements/string_table.h"
#include "statements/toolbar.h"
#include "statements/version_info.h"
#include "statements/warning_checks.h"

namespace tarvex {

namespace {

// Windows takes any 16-bit name (MAKEINTRESOURCE); 0 names nothing.
constexpr std::int64_t kMaxNameOrdinal = 65535;

// One kind of resource statement: its type number, the keyword and numeric synonyms
// that name it, the text its entries are written with, and the handler of its body.
struct TResourceKind {
  std::int32_t number;
  std::string_view keyword;
  std::string_view synonyms[2];
  std::string_view typeText;
  void (*handler)(TRCParser&);
};

// 12 and 14 (group cursor, group icon) stand for CURSOR and ICON: the group entry is
// written with them. DIALOGEX shares the number of DIALOG, MENUEX that of MENU; a
// DIALOGEX statement keeps its keyword as its type text, which tells the dialog its
// layout. DLGINIT (a block read like RCDATA) and TOOLBAR have no numeric synonym: the
// numbers 240 and 241 keep naming user-defined types, as they always have.
// clang-format off
constexpr TResourceKind kResourceKinds[] = {
    {kCursorType, "CURSOR", {"1", "12"}, "1", CompileFileResource},
    {kBitmapType, "BITMAP", {"2", ""}, "2", CompileFileResource},
    {kIconType, "ICON", {"3", "14"}, "3", CompileFileResource},
    {kMenuType, "MENU", {"4", ""}, "4", CompileMenu},
    {kMenuType, "MENUEX", {"", ""}, "4", CompileMenuEx},
    {kDialogType, "DIALOG", {"5", ""}, "5", CompileDialog},
    {kDialogType, "DIALOGEX", {"", ""}, "DIALOGEX", CompileDialog},
    {kFontType, "FONT", {"8", ""}, "8", CompileDataResource},
    {kAcceleratorType, "ACCELERATORS", {"9", ""}, "9", CompileAccelerators},
    {kRcDataType, "RCDATA", {"10", ""}, "10", CompileDataResource},
    {kMessageTableType, "MESSAGETABLE", {"11", ""}, "11", CompileDataResource},
    {kVersionType, "VERSIONINFO", {"16", ""}, "16", CompileVersionInfo},
    {kDialogIncludeType, "DLGINCLUDE", {"17", ""}, "17", CompileDataResource},
    {kPlugPlayType, "PLUGPLAY", {"19", ""}, "19", CompileDataResource},
    {kVxdType, "VXD", {"20", ""}, "20", CompileDataResource},
    {kAnimatedCursorType, "ANICURSOR", {"21", ""}, "21", CompileDataResource},
    {kAnimatedIconType, "ANIICON", {"22", ""}, "22", CompileDataResource},
    {kHtmlType, "HTML", {"23", ""}, "23", CompileDataResource},
    {kDialogInitType, "DLGINIT", {"", ""}, "240", CompileDataResource},
    {kToolbarType, "TOOLBAR", {"", ""}, "241", CompileToolbar},
};
// clang-format on

// The keywords are found by a slot of their length and their first and last letters,
// which no two of them share; the numeric synonyms by their value.
constexpr std::size_t kKeywordSlots = 64;
constexpr std::size_t kLargestSynonym = 23;

constexpr unsigned UpperCode(char c) { return CharCode(UpperAscii(c)); }

constexpr std::size_t KeywordSlot(std::string_view word) {
  return (UpperCode(word.front()) * 5 + UpperCode(word.back()) * 9 + word.size()) % kKeywordSlots;
}

struct TKindIndex {
  std::array<std::int8_t, kKeywordSlots> byKeyword{};
  std::array<std::int8_t, kLargestSynonym + 1> bySynonym{};
};

constexpr TKindIndex BuildKindIndex() {
  TKindIndex index;
  index.byKeyword.fill(-1);
  index.bySynonym.fill(-1);
  for (std::size_t i = 0; i < std::size(kResourceKinds); ++i) {
    const TResourceKind& kind = kResourceKinds[i];
    std::int8_t& slot = index.byKeyword[KeywordSlot(kind.keyword)];
    if (slot >= 0) throw "two keywords share a slot";
    slot = static_cast<std::int8_t>(i);
    for (std::string_view synonym : kind.synonyms) {
      if (synonym.empty()) continue;
      std::size_t value = 0;
      for (char c : synonym) value = value * 10 + (CharCode(c) - '0');
      index.bySynonym[value] = static_cast<std::int8_t>(i);
    }
  }
  return index;
}

constexpr TKindIndex kKindIndex = BuildKindIndex();

// The kind a keyword names in any letter case, or null for a user-defined type.
const TResourceKind* KindOfKeyword(std::string_view word) {
  if (word.empty()) return nullptr;
  int i = kKindIndex.byKeyword[KeywordSlot(word)];
  return i >= 0 && IsWord(word, kResourceKinds[i].keyword) ? &kResourceKinds[i] : nullptr;
}

// The kind a number names, or null for a user-defined type.
const TResourceKind* KindOfNumber(std::int64_t value) {
  if (value < 0 || value > static_cast<std::int64_t>(kLargestSynonym)) return nullptr;
  int i = kKindIndex.bySynonym[static_cast<std::size_t>(value)];
  return i >= 0 ? &kResourceKinds[i] : nullptr;
}

// The kind an upper-cased type token names: a keyword, or a number written as a synonym
// is (one or two digits, no leading zero); null for any other token.
const TResourceKind* KindOfType(std::string_view keyword) {
  if (!IsDigit(keyword[0])) return KindOfKeyword(keyword);
  if (keyword.size() > 2 || keyword[0] == '0' || (keyword.size() == 2 && !IsDigit(keyword[1]))) return nullptr;
  return KindOfNumber(keyword.size() == 1 ? keyword[0] - '0' : (keyword[0] - '0') * 10 + (keyword[1] - '0'));
}

// A resource name: a quoted text without NUL, a word, a number from 1 to 65535, or a
// token that begins like a number without being one (kept as text).
void CheckResourceName(TRCParser& parser, const std::string& token) {
  if (token[0] == '"') {
    if (token.find('\0') != std::string::npos) ReportError(parser, 124);  // The resource name contains the 0x00 symbol
    return;
  }
  std::int64_t value = 0;
  if (IsDigit(token[0]) || token[0] == '-') {
    bool number = DecimalTokenValue(token, value);
    if ((number && (value < 1 || value > kMaxNameOrdinal)) || (!number && token[0] == '-'))
      ReportError(parser, 15, {token});  // Bad resource identifier: %s
    return;
  }
  if (!IsWordStart(static_cast<unsigned char>(token[0]))) ReportError(parser, 15, {token});
}

bool StartsOptionalStatement(std::string_view word) {
  return IsWord(word, "LANGUAGE") || IsWord(word, "CHARACTERISTICS") || IsWord(word, "VERSION");
}

// What the lane read as a statement's first token, when it is a name that needs no
// check beyond the lane's own (a number in range, a literal without NUL, a word that
// starts no optional statement): put into parser.resourceName in capitals.
bool TakeCommonName(TRCParser& parser, const TCommonToken& token) {
  std::string& name = parser.resourceName;
  switch (token.kind) {
    case TCommonKind::Number: {
      if (token.value < 1 || token.value > kMaxNameOrdinal) return false;
      // Decimal digits without a suffix are the number's text already (no leading zero)
      if (token.text[0] != '0' && IsDigit(token.text.back())) {
        name.assign(token.text);
      } else {
        char digits[8];
        auto written = std::to_chars(digits, digits + sizeof digits, token.value);
        name.assign(digits, written.ptr);
      }
      return true;
    }
    case TCommonKind::Literal:
      if (token.text.find('\0') != std::string_view::npos) return false;
      break;
    case TCommonKind::Word:
      if (StartsOptionalStatement(token.text)) return false;
      break;
    case TCommonKind::Brace:
      return false;
  }
  name.assign(token.text);
  UpperCaseInPlace(name);
  return true;
}

// statement-head := [optional-statements] name. Leaves the name in parser.resourceName,
// in capitals, and the statement's attributes at their defaults; false at the end of
// input. `typeAhead` tells that the lane read a number or a literal with a plain name
// after it, which TakeNameAfterRun may take.
bool ReadStatementName(TRCParser& parser, bool& typeAhead) {
  typeAhead = false;
  TCommonToken common;
  std::string first;
  if (GetCommonToken(parser, common, first)) {
    if (TakeCommonName(parser, common)) {
      ResetStatementAttributes(parser);
      typeAhead = common.kind != TCommonKind::Word && parser.TokenFlag == TTokenKind::Word;
      return true;
    }
    first = CommonTokenText(common);
  }
  for (;;) {
    if (first.empty()) return false;
    CheckResourceName(parser, first);
    std::string name = ParseOptionalStatements(parser, first, true);
    if (name != first) {
      // Top-level optional statements: LANGUAGE sets the default of what follows. The
      // name after them is checked like any other; the input may end after them.
      parser.defaultLanguage = parser.language;
      parser.defaultSublanguage = parser.sublanguage;
      if (name.empty()) {
        first = GetToken(parser);
        continue;
      }
      CheckResourceName(parser, name);
    }
    parser.resourceName = name;
    UpperCaseInPlace(parser.resourceName);
    return true;
  }
}

// Statements of one type follow each other: their texts are the same as the last's.
void AssignText(std::string& text, std::string_view value) {
  if (text != value) text.assign(value);
}

// Enters the type in the parser: its keyword in capitals, its number and its text.
const TResourceKind& SetResourceType(TRCParser& parser, std::string_view keyword, const TResourceKind* kind) {
  static constexpr TResourceKind kUserDefinedKind = {kUserDefinedType, {}, {}, {}, CompileDataResource};
  if (kind != nullptr && !kind->keyword.empty() && !IsDigit(keyword[0])) {
    AssignText(parser.resourceTypeKeyword, kind->keyword);  // the keyword in capitals already
  } else {
    parser.resourceTypeKeyword.assign(keyword);
    UpperCaseInPlace(parser.resourceTypeKeyword);
  }
  if (kind == nullptr) kind = &kUserDefinedKind;
  parser.resourceTypeNumber = kind->number;
  AssignText(parser.resourceTypeText,
             kind == &kUserDefinedKind ? std::string_view(parser.resourceTypeKeyword) : kind->typeText);
  return *kind;
}

// type := ["\"...] keyword | number | user-type-name
const TResourceKind& ReadResourceType(TRCParser& parser, bool typeAhead) {
  TCommonToken common;
  std::string token;
  if ((typeAhead && TakeNameAfterRun(parser, common)) || GetCommonToken(parser, common, token)) {
    if (common.kind == TCommonKind::Word && IsIdentifierStart(common.text[0]))
      return SetResourceType(parser, common.text, KindOfKeyword(common.text));
    if (common.kind == TCommonKind::Number && common.value <= 65535) {
      char digits[8];
      auto written = std::to_chars(digits, digits + sizeof digits, common.value);
      return SetResourceType(parser, std::string_view(digits, written.ptr), KindOfNumber(common.value));
    }
    token = CommonTokenText(common);
  }
  while (token == "\\") token = GetToken(parser);
  std::string keyword = UpperCase(token);
  if (keyword.empty()) ReportError(parser, 16);  // Resource type expected
  char first = keyword[0];
  bool typeStart = IsDigit(first) || (first >= 'A' && first <= 'Z') || first == '_';
  // A numeric type above 65535 cannot be written as an ordinal; it would silently wrap.
  std::int64_t value = 0;
  if (!typeStart || (IsDigit(first) && DecimalTokenValue(keyword, value) && value > 65535))
    ReportError(parser, 17, {keyword});  // Bad resource type: %s
  return SetResourceType(parser, keyword, KindOfType(keyword));
}

void CheckVersionInfo(TRCParser& parser, bool& versionInfoSeen) {
  if (versionInfoSeen) ReportError(parser, 119);  // Duplicate VersionInfo resource not allowed
  if (parser.resourceName != "1")
    ReportError(parser, 18, {parser.resourceName});  // VersionInfo resource identifier shall be "1" instead %s
  versionInfoSeen = true;
}

// The statement whose name was just read begins here, for an editor's index.
[[gnu::noinline]] void IndexStatementStart(TRCParser& parser) {
  TIndexedResource resource;
  resource.name = parser.resourceName;
  if (parser.resourceName == "STRINGTABLE") resource.type = parser.resourceName;
  resource.start = IndexPlace(parser);
  resource.outputStart = parser.output.Size();
  parser.options.index->resources.push_back(std::move(resource));
}

[[gnu::noinline]] void IndexStatementEnd(TRCParser& parser) {
  TIndexedResource& resource = parser.options.index->resources.back();
  resource.type = parser.resourceName == "STRINGTABLE" ? "STRINGTABLE" : parser.resourceTypeKeyword;
  resource.language = static_cast<std::uint16_t>(parser.language | parser.sublanguage << 10);
  resource.end = IndexPlace(parser);
  resource.outputEnd = parser.output.Size();
}

void CompileStringTableStatement(TRCParser& parser) {
  ++parser.resourceCount;
  if (parser.resourceNotification)
    parser.resourceNotification(parser, "STRINGTABLE", parser.resourceCount, "STRINGTABLE");
  CompileStringTable(parser);
}

}  // namespace

void CompileStatements(TRCParser& parser) {
  bool versionInfoSeen = false;
  for (;;) {
    bool typeAhead = false;
    if (!ReadStatementName(parser, typeAhead)) {
      CheckConditionalsClosed(parser);  // 24. Missing #endif in compilation conditional
      WriteStringTables(parser);
      return;
    }
    if (parser.options.index) IndexStatementStart(parser);
    if (parser.warnings) NoteStatementPlace(parser);
    if (std::string_view(parser.resourceName) == "STRINGTABLE") {
      CompileStringTableStatement(parser);
      if (parser.options.index) IndexStatementEnd(parser);
      continue;
    }
    const TResourceKind& kind = ReadResourceType(parser, typeAhead);
    if (parser.options.index) parser.options.index->resources.back().type = parser.resourceTypeKeyword;
    if (kind.number == kVersionType) CheckVersionInfo(parser, versionInfoSeen);
    try {
      kind.handler(parser);
    } catch (const std::bad_alloc&) {
      ReportLocatedFailure(parser, "Out of memory compiling resource " + parser.resourceName);
    }
    if (parser.options.index) IndexStatementEnd(parser);
  }
}

}  // namespace tarvex
