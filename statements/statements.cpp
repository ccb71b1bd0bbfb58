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

#include <new>

#include "data/resource_types.h"
#include "preprocessor/conditionals.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/name_value.h"
#include "reader/parser.h"
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

namespace tarvex {

namespace {

constexpr std::int64_t kMaxNameOrdinal = 32767;

// One kind of resource statement: its type number, the keyword and numeric synonyms
// that name it, and the handler that reads its body.
struct TResourceKind {
  std::int32_t number;
  std::string_view texts[3];
  void (*handler)(TRCParser&);
};

// 12 and 14 (group cursor, group icon) stand for CURSOR and ICON: the group entry is
// written with them. DIALOGEX shares the number of DIALOG, MENUEX that of MENU. DLGINIT
// (a block read like RCDATA) and TOOLBAR have no numeric synonym: the numbers 240 and
// 241 keep naming user-defined types, as they always have.
// clang-format off
constexpr TResourceKind kResourceKinds[] = {
    {kCursorType, {"CURSOR", "1", "12"}, CompileFileResource},
    {kBitmapType, {"BITMAP", "2"}, CompileFileResource},
    {kIconType, {"ICON", "3", "14"}, CompileFileResource},
    {kMenuType, {"MENU", "4"}, CompileMenu},
    {kMenuType, {"MENUEX"}, CompileMenuEx},
    {kDialogType, {"DIALOG", "DIALOGEX", "5"}, CompileDialog},
    {kFontType, {"FONT", "8"}, CompileDataResource},
    {kAcceleratorType, {"ACCELERATORS", "9"}, CompileAccelerators},
    {kRcDataType, {"RCDATA", "10"}, CompileDataResource},
    {kMessageTableType, {"MESSAGETABLE", "11"}, CompileDataResource},
    {kVersionType, {"VERSIONINFO", "16"}, CompileVersionInfo},
    {kDialogIncludeType, {"DLGINCLUDE", "17"}, CompileDataResource},
    {kPlugPlayType, {"PLUGPLAY", "19"}, CompileDataResource},
    {kVxdType, {"VXD", "20"}, CompileDataResource},
    {kAnimatedCursorType, {"ANICURSOR", "21"}, CompileDataResource},
    {kAnimatedIconType, {"ANIICON", "22"}, CompileDataResource},
    {kHtmlType, {"HTML", "23"}, CompileDataResource},
    {kDialogInitType, {"DLGINIT"}, CompileDataResource},
    {kToolbarType, {"TOOLBAR"}, CompileToolbar},
};
// clang-format on

constexpr TResourceKind kUserDefinedKind = {kUserDefinedType, {}, CompileDataResource};

// The kind an upper-cased type token names; any other token is a user-defined type.
const TResourceKind& ResourceKindOf(std::string_view keyword) {
  for (const TResourceKind& kind : kResourceKinds)
    for (std::string_view text : kind.texts)
      if (!text.empty() && text == keyword) return kind;
  return kUserDefinedKind;
}

// A resource name: a quoted text without NUL, a word, a number from 1 to 32767, or a
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

// type := ["\"...] keyword | number | user-type-name
const TResourceKind& ReadResourceType(TRCParser& parser) {
  std::string keyword = UpperCase(SkipSeparators(parser, "\\"));
  if (keyword.empty()) ReportError(parser, 16);  // Resource type expected
  char first = keyword[0];
  bool typeStart = IsDigit(first) || (first >= 'A' && first <= 'Z') || first == '_';
  // A numeric type above 65535 cannot be written as an ordinal; it would silently wrap.
  std::int64_t value = 0;
  if (!typeStart || (IsDigit(first) && DecimalTokenValue(keyword, value) && value > 65535))
    ReportError(parser, 17, {keyword});  // Bad resource type: %s
  const TResourceKind& kind = ResourceKindOf(keyword);
  parser.resourceTypeKeyword = keyword;
  parser.resourceTypeNumber = kind.number;
  if (kind.number == kUserDefinedType || keyword == "DIALOGEX") {
    parser.resourceTypeText = keyword;
  } else {
    parser.resourceTypeText = std::to_string(kind.number);
  }
  return kind;
}

void CheckVersionInfo(TRCParser& parser, bool& versionInfoSeen) {
  if (versionInfoSeen) ReportError(parser, 119);  // Duplicate VersionInfo resource not allowed
  if (parser.resourceName != "1")
    ReportError(parser, 18, {parser.resourceName});  // VersionInfo resource identifier shall be "1" instead %s
  versionInfoSeen = true;
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
    std::string first = GetToken(parser);
    if (first.empty()) {
      CheckConditionalsClosed(parser);  // 24. Missing #endif in compilation conditional
      WriteStringTables(parser);
      return;
    }
    CheckResourceName(parser, first);
    std::string name = ParseOptionalStatements(parser, first, true);
    if (name != first) {
      // Top-level optional statements: LANGUAGE sets the default of what follows. The
      // name after them is checked like any other; the input may end after them.
      parser.defaultLanguage = parser.language;
      parser.defaultSublanguage = parser.sublanguage;
      if (name.empty()) continue;
      CheckResourceName(parser, name);
    }
    parser.resourceName = UpperCase(name);
    if (parser.resourceName == "STRINGTABLE") {
      CompileStringTableStatement(parser);
      continue;
    }
    const TResourceKind& kind = ReadResourceType(parser);
    if (kind.number == kVersionType) CheckVersionInfo(parser, versionInfoSeen);
    try {
      kind.handler(parser);
    } catch (const std::bad_alloc&) {
      ReportLocatedFailure(parser, "Out of memory compiling resource " + parser.resourceName);
    }
  }
}

}  // namespace tarvex
