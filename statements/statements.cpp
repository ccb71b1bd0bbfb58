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

#include <stdexcept>

#include "statements/data_resources.h"
#include "statements/file_resources.h"
#include "preprocessor/conditionals.h"
#include "preprocessor/preprocessor.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "statements/accelerators.h"
#include "statements/dialog.h"
#include "statements/menu.h"
#include "statements/menu_ex.h"
#include "statements/resource.h"
#include "statements/string_table.h"
#include "statements/toolbar.h"
#include "statements/version_info.h"

namespace tarvex {

namespace {

constexpr std::int32_t kUserDefinedType = 65535;
constexpr std::int32_t kMenuType = 4;
constexpr std::int32_t kVersionInfoType = 16;
constexpr std::int32_t kDialogInitType = 240;
constexpr std::int32_t kToolbarType = 241;
constexpr std::int64_t kMaxNameOrdinal = 32767;

// The texts of one resource type: its keyword and its numeric synonyms.
struct TTypeKeywords {
  std::int32_t number;
  std::string_view texts[3];
};

// 12 and 14 (group cursor, group icon) stand for CURSOR and ICON: the group entry is
// written with them. DIALOGEX shares the number of DIALOG, MENUEX that of MENU. DLGINIT
// and TOOLBAR have no numeric synonym: the numbers 240 and 241 keep naming user-defined
// types, as they always have.
// clang-format off
constexpr TTypeKeywords kTypeKeywords[] = {
    {1, {"CURSOR", "1", "12"}},    {2, {"BITMAP", "2"}},         {3, {"ICON", "3", "14"}},
    {4, {"MENU", "4", "MENUEX"}},  {5, {"DIALOG", "DIALOGEX", "5"}},
    {8, {"FONT", "8"}},            {9, {"ACCELERATORS", "9"}},   {10, {"RCDATA", "10"}},
    {11, {"MESSAGETABLE", "11"}},  {16, {"VERSIONINFO", "16"}},  {17, {"DLGINCLUDE", "17"}},
    {19, {"PLUGPLAY", "19"}},      {20, {"VXD", "20"}},          {21, {"ANICURSOR", "21"}},
    {22, {"ANIICON", "22"}},       {23, {"HTML", "23"}},         {240, {"DLGINIT"}},
    {241, {"TOOLBAR"}},
};
// clang-format on

// The number of an upper-cased type token; any other token is a user-defined type.
std::int32_t ResourceTypeNumber(std::string_view keyword) {
  for (const TTypeKeywords& type : kTypeKeywords)
    for (std::string_view text : type.texts)
      if (!text.empty() && text == keyword) return type.number;
  return kUserDefinedType;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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
void ReadResourceType(TRCParser& parser) {
  std::string keyword = UpperCase(SkipSeparators(parser, "\\"));
  if (keyword.empty()) ReportError(parser, 16);  // Resource type expected
  char first = keyword[0];
  bool typeStart = IsDigit(first) || (first >= 'A' && first <= 'Z') || first == '_';
  // A numeric type above 65535 cannot be written as an ordinal; it would silently wrap.
  std::int64_t value = 0;
  if (!typeStart || (IsDigit(first) && DecimalTokenValue(keyword, value) && value > 65535))
    ReportError(parser, 17, {keyword});  // Bad resource type: %s
  parser.resourceTypeKeyword = keyword;
  parser.resourceTypeNumber = ResourceTypeNumber(keyword);
  if (parser.resourceTypeNumber == kUserDefinedType || keyword == "DIALOGEX") {
    parser.resourceTypeText = keyword;
  } else {
    parser.resourceTypeText = std::to_string(parser.resourceTypeNumber);
  }
}

void CheckVersionInfo(TRCParser& parser, bool& versionInfoSeen) {
  if (versionInfoSeen) ReportError(parser, 119);  // Duplicate VersionInfo resource not allowed
  if (parser.resourceName != "1")
    ReportError(parser, 18, {parser.resourceName});  // VersionInfo resource identifier shall be "1" instead %s
  versionInfoSeen = true;
}

void CompileResourceBody(TRCParser& parser) {
  switch (parser.resourceTypeNumber) {
    case 1:
    case 2:
    case 3:
      CompileFileResource(parser);
      return;
    case kMenuType:
      if (parser.resourceTypeKeyword == "MENUEX") {
        CompileMenuEx(parser);
      } else {
        CompileMenu(parser);
      }
      return;
    case 5:
      CompileDialog(parser);
      return;
    case 9:
      CompileAccelerators(parser);
      return;
    case kVersionInfoType:
      CompileVersionInfo(parser);
      return;
    case kToolbarType:
      CompileToolbar(parser);
      return;
    case 8:
    case 10:
    case 11:
    case 17:
    case 19:
    case 20:
    case 21:
    case 22:
    case 23:
    case kDialogInitType:  // a block read like RCDATA, written with type 240
    case kUserDefinedType:
      CompileDataResource(parser);
      return;
    default:
      throw std::logic_error("resource type " + std::to_string(parser.resourceTypeNumber) + " has no handler");
  }
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
    ReadResourceType(parser);
    if (parser.resourceTypeNumber == kVersionInfoType) CheckVersionInfo(parser, versionInfoSeen);
    CompileResourceBody(parser);
  }
}

}  // namespace tarvex
