// The built-in SDK headers. One table, the union of what the SDK's resource headers give a
// script, serves every SDK header name, so it is applied at most once per compilation:
// a later include of windows.h or of another served name would add nothing the first did
// not (the real headers guard against a second reading in the same way), and the ~11,000
// records are not walked again. The names a script or the predefined table already
// defines keep their values, as a header's #define of a defined name would be skipped by
// its own #ifndef. The names whose value depends on UNICODE take the form that the
// script's defines select when the table is applied, as the headers' #ifdef UNICODE would.
// The framework ids of afxres.h and atlres.h are applied once too, but replace existing
// values (ID_HELP: IDHELP in the predefined table, 0xE146 in the MFC frameworks), as the
// real header's #define would.
//
// Two files of the SDK are script fragments that hold statements and macros with
// parameters (common.ver with its VERSIONINFO, ntverp.h): they are served as their text,
// read like a file that was found.
#include "preprocessor/sdk_headers.h"

#include "data/sdk_symbols.h"
#include "reader/file_search.h"
#include "reader/name_value.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

// Splits a NAME=value record; false for a record without both parts.
bool SplitRecord(std::string_view record, std::string_view& name, std::string_view& value) {
  std::size_t equals = record.find('=');
  if (equals == std::string_view::npos || equals == 0 || equals + 1 == record.size()) return false;
  name = record.substr(0, equals);
  value = record.substr(equals + 1);
  return true;
}

void DefineUndefined(TRCParser& parser, std::span<const std::string_view> records) {
  std::string_view name, value;
  for (std::string_view record : records)
    if (SplitRecord(record, name, value) && parser.defines.Find(name) == nullptr) parser.defines.Define(name, value);
}

void DefineSdkSymbols(TRCParser& parser) {
  if (parser.sdkSymbolsDefined) return;
  parser.sdkSymbolsDefined = true;
  bool unicode = parser.defines.Find("UNICODE") != nullptr;
  parser.defines.Reserve(parser.defines.Size() + SdkCharacterSetSymbols(unicode).size() + SdkHeaderSymbols().size());
  DefineUndefined(parser, SdkCharacterSetSymbols(unicode));
  DefineUndefined(parser, SdkHeaderSymbols());
}

void DefineFrameworkSymbols(TRCParser& parser) {
  if (parser.frameworkSymbolsDefined) return;
  parser.frameworkSymbolsDefined = true;
  std::string_view name, value;
  for (std::string_view record : FrameworkSymbols())
    if (SplitRecord(record, name, value)) parser.defines.Define(name, value);
}

// afxres.h (MFC) and atlres.h (WTL) bring the framework ids besides the SDK constants.
bool IsFrameworkHeader(const std::string& name) {
  std::string upper = UpperCase(name);
  return upper == "AFXRES.H" || upper == "ATLRES.H";
}

}  // namespace

bool IncludeServedHeader(TRCParser& parser, const std::string& name) {
  std::string_view text = ServedHeaderText(name);
  bool sdk = IsServedSdkHeader(name);
  if (text.empty() && !sdk && !IsServedEmptyHeader(name)) return false;
  if (!FindScriptFile(parser, name).empty()) return false;
  if (!text.empty()) {
    OpenSourceText(parser, name, text);
    return true;
  }
  if (!sdk) return true;
  DefineSdkSymbols(parser);
  if (IsFrameworkHeader(name)) DefineFrameworkSymbols(parser);
  return true;
}

}  // namespace tarvex
