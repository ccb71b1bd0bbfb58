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
            "FileDescription \"Acme Editor\\0\" ; FileVersion \"2.1.0.17\\0\\0\" ; "
            "LegalCopyright \"Copyright (C) Acme 2024\\0\" } } ; VarFileInfo { Translation 0x0409 0x04B0 } }");
  EXPECT_EQ(FixedFileInfo(root), (std::array<std::uint32_t, 13>{0xFEEF04BD, 0x00010000, 0x00020001, 0x00000011,
                                                                0x00020001, 0, 63, 6, 0x40004, 1, 0, 0, 0}));
  // The root is 40 bytes before its fixed information; its first child follows 92 bytes in.
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].offset, 92u);
}

TEST(VersionInfoTest, TextValuesCarryTheirTerminatingZero) {
  // odd length: 3 units and the zero
  TVersionNode odd = TreeOf("1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", \"abc\" } }");
  // length 6 + "K\0" 4 + padding 2 + "abc\0" 8 = 20
  EXPECT_EQ(HexRows(odd.children[0].children[0].value), HexRows(FromHex("61006200 63000000")));
  EXPECT_EQ(odd.children[0].children[0].length, 20);
  EXPECT_EQ(odd.children[0].children[0].valueLength, 4);
  EXPECT_EQ(VersionOf("BLOCK \"S\" { VALUE \"K\", \"ab\" VALUE \"L\", \"\" VALUE \"M\", \"z\\0\" }"),
            "VS_VERSION_INFO { S { K \"ab\\0\" ; L \"\\0\" ; M \"z\\0\\0\" } }");
  TVersionNode even = TreeOf("1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", \"ab\" VALUE \"L\", \"x\" } }");
  const TVersionNode& k = even.children[0].children[0];
  EXPECT_EQ(k.valueLength, 3);
  EXPECT_EQ(k.length, 18);
  EXPECT_EQ(even.children[0].children[1].offset, k.offset + 20);  // aligned after the 18 bytes
}

TEST(VersionInfoTest, RootWithoutFixedInformationAndEmptyBlock) {
  TResEntry entry = OnlyEntry("1 VERSIONINFO { BLOCK \"Empty\" { } }");
  // root: length, value length 0, type 0, "VS_VERSION_INFO" and zero, 2 bytes of padding
  // block: length 20, 0, 0, "Empty" and zero, 2 bytes of padding
  EXPECT_EQ(HexRows(entry.data), HexRows(FromHex("3C00 0000 0000 56005300 5F005600 45005200 53004900 4F004E00 "
                                                 "5F004900 4E004600 4F000000 0000 "
                                                 "1400 0000 0000 45006D00 70007400 79000000 0000")));
}

TEST(VersionInfoTest, VersionPartsOneToFourWithOrWithoutCommas) {
  auto versions = [](const std::string& statement) {
    std::array<std::uint32_t, 13> fixed = FixedFileInfo(TreeOf("1 VERSIONINFO " + statement + " { }"));
    return std::make_pair(fixed[2], fixed[3]);
  };
  EXPECT_EQ(versions("FILEVERSION 1"), std::make_pair(0x00010000u, 0u));
  EXPECT_EQ(versions("FILEVERSION 1 2"), std::make_pair(0x00010002u, 0u));
  EXPECT_EQ(versions("FILEVERSION 1,2"), std::make_pair(0x00010002u, 0u));
  EXPECT_EQ(versions("FILEVERSION 1,2,3"), std::make_pair(0x00010002u, 0x00030000u));
  EXPECT_EQ(versions("FILEVERSION 1 2,,3 4 FILEOS 4"), std::make_pair(0x00010002u, 0x00030004u));
  EXPECT_EQ(versions("FILEVERSION 65535,0,0,65535"), std::make_pair(0xFFFF0000u, 0x0000FFFFu));
  EXPECT_EQ(FixedFileInfo(TreeOf("1 VERSIONINFO PRODUCTVERSION 5,6,7,8 FILETYPE 2, FILEOS 4 { }"))[5], 0x00070008u);
  // Flags with the high bit are 32-bit patterns.
  std::array<std::uint32_t, 13> fixed =
      FixedFileInfo(TreeOf("1 VERSIONINFO FILEFLAGSMASK 0xFFFFFFFFL FILEFLAGS 0x80000000 { }"));
  EXPECT_EQ(std::make_pair(fixed[6], fixed[7]), std::make_pair(0xFFFFFFFFu, 0x80000000u));
}

TEST(VersionInfoTest, JoinedTextsAndNumericArrays) {
  EXPECT_EQ(VersionOf("BLOCK \"S\" { VALUE \"K\", \"a\", \"b\" ,, \"c\" VALUE \"N\", 1, 2 ,, 65535 }"),
            "VS_VERSION_INFO { S { K \"abc\\0\" ; N 0x0001 0x0002 0xFFFF } }");
  EXPECT_EQ(VersionOf("BLOCK \"V\" { VALUE \"Translation\", 0x409, 1252 }"),
            "VS_VERSION_INFO { V { Translation 0x0409 0x04E4 } }");
}

TEST(VersionInfoTest, LanguageAndMemoryFlags) {
  EXPECT_EQ(OnlyEntry("LANGUAGE 7, 1\n1 VERSIONINFO PRELOAD FIXED { }").Describe(),
            "type=#16 name=#1 flags=0x0060 language=0x0407 version=0 characteristics=0 size=40");
}

TEST(VersionInfoTest, BlocksNestedAThousandDeepCompileAndDeeperStop) {
  auto nested = [](int depth) {
    std::string script = "1 VERSIONINFO {\n";
    for (int i = 0; i < depth; ++i) script += "BLOCK \"b\" {\n";
    for (int i = 0; i < depth; ++i) script += "}\n";
    return script + "}\n";
  };
  EXPECT_EQ(ErrorOf(nested(1000)), "");
  EXPECT_EQ(ErrorOf(nested(1001)), "File a.rc. Line 1002 : BLOCK entries nested more than 1000 levels deep");
}

TEST(VersionInfoTest, DataOf65536BytesStopsWithoutOutput) {
  std::string values;
  for (int i = 0; i < 400; ++i) values += "VALUE \"K\", \"" + std::string(100, 'x') + "\"\n";
  TCompileOutcome outcome = CompileText("1 VERSIONINFO { BLOCK \"S\" {\n" + values + "} }\n");
  EXPECT_TRUE(outcome.res.empty());
  EXPECT_EQ(outcome.error.rfind("File a.rc. Line 402 : Resource VERSIONINFO 1: data of ", 0), 0u) << outcome.error;
  EXPECT_NE(outcome.error.find("bytes exceeds the limit of 65535 bytes"), std::string::npos);
}

struct TMessageCase {
  const char* script;
  const char* error;
};

const TMessageCase kMessageCases[] = {
    {"1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", \"a\",\n", "File a.rc. Line 2 : 9. \"}\" or END expected"},
    {"1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", 1\n", "File a.rc. Line 2 : 9. \"}\" or END expected"},
    {"1 VERSIONINFO FILEVERSION 1,2\n", "File a.rc. Line 2 : 12. \"{\" or BEGIN expected"},
    {"1 VERSIONINFO FILEOS\n", "File a.rc. Line 2 : 12. \"{\" or BEGIN expected"},
    {"1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", \"a\", 5 } }",
     "File a.rc. Line 1 : 13. Double quoted string expected but got 5"},
    {"1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", 5, \"a\" } }",
     "File a.rc. Line 1 : 86. A number in range 0..65535 expected instead \"a\""},
    {"1 VERSIONINFO FILEVERSION 1,65536 { }",
     "File a.rc. Line 1 : 86. A number in range 0..65535 expected instead 65536"},
    {"1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", 1, 65536 } }",
     "File a.rc. Line 1 : 86. A number in range 0..65535 expected instead 65536"},
    {"1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", -1 } }",
     "File a.rc. Line 1 : 86. A number in range 0..65535 expected instead -1"},
    {"1 VERSIONINFO { BLOCK \"S\" { VALUE \"K\", KEY_X } }",
     "File a.rc. Line 1 : 'KEY_X' is not a valid integer value"},
    {"1 VERSIONINFO { BLOCK S { } }", "File a.rc. Line 1 : 89. Double quoted string expected"},
    {"1 VERSIONINFO { BLOCK\n", "File a.rc. Line 2 : 89. Double quoted string expected"},
    {"1 VERSIONINFO { BLOCK \"S\"\n", "File a.rc. Line 2 : 90. Double quoted string expected in BLOCK string"},
    {"1 VERSIONINFO { BLOCK \"S\" VALUE } }", "File a.rc. Line 1 : 91. \"{\" or BEGIN expected in BLOCK string"},
    {"1 VERSIONINFO { BLOCK \"S\" { } VALUE \"K\", 1 }",
     "File a.rc. Line 1 : 92. Values shall be included in a separate BLOCK"},
    {"1 VERSIONINFO { VALUE K, 1 }", "File a.rc. Line 1 : 93. Double quoted string expected in VALUE string"},
    {"1 VERSIONINFO { VALUE \"K\" }", "File a.rc. Line 1 : 93. Double quoted string expected in VALUE string"},
    {"1 VERSIONINFO { VALUE \"K\", value \"L\", 1 }",
     "File a.rc. Line 1 : 93. Double quoted string expected in VALUE string"},
    {"1 VERSIONINFO { VALUE \"K\", \"a\" \"b\" 5 }", "File a.rc. Line 1 : 94. Comma expected before 5 string"},
    {"1 VERSIONINFO { VALUE \"K\", 1 2 }", "File a.rc. Line 1 : 94. Comma expected before 2 string"},
    {"1 VERSIONINFO { VALUE \"K\", 1 BLOCK \"S\" { } }",
     "File a.rc. Line 1 : 95. \"}\" or END or the keyword VALUE expected"},
    {"1 VERSIONINFO { BLOCK \"S\" { } STRING }", "File a.rc. Line 1 : 96. Unknown keyword: STRING"},
    {"1 VERSIONINFO FILEOS VOS_SOMETHING { }", "File a.rc. Line 1 : 97. DWORD value expected but got VOS_SOMETHING"},
    {"1 VERSIONINFO FILEFLAGSMASK 0xFFFFFFFF + 1 { }",
     "File a.rc. Line 1 : 97. DWORD value expected but got 4294967296"},
    {"1 VERSIONINFO FILETYP 1 { }", "File a.rc. Line 1 : 98. \"{\" or BEGIN expected but got FILETYP"},
    {"1 VERSIONINFO LANGUAGE 7, 1 { }", "File a.rc. Line 1 : 98. \"{\" or BEGIN expected but got LANGUAGE"},
    {"1 VERSIONINFO FILEOS 4 DISCARDABLE { }", "File a.rc. Line 1 : 98. \"{\" or BEGIN expected but got DISCARDABLE"},
};

TEST(VersionInfoTest, EachMessageWithItsLine) {
  for (const TMessageCase& row : kMessageCases) EXPECT_EQ(ErrorOf(row.script), row.error) << row.script;
}

}  // namespace
}  // namespace tarvex::test
