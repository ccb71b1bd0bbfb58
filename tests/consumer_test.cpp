// A compiled script linked into a resource-only DLL by lld-link and read back with
// llvm-readobj: the linker must accept the .res and see every resource with the type,
// name, language and data size the file gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <regex>

#include "tests/external_tools.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::Image;
using test::ImageFile;

constexpr char kScript[] = R"(#define IDS_HELLO 1
LANGUAGE 9, 1
STRINGTABLE { IDS_HELLO "Hello" 17 "Seventeen" }
STRINGTABLE LANGUAGE 7, 1 { IDS_HELLO "Hallo" }
1 RCDATA { 1, 2L, "AB", '0A0B' }
data MyType { "abc" }
5 300 { 1 }
1 FONT font.fnt
2 MESSAGETABLE { 0L }
page HTML page.htm
3 DLGINCLUDE { "x.h" }
4 PLUGPLAY { 1 }
5 VXD { 1 }
6 ANICURSOR { 'AA' }
7 ANIICON { 'BB' }
logo BITMAP logo.bmp
app ICON app.ico
arrow CURSOR arrow.cur
menu MENU { POPUP "&File" { MENUITEM "&Open", 100 } }
dlg DIALOG 0, 0, 100, 50 CAPTION "Test" { PUSHBUTTON "OK", 1, 10, 10, 40, 14 }
dlgex DIALOGEX 0, 0, 100, 50 { }
keys ACCELERATORS { "a", 1 }
ext MENUEX { POPUP "&File", 10, 0, 0, 5 { MENUITEM "&Open", 100 MENUITEM 0x800 } }
tools TOOLBAR 16, 15 { BUTTON 100 SEPARATOR BUTTON 101 }
dlg DLGINIT { 1000, 0x403, 6, 0, 0x6e4f, 0x2065, 0x0031, 0 }
1 VERSIONINFO FILEVERSION 1, 2, 3, 4 { BLOCK "StringFileInfo" { BLOCK "040904B0" { VALUE "A", "b" } } }
)";

TEST(ConsumerTest, LinkerSeesEveryResource) {
  const char* e2e = std::getenv("TARVEX_E2E");
  if (!e2e || std::string(e2e) != "1") GTEST_SKIP() << "end-to-end test; set TARVEX_E2E=1";
  std::string linker = test::FindTool("lld-link"), reader = test::FindTool("llvm-readobj");
  ASSERT_FALSE(linker.empty() || reader.empty()) << "lld-link and llvm-readobj are needed";
  test::TTempDir dir;
  dir.Write("font.fnt", std::string(100, 'F'));
  dir.Write("page.htm", "<html><body>page</body></html>\n");
  dir.Write("logo.bmp", "BM" + std::string(12, '\0') + Image(61, 4, 4, 0x33));
  dir.Write("app.ico", ImageFile(1, {Image(41, 16, 16, 1), Image(68, 32, 32, 2)}));
  dir.Write("arrow.cur", ImageFile(2, {Image(48, 32, 64, 3)}, 4, 5));
  std::vector<test::TResEntry> entries = test::EntriesIn(dir, kScript);
  ASSERT_EQ(entries.size(), 28u) << test::DescribeAll(entries);
  std::string output;
  ASSERT_EQ(test::RunTool({linker, "/dll", "/noentry", "/machine:x86", "/out:" + dir.File("a.dll"), dir.File("a.res")},
                          output),
            0)
      << output;
  ASSERT_EQ(test::RunTool({reader, "--coff-resources", dir.File("a.dll")}, output), 0) << output;
  // "type name language size" of every resource, as llvm-readobj lists them and as written.
  static const std::regex level(R"(^\s*(Type|Name|Language): (.*) \[$)"), size(R"(^\s*DataSize: (\d+)$)"),
      ordinal(R"((?:^|\()ID (\d+)\)?$)");
  std::vector<std::string> listed, written;
  std::map<std::string, std::string> path;
  std::istringstream lines(output);
  std::smatch match, id;
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_match(line, match, level)) {
      std::string label = match[2];
      path[match[1]] = std::regex_search(label, id, ordinal) ? "#" + id[1].str() : label;
    } else if (std::regex_match(line, match, size)) {
      listed.push_back(path["Type"] + " " + path["Name"] + " " + path["Language"] + " " + match[1].str());
    }
  }
  for (const test::TResEntry& entry : entries)
    written.push_back(entry.type.Printable() + " " + entry.name.Printable() + " #" + std::to_string(entry.languageId) +
                      " " + std::to_string(entry.dataSize));
  std::sort(listed.begin(), listed.end());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(listed, written);
  // A few rows spelled out, so that both sides cannot agree on a wrong reading.
  for (const char* row :
       {"MYTYPE DATA #1033 3", "#6 #1 #1031 42", "#6 #2 #1033 50", "#3 #1 #1033 44", "#14 APP #1033 36",
        "#1 #1 #1033 52", "#12 ARROW #1033 20", "#2 LOGO #1033 64", "#300 #5 #1033 2", "#10 #1 #1033 10",
        "#8 #1 #1033 100", "#4 EXT #1033 84", "#241 TOOLS #1033 14", "#240 DLG #1033 16"})
    EXPECT_NE(std::find(listed.begin(), listed.end(), row), listed.end()) << row;
}

}  // namespace
}  // namespace tarvex
