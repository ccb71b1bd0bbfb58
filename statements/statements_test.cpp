#include "statements/statements.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "statements/compile_api.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::Entries;
using test::Failure;

// "type:name" of every entry, with ":flags" in hex when `flags`.
std::string Identifiers(const std::string& script, bool flags = false) {
  std::string text;
  for (const test::TResEntry& entry : Entries(script)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, ":%X", entry.memoryFlags);
    text += (text.empty() ? "" : " ") + entry.type.Printable() + ":" + entry.name.Printable() + (flags ? hex : "");
  }
  return text;
}

TEST(StatementLoopTest, MessagesAndDuplicates) {
  const char* rows[][2] = {
      {"\n-1 RCDATA {}", "15@2: 15. Bad resource identifier: -1"},
      {"65536 RCDATA {}", "15@1: 15. Bad resource identifier: 65536"},
      {"#define ID_BIG 65536\nID_BIG DIALOGEX 0, 0, 9, 9 {}", "15@2: 15. Bad resource identifier: 65536"},
      {"\"a\\0b\" RCDATA {}", "124@1: 124. The resource name contains the 0x00 symbol"},
      // A name after top-level optional statements is checked like any other.
      {"LANGUAGE 9, 1\n0 RCDATA {}", "15@2: 15. Bad resource identifier: 0"},
      {"VERSION 3 { }", "15@1: 15. Bad resource identifier: {"},
      {"1", "16@1: 16. Resource type expected"},
      {"1 \"MYTYPE\" {}", "17@1: 17. Bad resource type: \"MYTYPE\""},
      {"1 70000 {}", "17@1: 17. Bad resource type: 70000"},  // beyond 16 bits: no ordinal
      {"1 RCDATA PRELOAD\n", "2@2: 2. Resource description not terminated"},
      {"1 RCDATA LANGUAGE", "4@1: 4. Missing language id (a number in range 0..1023 expected)."},
      {"1 RCDATA LANGUAGE 1024, 0 {}", "5@1: 5. Bad language id (a number in range 0..1023 expected)"},
      {"1 RCDATA LANGUAGE 9,", "6@1: 6. Missing sublanguage id (a number in range 0..63 expected)"},
      {"1 RCDATA LANGUAGE 9, 64 {}", "7@1: 7. Bad sublanguage id (a number in range 0..63 expected)"},
      {"1 RCDATA CHARACTERISTICS {}", "8@1: 8. Numeric value expected"},
      {"1 RCDATA VERSION 12abc {}", "File a.rc. Line 1 : '12abc' is not a valid integer value"},
      {"1 RCDATA FIXED MOVEABLE {}", "3@1: 3. Conflicting load/memory flags"},
      {"1 RCDATA discardable Pure PRELOAD nondiscardable {}", "3@1: 3. Conflicting load/memory flags"},
      {"1 .x {}", "17@1: 17. Bad resource type: .X"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
  const char* duplicates[][3] = {
      // the script, the line, what is already defined
      {"abc RCDATA {}\nABC RCDATA {}", "2", "ABC of type RCDATA, language 0 and sublanguage 0"},
      {"\"abc\" RCDATA {}\n\"ABC\" 10 LANGUAGE 0, 0 {}", "2", "ABC of type 10, language 0 and sublanguage 0"},
      {"5 mytype {}\n5 MyType LANGUAGE 9, 1 {}\n5 MYTYPE LANGUAGE 9 1 {}", "3",
       "5 of type MYTYPE, language 9 and sublanguage 1"},
      {"7 RCDATA LANGUAGE 9, 1 {}\n7 10 LANGUAGE 9, 1 {}", "2", "7 of type 10, language 9 and sublanguage 1"},
      {"1 ICON { '000001000000' }\n1 14 { '000001000000' }", "2", "1 of type 14, language 0 and sublanguage 0"},
      // DIALOGEX is kept apart from DIALOG, though both are written as type 5.
      {"2 DIALOG 0, 0, 9, 9 {}\n1 DIALOGEX 0, 0, 9, 9 {}\n01 dialogex 0, 0, 9, 9 {}", "3",
       "1 of type DIALOGEX, language 0 and sublanguage 0"},
      {"A DIALOGEX 0, 0, 9, 9 {}\na DIALOGEX 0, 0, 9, 9 {}", "2", "A of type DIALOGEX, language 0 and sublanguage 0"},
  };
  for (const auto& [script, line, what] : duplicates)
    EXPECT_EQ(Failure(script), std::string("19@") + line + ": 19. Resource identifier " + what + "  already defined")
        << script;
  // Not duplicates: quoted digits against the number, another language, another type.
  EXPECT_EQ(Identifiers("\"12\" RCDATA {}\n12 RCDATA {}\n12 RCDATA LANGUAGE 9, 1 {}\n12 HTML {}\n12 A {}"),
            "#10:12 #10:#12 #10:#12 #23:#12 A:#12");
  EXPECT_EQ(Identifiers("1 DIALOG 0, 0, 9, 9 {}\n1 DIALOGEX 0, 0, 9, 9 {}\n1 DIALOGEX 0, 0, 9, 9 LANGUAGE 9, 1 {}\n"
                        "5 10 {}\n32767 DIALOGEX 0, 0, 9, 9 {}"),
            "#5:#1 #5:#1 #5:#1 #10:#5 #5:#32767");
  // Every 16-bit name is an ordinal: an emulator's dialog 50038, the highest RCDATA.
  EXPECT_EQ(Identifiers("50038 DIALOGEX 0, 0, 9, 9 {}\n65535 RCDATA {}\n32768 RCDATA {}\n#define IDD_X 40000\n"
                        "IDD_X DIALOG 0, 0, 9, 9 {}\nLANGUAGE 9, 1\n65535 RCDATA {}"),
            "#5:#50038 #10:#65535 #10:#32768 #5:#40000 #10:#65535");
}

// The type each keyword or number names, and the memory flags from each kind's default.
TEST(StatementLoopTest, TypesAndMemoryFlags) {
  const char* rows[][2] = {
      {"1 Font {}\n2 dlginclude {}\n3 PlugPlay {}\n4 vxd {}\n5 AniCursor {}\n6 aniicon {}\n7 html {}\n8 DlgInit {}",
       "#8:#1:30 #17:#2:30 #19:#3:30 #20:#4:30 #21:#5:30 #22:#6:30 #23:#7:30 #240:#8:30"},
      {"1 8 {}\n2 17 {}\n3 24 {}\n4 0 {}\n5 240 {}\n6 65535 {}\n7 my_Type {}\n8 _1 {}\n9 10x {}",
       "#8:#1:30 #17:#2:30 #24:#3:30 #0:#4:30 #240:#5:30 #65535:#6:30 MY_TYPE:#7:30 _1:#8:30 10X:#9:30"},
      {"#pragma code_page(65001)\nnäme tÿpe {}\n\"ä\" RCDATA {}", "TÿPE:NäME:30 #10:ä:30"},
      {"1 RCDATA MOVEABLE PURE PRELOAD DISCARDABLE {}\n2 rcdata fixed impure loadoncall nondiscardable {}\n"
       "3 MESSAGETABLE {}\n4 messagetable Fixed NonDiscardable Preload {}\n5 RCDATA impure moveable MOVEABLE {}",
       "#10:#1:1070 #10:#2:0 #11:#3:1030 #11:#4:60 #10:#5:10"},
  };
  for (const auto& row : rows) EXPECT_EQ(Identifiers(row[0], true), row[1]) << row[0];
}

}  // namespace
}  // namespace tarvex
