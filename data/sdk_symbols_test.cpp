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

TEST(SdkHeaderSymbols, FamiliesScriptsUse) {
  TRecordMap sdk = RecordsByName(SdkHeaderSymbols());
  const std::pair<std::string_view, std::string_view> expected[] = {
      {"IDC_STATIC", "-1"},
      {"WS_EX_CLIENTEDGE", "0x200"},
      {"WS_EX_LAYERED", "0x80000"},
      {"WS_EX_NOACTIVATE", "0x8000000"},
      {"LVS_REPORT", "0x1"},
      {"LVS_EX_FULLROWSELECT", "0x20"},
      {"TVS_HASLINES", "0x2"},
      {"TCS_BUTTONS", "0x100"},
      {"PBS_SMOOTH", "0x1"},
      {"PBS_MARQUEE", "0x8"},
      {"TBS_AUTOTICKS", "0x1"},
      {"UDS_ALIGNRIGHT", "0x4"},
      {"MFT_SEPARATOR", "0x800"},
      {"MFT_RADIOCHECK", "0x200"},
      {"MFS_CHECKED", "0x8"},
      {"MFS_GRAYED", "0x3"},
      {"IDI_APPLICATION", "32512"},
      {"IDI_SHIELD", "32518"},
      {"IDC_ARROW", "32512"},
      {"IDC_HAND", "32649"},
      {"RT_MANIFEST", "24"},
      {"CREATEPROCESS_MANIFEST_RESOURCE_ID", "1"},
      {"LANG_ENGLISH", "0x9"},
      {"LANG_NEUTRAL", "0x0"},
      {"SUBLANG_ENGLISH_US", "0x1"},
      {"SUBLANG_GERMAN_SWISS", "0x2"},
      {"VS_FF_DEBUG", "0x1"},
      {"VOS_NT_WINDOWS32", "0x40004"},
      {"VFT_DLL", "0x2"},
      {"chx1", "0x410"},
      {"WINVER", "0xA00"},
      {"_WIN32_WINNT_WIN7", "0x601"},
  };
  for (auto [name, value] : expected) EXPECT_EQ(sdk[name], value) << name;
}

TEST(SdkHeaderSymbols, CastsAndMacroCallsAreEvaluated) {
  TRecordMap sdk = RecordsByName(SdkHeaderSymbols());
  EXPECT_EQ(sdk["LANG_SYSTEM_DEFAULT"], "0x800");     // MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT)
  EXPECT_EQ(sdk["LOCALE_USER_DEFAULT"], "0x400");     // MAKELCID over MAKELANGID, DWORD casts
  EXPECT_EQ(sdk["RT_GROUP_ICON"], "14");              // MAKEINTRESOURCE(RT_ICON + DIFFERENCE)
  EXPECT_EQ(sdk["CW_USEDEFAULT"], "0x80000000");      // ((int)0x80000000): the 32-bit pattern
  EXPECT_EQ(sdk["WS_OVERLAPPEDWINDOW"], "0xCF0000");  // an OR of six names
  EXPECT_EQ(sdk["WS_POPUPWINDOW"], "0x80880000");
  EXPECT_EQ(sdk["DS_SHELLFONT"], "0x48");
  EXPECT_EQ(sdk["LVN_FIRST"], "0xFFFFFF9C");  // (0U-100U)
  EXPECT_EQ(sdk["VS_FFI_SIGNATURE"], "0xFEEF04BD");
  EXPECT_EQ(ReadAsScriptNumber(sdk["CW_USEDEFAULT"]), 0x80000000ll);
  EXPECT_EQ(ReadAsScriptNumber(sdk["IDC_STATIC"]), -1);
}

TEST(SdkHeaderSymbols, WideClassNamesAreStoredNarrow) {
  TRecordMap sdk = RecordsByName(SdkHeaderSymbols());
  TRecordMap wide = RecordsByName(SdkCharacterSetSymbols(true));
  TRecordMap ansi = RecordsByName(SdkCharacterSetSymbols(false));
  EXPECT_EQ(sdk["WC_LISTVIEW"], "\"SysListView32\"");
  EXPECT_EQ(sdk["WC_LISTVIEWW"], "\"SysListView32\"");
  EXPECT_EQ(sdk["WC_TREEVIEW"], "\"SysTreeView32\"");
  EXPECT_EQ(wide["RICHEDIT_CLASS"], "\"RichEdit20W\"");
  EXPECT_EQ(ansi["RICHEDIT_CLASS"], "\"RichEdit20A\"");
  EXPECT_EQ(sdk["RICHEDIT_CLASSW"], "\"RichEdit20W\"");
  EXPECT_EQ(sdk["PROGRESS_CLASS"], "\"msctls_progress32\"");
  EXPECT_EQ(sdk["TRACKBAR_CLASS"], "\"msctls_trackbar32\"");
  EXPECT_EQ(sdk["UPDOWN_CLASS"], "\"msctls_updown32\"");
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
  EXPECT_EQ(framework["ID_FILE_NEW"], "0xE100");
  EXPECT_EQ(framework["ID_APP_EXIT"], "0xE141");
  EXPECT_EQ(framework["AFX_IDS_APP_TITLE"], "0xE000");
  EXPECT_EQ(framework["ID_INDICATOR_CAPS"], "0xE701");
  EXPECT_EQ(framework["ID_HELP"], "0xE146");
  EXPECT_EQ(framework["IDC_STATIC"], "-1");
  EXPECT_EQ(framework["AFX_IDD_PRINTDLG"], "30722");
}

TEST(ServedHeaders, SdkNamesIgnoringCaseWithoutDirectory) {
  for (std::string_view name :
       {"windows.h",  "WINDOWS.H", "Windows.h",  "winresrc.h", "winres.h",   "winuser.h",   "winuser.rh", "wingdi.h",
        "winnt.h",    "winnt.rh",  "winver.h",   "ver.h",      "verrsrc.h",  "commctrl.h",  "CommCtrl.h", "commctrl.rh",
        "richedit.h", "dlgs.h",    "colordlg.h", "prsht.h",    "shellapi.h", "shlobj.h",    "shlwapi.h",  "tchar.h",
        "afxres.h",   "AFXRES.H",  "atlres.h",   "ddeml.h",    "winnls.h",   "sdkddkver.h", "ShlObj.h"}) {
    EXPECT_TRUE(IsServedSdkHeader(name)) << name;
    EXPECT_FALSE(IsServedEmptyHeader(name)) << name;
  }
  for (std::string_view name :
       {"sys/windows.h", "dir\\windows.h", "./windows.h", "/windows.h", "windows", "windows.hh", "xwindows.h",
        "windows.h ", "", "resource.h", "stdio.h", "commctrl.rh.bak", "winresrc.h\\", "ntverp.h", "common.ver"}) {
    EXPECT_FALSE(IsServedSdkHeader(name)) << name;
  }
}

TEST(ServedHeaders, ScriptFragmentsServedAsText) {
  for (std::string_view name : {"common.ver", "COMMON.VER", "ntverp.h", "NtVerp.h"}) {
    std::string_view text = ServedHeaderText(name);
    EXPECT_TRUE(text.starts_with("/**\n * This file has no copyright assigned and is placed in the Public Domain."))
        << name;
  }
  EXPECT_NE(ServedHeaderText("common.ver").find("VS_VERSION_INFO VERSIONINFO"), std::string_view::npos);
  for (std::string_view name : {"sdkddkver.h", "windows.h", "sdk/common.ver", "common.ver ", ""})
    EXPECT_TRUE(ServedHeaderText(name).empty()) << name;
}

TEST(ServedHeaders, CLibraryNamesServedEmpty) {
  for (std::string_view name : {"stddef.h", "stdint.h", "stdarg.h", "stdio.h", "STDIO.H", "stdlib.h", "string.h",
                                "wchar.h", "limits.h", "ctype.h", "unistd.h", "math.h", "stdbool.h", "io.h"}) {
    EXPECT_TRUE(IsServedEmptyHeader(name)) << name;
    EXPECT_FALSE(IsServedSdkHeader(name)) << name;
  }
  for (std::string_view name : {"sys/stdio.h", "include\\stddef.h", "windows.h", ""}) {
    EXPECT_FALSE(IsServedEmptyHeader(name)) << name;
  }
}

}  // namespace
}  // namespace tarvex
