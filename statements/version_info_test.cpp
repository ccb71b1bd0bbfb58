#include "statements/version_info.h"

#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/statement_checks.h"
#include "tests/version_reader.h"

namespace tarvex::test {
namespace {

TVersionNode TreeOf(const std::string& script) { return ReadVersionTree(OnlyEntry(script).data); }

std::string VersionOf(const std::string& body) {
  return DescribeVersionTree(TreeOf("1 VERSIONINFO\n{\n" + body + "\n}\n"));
}

constexpr const char* kApplicationScript = R"(#define VER_MAJOR 2
1 VERSIONINFO
FILEVERSION VER_MAJOR,1,0,17
PRODUCTVERSION 2,1
FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
FILEFLAGS VS_FF_PRERELEASE | VS_FF_PATCHED
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
FILESUBTYPE VFT2_UNKNOWN
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904B0"
    BEGIN
      VALUE "CompanyName", "Acme Corporation"
      VALUE "FileDescription", "Acme Editor"
      VALUE "FileVersion", "2.1.0.17\0"
      VALUE "LegalCopyright", "Copyright (C) Acme " "2024"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1200
  END
END
)";

TEST(VersionInfoTest, ApplicationVersionResourceNodeByNode) {
  TResEntry entry = OnlyEntry(kApplicationScript);
  EXPECT_EQ(entry.Describe(), "type=#16 name=#1 flags=0x0030 language=0x0000 version=0 characteristics=0 size=" +
                                  std::to_string(entry.data.size()));
  TVersionNode root = ReadVersionTree(entry.data);
  EXPECT_EQ(DescribeVersionTree(root),
            "VS_VERSION_INFO [fixed] { StringFileInfo { 040904B0 { CompanyName \"Acme Corporation\\0\" ; "
            "FileDescription \"Acme Editor\\0\" ; FileVersion \"2.1.0.17\\0\" ; "
            "LegalCopyright \"Copyright (C) Acme 2024\\0\" } } ; VarFileInfo { Translation 0x0409 0x04B0 } }");
  EXPECT_EQ(FixedFileInfo(root), (std::array<std::uint32_t, 13>{0xFEEF04BD, 0x00010000, 0x00020001, 0x00000011,
                                                                0x00020001, 0, 63, 6, 0x40004, 1, 0, 0, 0}));
  // The root is 40 bytes before its fixed information; its first child follows 92 bytes in.
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].offset, 92u);
}

// A text value always ends in one zero: a zero the script writes ends the text there.
// Commas between numbers are optional, as between the parts of FILEVERSION; a number
// after a text, or a text after a number, still wants one.
TEST(VersionInfoTest, TextsArraysNestingAndSizeBounds) {
  const char* rows[][2] = {
      {"BLOCK \"S\" { VALUE \"K\", \"a\", \"b\" ,, \"c\" VALUE \"N\", 1, 2 ,, 65535 }",
       "S { K \"abc\\0\" ; N 0x0001 0x0002 0xFFFF }"},
      {"BLOCK \"V\" { VALUE \"Translation\", 0x409, 1252 }", "V { Translation 0x0409 0x04E4 }"},
      {"BLOCK \"V\" { VALUE \"Translation\", 0x0409 0x04E4\nVALUE \"N\" 1 2, 3 4 }",
       "V { Translation 0x0409 0x04E4 ; N 0x0001 0x0002 0x0003 0x0004 }"},
      {"BLOCK \"S\" { VALUE \"FileVersion\", \"1.0\\0\" }", "S { FileVersion \"1.0\\0\" }"},
      {"BLOCK \"S\" { VALUE \"K\", \"a\\0b\" }", "S { K \"a\\0\" }"},
      {"BLOCK \"S\" { VALUE \"K\", \"a\\0\", \"b\" }", "S { K \"a\\0\" }"},
      {"BLOCK \"S\" { VALUE \"K\", \"\" }", "S { K \"\\0\" }"},
      {"BLOCK \"S\" { VALUE \"K\", \"\\0\\0\" }", "S { K \"\\0\" }"},
      {"BLOCK \"S\" { VALUE \"K\", \"1.0\" }", "S { K \"1.0\\0\" }"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(VersionOf(row[0]), std::string("VS_VERSION_INFO { ") + row[1] + " }") << row[0];
  // "1.0\0" is four UTF-16 units with its zero: fields, key "K", padding and 8 bytes.
  TVersionNode value =
      TreeOf("1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", \"1.0\\0\" } }").children.at(0).children.at(0);
  EXPECT_EQ(value.value.size(), 8u);
  EXPECT_EQ(value.length, 6 + 4 + 2 + 8);
  // Blocks nest a thousand deep; data stops at 65535 bytes, leaving no output.
  std::string nested = "1 VERSIONINFO {\n", values;
  for (int i = 0; i < 1000; ++i) nested += "BLOCK \"b\" {\n";
  for (int i = 0; i < 1000; ++i) nested += "}\n";
  EXPECT_EQ(Failure(nested + "}\n"), "compiled");
  EXPECT_EQ(Failure("1 VERSIONINFO {\nBLOCK \"b\" {\n" + nested.substr(16) + "}\n}\n"),
            "File a.rc. Line 1002 : BLOCK entries nested more than 1000 levels deep");
  for (int i = 0; i < 400; ++i) values += "VALUE \"K\", \"" + std::string(100, 'x') + "\"\n";
  std::string error = Failure("1 VERSIONINFO { BLOCK \"S\" {\n" + values + "} }\n");
  EXPECT_TRUE(error.starts_with("File a.rc. Line 402 : Resource VERSIONINFO 1: data of ")) << error;
  EXPECT_TRUE(error.ends_with("bytes exceeds the limit of 65535 bytes")) << error;
}

// Version parts with leading zeros: 08 and 09 are decimal, 010 stays octal.
TEST(VersionInfoTest, PartsWithLeadingZeros) {
  TVersionNode root = TreeOf("1 VERSIONINFO\nFILEVERSION 2026,08,02,09\nPRODUCTVERSION 019 010\n{\n}\n");
  std::array<std::uint32_t, 13> fixed = FixedFileInfo(root);
  EXPECT_EQ(std::vector(fixed.begin() + 2, fixed.begin() + 6),
            (std::vector{2026u << 16 | 8u, 2u << 16 | 9u, 19u << 16 | 8u, 0u}));
}

TEST(VersionInfoTest, EachMessageWithItsLine) {
  const char* rows[][2] = {
      {"{ BLOCK \"S\" { VALUE \"K\", \"a\",\n", "9@2: 9. \"}\" or END expected"},
      {"{ BLOCK \"S\" { VALUE \"K\", 5, \"a\" } }", "86@1: 86. A number in range 0..65535 expected instead \"a\""},
      {"{ BLOCK \"S\" { VALUE \"K\", KEY_X } }", "File a.rc. Line 1 : 'KEY_X' is not a valid integer value"},
      {"{ BLOCK\n", "89@2: 89. Double quoted string expected"},
      {"{ BLOCK \"S\"\n", "90@2: 90. Double quoted string expected in BLOCK string"},
      {"{ BLOCK \"S\" VALUE } }", "91@1: 91. \"{\" or BEGIN expected in BLOCK string"},
      {"{ BLOCK \"S\" { } VALUE \"K\", 1 }", "92@1: 92. Values shall be included in a separate BLOCK"},
      {"{ VALUE K, 1 }", "93@1: 93. Double quoted string expected in VALUE string"},
      {"{ VALUE \"K\", \"a\" \"b\" 5 }", "94@1: 94. Comma expected before 5 string"},
      {"{ VALUE \"K\", 4 \"b\" }", "94@1: 94. Comma expected before \"b\" string"},
      {"{ VALUE \"K\", 4 70000 }", "86@1: 86. A number in range 0..65535 expected instead 70000"},
      {"{ VALUE \"K\", 1 BLOCK \"S\" { } }", "95@1: 95. \"}\" or END or the keyword VALUE expected"},
      {"{ BLOCK \"S\" { } STRING }", "96@1: 96. Unknown keyword: STRING"},
      {"FILETYP 1 { }", "98@1: 98. \"{\" or BEGIN expected but got FILETYP"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(std::string("1 VERSIONINFO ") + row[0]), row[1]) << row[0];
}

}  // namespace
}  // namespace tarvex::test
