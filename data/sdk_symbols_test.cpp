#include "data/sdk_symbols.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "reader/lexer.h"
#include "reader/numbers.h"
#include "reader/parser.h"

namespace tarvex {
namespace {

using TRecordMap = std::map<std::string_view, std::string_view>;

// The records by name; a name given twice is a fault of the data.
TRecordMap RecordsByName(std::span<const std::string_view> records) {
  TRecordMap byName;
  for (std::string_view record : records) {
    std::size_t equals = record.find('=');
    EXPECT_NE(equals, std::string_view::npos) << record;
    EXPECT_GT(equals, 0u) << record;
    EXPECT_LT(equals + 1, record.size()) << record;
    if (equals == std::string_view::npos) continue;
    bool inserted = byName.emplace(record.substr(0, equals), record.substr(equals + 1)).second;
    EXPECT_TRUE(inserted) << "duplicate " << record;
  }
  return byName;
}

// The value TARVEX's number reader gives a numeric record value, as a 64-bit integer; fails the
// test when the reader refuses it or does not take it as a whole number.
std::int64_t ReadAsScriptNumber(std::string_view value) {
  bool negative = value.starts_with('-');
  std::string_view digits = negative ? value.substr(1) : value;
  TRCParser parser;
  std::string decimal;
  try {
    decimal = ConvertNumber(parser, digits);
  } catch (const std::exception& failure) {
    ADD_FAILURE() << value << ": " << failure.what();
    return 0;
  }
  EXPECT_TRUE(IsNumberToken(parser)) << value;
  std::int64_t number = std::stoll(decimal);
  return negative ? -number : number;
}

// A string value: quoted printable ASCII that needs no escape in a script.
bool IsPlainString(std::string_view value) {
  if (value.size() < 2 || !value.starts_with('"') || !value.ends_with('"')) return false;
  for (char c : value.substr(1, value.size() - 2)) {
    if (c < ' ' || c > '~' || c == '"' || c == '\\') return false;
  }
  return true;
}

TEST(SdkHeaderSymbols, CountUniqueSortedNames) {
  // The counts change only when the tables are generated anew.
  const std::pair<std::span<const std::string_view>, std::size_t> tables[] = {
      {SdkHeaderSymbols(), 10940u}, {SdkCharacterSetSymbols(true), 114u}, {SdkCharacterSetSymbols(false), 114u}};
  TRecordMap common = RecordsByName(SdkHeaderSymbols());
  for (auto [records, count] : tables) {
    EXPECT_EQ(records.size(), count);
    TRecordMap byName = RecordsByName(records);
    EXPECT_EQ(byName.size(), records.size());
    for (std::size_t i = 1; i < records.size(); ++i) {
      std::string_view previous = records[i - 1].substr(0, records[i - 1].find('='));
      std::string_view current = records[i].substr(0, records[i].find('='));
      EXPECT_LT(previous, current);
    }
    if (records.data() == SdkHeaderSymbols().data()) continue;
    for (auto [name, value] : byName) EXPECT_EQ(common.count(name), 0u) << name;  // in one table only
  }
}

TEST(SdkHeaderSymbols, EveryValueReadsAsOneNumberOrAPlainString) {
  int strings = 0;
  TRecordMap all = RecordsByName(SdkHeaderSymbols());
  for (bool unicode : {true, false})
    for (auto [name, value] : RecordsByName(SdkCharacterSetSymbols(unicode))) all.emplace(name, value);
  for (auto [name, value] : all) {
    if (value.starts_with('"')) {
      EXPECT_TRUE(IsPlainString(value)) << name;
      ++strings;
      continue;
    }
    std::int64_t number = ReadAsScriptNumber(value);
    EXPECT_GE(number, -2147483647) << name;
    EXPECT_LE(number, 0xFFFFFFFFll) << name;
  }
  EXPECT_GT(strings, 100);
}

// Values the generator computes rather than copies: casts, macro calls, ORs of names,
// 32-bit patterns, and class names stored narrow whatever the character set.
TEST(SdkHeaderSymbols, ComputedValues) {
  TRecordMap sdk = RecordsByName(SdkHeaderSymbols());
  const std::pair<std::string_view, std::string_view> expected[] = {
      {"LANG_SYSTEM_DEFAULT", "0x800"},
      {"LOCALE_USER_DEFAULT", "0x400"},
      {"RT_GROUP_ICON", "14"},
      {"CW_USEDEFAULT", "0x80000000"},
      {"WS_OVERLAPPEDWINDOW", "0xCF0000"},
      {"LVN_FIRST", "0xFFFFFF9C"},
      {"IDC_STATIC", "-1"},
      {"WC_LISTVIEWW", "\"SysListView32\""},
      {"RICHEDIT_CLASSW", "\"RichEdit20W\""},
  };
  for (auto [name, value] : expected) EXPECT_EQ(sdk[name], value) << name;
  EXPECT_EQ(ReadAsScriptNumber(sdk["CW_USEDEFAULT"]), 0x80000000ll);
  EXPECT_EQ(ReadAsScriptNumber(sdk["IDC_STATIC"]), -1);
  EXPECT_EQ(RecordsByName(SdkCharacterSetSymbols(true))["RICHEDIT_CLASS"], "\"RichEdit20W\"");
  EXPECT_EQ(RecordsByName(SdkCharacterSetSymbols(false))["RICHEDIT_CLASS"], "\"RichEdit20A\"");
}

TEST(SdkHeaderSymbols, WhatIsLeftOut) {
  TRecordMap sdk = RecordsByName(SdkHeaderSymbols());
  // clang-format off
  const std::string_view absent[] = {
      "RC_INVOKED", "_WIN32", "UNICODE", "_UNICODE", "__GNUC__", "__i386__",  // the generating compilation's own
      "MAKEINTRESOURCE", "MAKELANGID",                                      // function-like
      "_INC_WINDOWS", "_WINUSER_",                                          // defined empty (include guards)
      "TVI_ROOT", "HWND_TOPMOST", "LPSTR_TEXTCALLBACK",                     // pointer casts
      "IMAGE_ORDINAL_FLAG64", "MAXLONGLONG",                                // wider than 32 bits
      "ERROR_SUCCESS", "CRYPT_EXPORTABLE",                                  // headers the served ones pull in
      "IMAGE_ARCHIVE_START",                                                // a string with escapes
  };
  // clang-format on
  for (std::string_view name : absent) EXPECT_EQ(sdk.count(name), 0u) << name;
}

TEST(FrameworkSymbols, CountOrderAndValues) {
  auto records = FrameworkSymbols();
  ASSERT_EQ(records.size(), 187u);
  EXPECT_EQ(records.front(), "ID_INDICATOR_EXT=0xE700");
  EXPECT_EQ(records.back(), "ATL_IDS_MRU_FILE=0xEFDA");
  TRecordMap framework = RecordsByName(records);
  EXPECT_EQ(framework.size(), records.size());
  for (auto [name, value] : framework) ReadAsScriptNumber(value);
  EXPECT_EQ(framework["IDC_STATIC"], "-1");
}

// What is served for a name: 'S' an SDK header, 'E' an empty one, 'T' a script fragment as
// text, '-' nothing. Names match ignoring case, never with a folder or a near miss.
TEST(ServedHeaders, EachNameByKind) {
  const std::pair<std::string_view, char> rows[] = {
      {"windows.h", 'S'},
      {"WINDOWS.H", 'S'},
      {"winresrc.h", 'S'},
      {"winuser.rh", 'S'},
      {"CommCtrl.h", 'S'},
      {"afxres.h", 'S'},
      {"atlres.h", 'S'},
      {"sdkddkver.h", 'S'},
      {"tchar.h", 'S'},
      {"stdio.h", 'E'},
      {"STDIO.H", 'E'},
      {"stdint.h", 'E'},
      {"io.h", 'E'},
      {"common.ver", 'T'},
      {"NtVerp.h", 'T'},
      {"sys/windows.h", '-'},
      {"dir\\windows.h", '-'},
      {"./windows.h", '-'},
      {"windows", '-'},
      {"windows.hh", '-'},
      {"xwindows.h", '-'},
      {"windows.h ", '-'},
      {"", '-'},
      {"resource.h", '-'},
      {"commctrl.rh.bak", '-'},
      {"winresrc.h\\", '-'},
      {"sys/stdio.h", '-'},
      {"sdk/common.ver", '-'},
  };
  for (auto [name, kind] : rows) {
    EXPECT_EQ(IsServedSdkHeader(name), kind == 'S') << name;
    EXPECT_EQ(IsServedEmptyHeader(name), kind == 'E') << name;
    EXPECT_EQ(!ServedHeaderText(name).empty(), kind == 'T') << name;
  }
  EXPECT_NE(ServedHeaderText("COMMON.VER").find("VS_VERSION_INFO VERSIONINFO"), std::string_view::npos);
}

}  // namespace
}  // namespace tarvex
