#include "statements/statements.h"

#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::DescribeAll;
using test::Entries;
using test::Failure;

// "type name" of every entry.
std::string Identifiers(const std::string& script) {
  std::string text;
  for (const test::TResEntry& entry : Entries(script))
    text += (text.empty() ? "" : " ") + entry.type.Printable() + ":" + entry.name.Printable();
  return text;
}

TEST(StatementLoopTest, NamesAreOrdinalsWordsOrQuotedText) {
  EXPECT_EQ(Identifiers("1 RCDATA {}"), "#10:#1");
  EXPECT_EQ(Identifiers("32767 RCDATA {}"), "#10:#32767");
  EXPECT_EQ(Identifiers("0x10 RCDATA {}"), "#10:#16");
  EXPECT_EQ(Identifiers("abc RCDATA {}"), "#10:ABC");
  EXPECT_EQ(Identifiers("\"quoted name\" RCDATA {}"), "#10:QUOTED NAME");
  EXPECT_EQ(Identifiers("\"12\" RCDATA {}"), "#10:12");    // quoted digits stay a string
  EXPECT_EQ(Identifiers("12abc RCDATA {}"), "#10:12ABC");  // begins like a number, kept as text
  EXPECT_EQ(Identifiers("#define IDR_DATA 7\nIDR_DATA RCDATA {}"), "#10:#7");
  EXPECT_EQ(Identifiers("x1 RCDATA {}"), "#10:#1");  // the writer reads X1 as hexadecimal
}

TEST(StatementLoopTest, BadNames) {
  EXPECT_EQ(Failure("0 RCDATA {}"), "15@1: 15. Bad resource identifier: 0");
  EXPECT_EQ(Failure("\n-1 RCDATA {}"), "15@2: 15. Bad resource identifier: -1");
  EXPECT_EQ(Failure("32768 RCDATA {}"), "15@1: 15. Bad resource identifier: 32768");
  EXPECT_EQ(Failure("'41' RCDATA {}"), "15@1: 15. Bad resource identifier: '41'");
  EXPECT_EQ(Failure(", RCDATA {}"), "15@1: 15. Bad resource identifier: ,");
  EXPECT_EQ(Failure("\"a\\0b\" RCDATA {}"), "124@1: 124. The resource name contains the 0x00 symbol");
  // A name after top-level optional statements is checked like any other.
  EXPECT_EQ(Failure("LANGUAGE 9, 1\n0 RCDATA {}"), "15@2: 15. Bad resource identifier: 0");
  EXPECT_EQ(Failure("VERSION 3 { }"), "15@1: 15. Bad resource identifier: {");
}

TEST(StatementLoopTest, TypesAndTheirNumericSynonyms) {
  const char* rows[][2] = {
      {"FONT", "#8"},  {"RCDATA", "#10"},    {"MESSAGETABLE", "#11"}, {"DLGINCLUDE", "#17"}, {"PLUGPLAY", "#19"},
      {"VXD", "#20"},  {"ANICURSOR", "#21"}, {"ANIICON", "#22"},      {"HTML", "#23"},       {"rcdata", "#10"},
      {"0x0A", "#10"}, {"RT_RCDATA", "#10"}, {"myType", "MYTYPE"},    {"_T1", "_T1"},        {"300", "#300"},
      {"6", "#6"},     {"7", "#7"},          {"\\ RCDATA", "#10"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Identifiers(std::string("1 ") + row[0] + " {}"), std::string(row[1]) + ":#1") << row[0];
}

TEST(StatementLoopTest, BadTypes) {
  EXPECT_EQ(Failure("1"), "16@1: 16. Resource type expected");
  EXPECT_EQ(Failure("1 \"MYTYPE\" {}"), "17@1: 17. Bad resource type: \"MYTYPE\"");
  EXPECT_EQ(Failure("1 'AB' {}"), "17@1: 17. Bad resource type: 'AB'");
  EXPECT_EQ(Failure("1 { }"), "17@1: 17. Bad resource type: {");
  // A type beyond 16 bits cannot be written as an ordinal.
  EXPECT_EQ(Failure("1 70000 {}"), "17@1: 17. Bad resource type: 70000");
}

TEST(StatementLoopTest, EachKindReachesItsHandler) {
  EXPECT_EQ(Identifiers("m MENU { MENUITEM \"a\", 1 }\nd DIALOG 0, 0, 10, 10 { }\nx DIALOGEX 0, 0, 10, 10 { }\n"
                        "k ACCELERATORS { \"a\", 1 }\n1 VERSIONINFO { }\n"),
            "#4:M #5:D #5:X #9:K #16:#1");
}

TEST(StatementLoopTest, OneVersionInfoNamedOne) {
  EXPECT_EQ(Failure("2 VERSIONINFO { }"), "18@1: 18. VersionInfo resource identifier shall be \"1\" instead 2");
  EXPECT_EQ(Failure("vi VERSIONINFO { }"), "18@1: 18. VersionInfo resource identifier shall be \"1\" instead VI");
  EXPECT_EQ(Failure("1 VERSIONINFO { }\n1 VERSIONINFO { }"), "119@2: 119. Duplicate VersionInfo resource not allowed");
  EXPECT_EQ(Failure("1 VERSIONINFO { }\n2 16 { }"), "119@2: 119. Duplicate VersionInfo resource not allowed");
}

TEST(StatementLoopTest, MemoryFlags) {
  const char* rows[][2] = {
      {"1 RCDATA {}", "0x0030"},
      {"1 RCDATA PRELOAD PRELOAD {}", "0x0070"},
      {"1 RCDATA discardable {}", "0x1030"},
      {"1 RCDATA FIXED IMPURE {}", "0x0000"},
      {"1 MESSAGETABLE {}", "0x1030"},
      {"1 MESSAGETABLE NONDISCARDABLE LOADONCALL {}", "0x0030"},
      {"1 MYTYPE MOVEABLE PURE PRELOAD DISCARDABLE {}", "0x1070"},
  };
  for (const auto& row : rows) {
    std::vector<test::TResEntry> entries = Entries(row[0]);
    ASSERT_EQ(entries.size(), 1u) << row[0];
    EXPECT_NE(entries[0].Describe().find(std::string("flags=") + row[1]), std::string::npos)
        << row[0] << " gave " << entries[0].Describe();
  }
}

TEST(StatementLoopTest, ConflictingMemoryFlags) {
  const char* pairs[][2] = {
      {"MOVEABLE", "FIXED"}, {"PURE", "IMPURE"}, {"PRELOAD", "LOADONCALL"}, {"DISCARDABLE", "NONDISCARDABLE"}};
  for (const auto& pair : pairs) {
    EXPECT_EQ(Failure(std::string("1 RCDATA ") + pair[0] + " " + pair[1] + " {}"),
              "3@1: 3. Conflicting load/memory flags");
    EXPECT_EQ(Failure(std::string("1 RCDATA ") + pair[1] + " " + pair[0] + " {}"),
              "3@1: 3. Conflicting load/memory flags");
  }
  // After an optional statement a flag keyword is the body's first token: a file name here.
  EXPECT_EQ(Failure("1 RCDATA LANGUAGE 9, 1 DISCARDABLE"), "1@1: 1. Cannot open DISCARDABLE file");
}

TEST(StatementLoopTest, OptionalStatementsPerResource) {
  EXPECT_EQ(DescribeAll(Entries("1 RCDATA LANGUAGE 9, 1 CHARACTERISTICS 5 VERSION 0x10 {}\n"
                                "2 RCDATA LANGUAGE LANG_GERMAN SUBLANG_GERMAN, VERSION -1 {}\n"
                                "3 RCDATA {}\n")),
            "type=#10 name=#1 flags=0x0030 language=0x0409 version=16 characteristics=5 size=0\n"
            "type=#10 name=#2 flags=0x0030 language=0x0407 version=4294967295 characteristics=0 size=0\n"
            "type=#10 name=#3 flags=0x0030 language=0x0000 version=0 characteristics=0 size=0\n");
}

TEST(StatementLoopTest, TopLevelLanguageSetsTheDefault) {
  EXPECT_EQ(DescribeAll(Entries("LANGUAGE 7, 1\n1 RCDATA {}\nSTRINGTABLE { 1 \"a\" }\n"
                                "CHARACTERISTICS 9 VERSION 4\n2 RCDATA {}\n"
                                "LANGUAGE 9 1 3 RCDATA LANGUAGE 0, 0 {}\n4 RCDATA {}\n")),
            "type=#10 name=#1 flags=0x0030 language=0x0407 version=0 characteristics=0 size=0\n"
            "type=#10 name=#2 flags=0x0030 language=0x0407 version=0 characteristics=0 size=0\n"
            "type=#10 name=#3 flags=0x0030 language=0x0000 version=0 characteristics=0 size=0\n"
            "type=#10 name=#4 flags=0x0030 language=0x0409 version=0 characteristics=0 size=0\n"
            "type=#6 name=#1 flags=0x1030 language=0x0407 version=0 characteristics=0 size=34\n");
  // A section of design-time data alone leaves its LANGUAGE as the last statement; a
  // top-level statement may end the input and sets the default for nothing.
  EXPECT_EQ(DescribeAll(Entries("LANGUAGE 9, 1\n1 RCDATA {}\n\nLANGUAGE 7, 1\n#ifdef APSTUDIO_INVOKED\n"
                                "1 TEXTINCLUDE BEGIN \"resource.h\\0\" END\n#endif\n")),
            "type=#10 name=#1 flags=0x0030 language=0x0409 version=0 characteristics=0 size=0\n");
  for (const char* script : {"LANGUAGE 9, 1\n", "CHARACTERISTICS 3", "VERSION 2 LANGUAGE 7 1"})
    EXPECT_EQ(Failure(script), "compiled") << script;
}

TEST(StatementLoopTest, OptionalStatementMessages) {
  const char* rows[][2] = {
      {"1 RCDATA", "2@1: 2. Resource description not terminated"},
      {"1 RCDATA PRELOAD\n", "2@2: 2. Resource description not terminated"},
      {"1 RCDATA LANGUAGE 9, 1", "2@1: 2. Resource description not terminated"},
      {"1 RCDATA LANGUAGE", "4@1: 4. Missing language id (a number in range 0..1023 expected)."},
      {"1 RCDATA LANGUAGE 1024, 0 {}", "5@1: 5. Bad language id (a number in range 0..1023 expected)"},
      {"1 RCDATA LANGUAGE -1, 0 {}", "5@1: 5. Bad language id (a number in range 0..1023 expected)"},
      {"1 RCDATA LANGUAGE x, 0 {}", "5@1: 5. Bad language id (a number in range 0..1023 expected)"},
      {"1 RCDATA LANGUAGE 9,", "6@1: 6. Missing sublanguage id (a number in range 0..63 expected)"},
      {"1 RCDATA LANGUAGE 9, 64 {}", "7@1: 7. Bad sublanguage id (a number in range 0..63 expected)"},
      {"1 RCDATA LANGUAGE 9, {}", "7@1: 7. Bad sublanguage id (a number in range 0..63 expected)"},
      {"1 RCDATA CHARACTERISTICS {}", "8@1: 8. Numeric value expected"},
      {"1 RCDATA VERSION", "8@1: 8. Numeric value expected"},
      {"1 RCDATA VERSION 12abc {}", "File a.rc. Line 1 : '12abc' is not a valid integer value"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
}

TEST(StatementLoopTest, DuplicateResources) {
  EXPECT_EQ(Failure("abc RCDATA {}\nABC RCDATA {}"),
            "19@2: 19. Resource identifier ABC of type RCDATA, language 0 and sublanguage 0  already defined");
  EXPECT_EQ(Failure("\"abc\" RCDATA {}\n\"ABC\" 10 LANGUAGE 0, 0 {}"),
            "19@2: 19. Resource identifier ABC of type 10, language 0 and sublanguage 0  already defined");
  EXPECT_EQ(Failure("5 mytype {}\n5 MyType LANGUAGE 9, 1 {}\n5 MYTYPE LANGUAGE 9 1 {}"),
            "19@3: 19. Resource identifier 5 of type MYTYPE, language 9 and sublanguage 1  already defined");
  EXPECT_EQ(Failure("1 ICON { '000001000000' }\n1 14 { '000001000000' }"),
            "19@2: 19. Resource identifier 1 of type 14, language 0 and sublanguage 0  already defined");
  // Not duplicates: quoted digits against the number, another language, another type.
  EXPECT_EQ(Identifiers("\"12\" RCDATA {}\n12 RCDATA {}\n12 RCDATA LANGUAGE 9, 1 {}\n12 HTML {}\n12 A {}"),
            "#10:12 #10:#12 #10:#12 #23:#12 A:#12");
}

TEST(StatementLoopTest, OpenConditionalAtEndOfInput) {
  EXPECT_EQ(Failure("#if 1\n1 RCDATA {}\n"), "24@3: 24. Missing #endif in compilation conditional");
}

// Each resource is notified with its name, its count and the keyword of the script;
// VERSIONINFO is not, and string tables are one notification.
TEST(StatementLoopTest, ResourceNotification) {
  const char* rows[][2] = {
      {"1 RCDATA {}\nSTRINGTABLE { 1 \"x\" }\nicons ICON { '000001000000' }\nname 14 { '000001000000' }\n",
       "1/1/RCDATA STRINGTABLE/2/STRINGTABLE ICONS/3/ICON NAME/4/14 "},
      {"1 MENU { MENUITEM \"a\", 1 }\n1 VERSIONINFO { }\nkeys ACCELERATORS { }\n", "1/1/MENU KEYS/2/ACCELERATORS "},
      {"m menuex { MENUITEM \"a\" }\nt TOOLBAR 16, 15 { }\nd DLGINIT { }\n", "M/1/MENUEX T/2/TOOLBAR D/3/DLGINIT "},
  };
  for (const auto& row : rows) {
    test::TTempDir dir;
    dir.Write("a.rc", row[0]);
    std::string calls;
    test::TWorkingDirectory cwd(dir.Path());
    TCompilation result = CompileToImage(
        "a.rc", [&](TRCParser&, const std::string& name, std::int32_t count, const std::string& keyword) {
          calls += name + "/" + std::to_string(count) + "/" + keyword + " ";
        });
    EXPECT_TRUE(result.Succeeded()) << result.errorText;
    EXPECT_EQ(calls, row[1]);
  }
}

}  // namespace
}  // namespace tarvex
