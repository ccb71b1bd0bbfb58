// Decompiling .res images built here field by field: resources that no statement gives
// back fall back to data and still compile to the same bytes; hostile inputs stop with a
// located error and leave nothing behind; names never leave the script's folder; nothing
// is replaced without --force; objects read as their .res does.
#include "driver/decompile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "driver/driver.h"
#include "output/coff_writer.h"
#include "output/res_image.h"
#include "output/script_writer.h"
#include "tarvex/tarvex.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

// One resource of a .res image built for a test.
struct TEntry {
  std::u16string type;  ///< "#n" for an ordinal
  std::u16string name;
  std::vector<std::uint8_t> data;
  std::uint16_t flags = 0x0030;
  std::uint16_t language = 0x0409;
};

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

void PutId(std::vector<std::uint8_t>& out, const std::u16string& id) {
  if (!id.empty() && id[0] == u'#') {
    PutU16(out, 0xFFFF);
    PutU16(out, static_cast<std::uint32_t>(std::stoul(std::string(id.begin() + 1, id.end()))));
    return;
  }
  for (char16_t c : id) PutU16(out, c);
  PutU16(out, 0);
}

std::vector<std::uint8_t> BuildRes(const std::vector<TEntry>& entries) {
  std::vector<std::uint8_t> out = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
  out.resize(32, 0);
  for (const TEntry& entry : entries) {
    std::vector<std::uint8_t> names;
    PutId(names, entry.type);
    PutId(names, entry.name);
    while (names.size() % 4 != 0) names.push_back(0);
    PutU32(out, static_cast<std::uint32_t>(entry.data.size()));
    PutU32(out, static_cast<std::uint32_t>(8 + names.size() + 16));
    out.insert(out.end(), names.begin(), names.end());
    PutU32(out, 0);
    PutU16(out, entry.flags);
    PutU16(out, entry.language);
    PutU32(out, 0);
    PutU32(out, 0);
    out.insert(out.end(), entry.data.begin(), entry.data.end());
    while (out.size() % 4 != 0) out.push_back(0);
  }
  return out;
}

void WriteBytes(const test::TTempDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  dir.Write(name, std::string(bytes.begin(), bytes.end()));
}

// Decompiles in.res inside `dir` into out.rc, compiles out.rc and returns the script.
std::string RoundTrip(const test::TTempDir& dir, const std::vector<std::uint8_t>& input,
                      std::vector<std::string>* differences = nullptr) {
  WriteBytes(dir, "in.res", input);
  test::TWorkingDirectory here(dir.Path());
  TDecompileRequest request;
  request.input = "in.res";
  request.script = "out.rc";
  request.force = true;
  TDecompileResult result = Decompile(request);
  if (differences != nullptr) *differences = result.differences;
  TCompilation compiled = CompileToImage("out.rc");
  EXPECT_TRUE(compiled.Succeeded()) << compiled.errorText;
  if (differences == nullptr) {
    EXPECT_TRUE(result.differences.empty());
    EXPECT_EQ(test::HexRows(compiled.image), test::HexRows(input));
  }
  return dir.Read("out.rc");
}

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text, bool terminated) {
  std::vector<std::uint8_t> out;
  for (char16_t c : text) PutU16(out, c);
  if (terminated) PutU16(out, 0);
  return out;
}

struct TFallbackCase {
  const char* label;
  std::vector<TEntry> entries;
  const char* expected;  ///< a line the script must hold
};

class DecompileFallbackTest : public ::testing::TestWithParam<TFallbackCase> {};

TEST_P(DecompileFallbackTest, ComesBackAsDataWithItsBytes) {
  test::TTempDir dir;
  std::string script = RoundTrip(dir, BuildRes(GetParam().entries));
  EXPECT_NE(script.find(GetParam().expected), std::string::npos) << script;
}

std::vector<std::uint8_t> Filled(std::size_t size, std::uint8_t first) {
  std::vector<std::uint8_t> out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(first + i);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Fallbacks, DecompileFallbackTest,
    ::testing::Values(
        // A dialog template cut short after its style fields.
        TFallbackCase{"malformed dialog", {{u"#5", u"#7", Filled(10, 1), 0x1030}}, "7 X5 DISCARDABLE\nBEGIN"},
        // 33 bytes: not 16 counted strings.
        TFallbackCase{"odd string block", {{u"#6", u"#1", Filled(33, 0), 0x1030}}, "1 6 DISCARDABLE"},
        // The group names image 9, which the file does not hold.
        TFallbackCase{"icon group naming a missing image",
                      {{u"#14", u"#1", {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 8, 0, 0, 0, 9, 0}, 0x1030}},
                      "1 XE DISCARDABLE\nBEGIN"},
        // A group naming its images 2, 1: the compiler would number them 1, 2.
        TFallbackCase{"icon group numbered backwards",
                      {{u"#3", u"#1", Filled(40, 0), 0x1010},
                       {u"#3", u"#2", Filled(40, 1), 0x1010},
                       {u"#14",
                        u"#5",
                        {0, 0, 1, 0,  2,  0, 16, 16, 0, 0,  1, 0,  32, 0, 40, 0, 0,
                         0, 2, 0, 16, 16, 0, 0,  1,  0, 32, 0, 40, 0,  0, 0,  1, 0},
                        0x1030}},
                      "// the compiler would number these images otherwise\n1 X3"},
        // An icon image that no group names.
        TFallbackCase{
            "icon image without a group", {{u"#3", u"#4", Filled(40, 0), 0x1030}}, "// an image that no group names"},
        // A menu whose only item lacks its end flag and runs out.
        TFallbackCase{"menu without an end",
                      {{u"#4", u"#2", {0, 0, 0, 0, 0, 0, 5, 0, u'A', 0, 0, 0}, 0x1030}},
                      "2 X4 DISCARDABLE\nBEGIN"},
        // An accelerator whose padding word is not zero.
        TFallbackCase{"accelerator with padding",
                      {{u"#9", u"#3", {0x81, 0, 0x41, 0, 1, 0, 7, 0}, 0x1030}},
                      "3 X9 DISCARDABLE\nBEGIN"},
        // Memory flags the statement cannot state: FIXED and IMPURE.
        TFallbackCase{"plain flags", {{u"#10", u"#5", Filled(4, 0x30), 0x0000}}, "5 RCDATA FIXED IMPURE"},
        // A user-defined type by name, data past 64 bytes into a file.
        TFallbackCase{"large user data", {{u"PNGDATA", u"LOGO", Filled(100, 0)}}, "\"LOGO\" PNGDATA \"out/LOGO.bin\""},
        // Strings with every escape.
        TFallbackCase{"string escapes",
                      {{u"#6", u"#1",
                        [] {
                          std::vector<std::uint8_t> block = Utf16Bytes(u"\"a\\b\tc\nd\x01", false);
                          block.insert(block.begin(), {9, 0});
                          for (int i = 0; i < 15; ++i) PutU16(block, 0);
                          return block;
                        }(),
                        0x1030}},
                      "0, \"\"\"a\\\\b\\tc\\nd\\x01\""}),
    [](const ::testing::TestParamInfo<TFallbackCase>& param) {
      std::string name;
      for (const char* c = param.param.label; *c != 0; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
      return name;
    });

TEST(DecompileTest, LowerCaseNamesAreReportedNotHidden) {
  test::TTempDir dir;
  std::vector<std::string> differences;
  RoundTrip(dir, BuildRes({{u"#10", u"lower", Filled(4, 0)}}), &differences);
  ASSERT_EQ(differences.size(), 1u);
  EXPECT_EQ(differences[0], "RCDATA lower 0x0409 does not compile back to the same bytes");
}

// A .res of three resources to cut and break.
std::vector<std::uint8_t> SampleRes() {
  return BuildRes({{u"#10", u"#1", Filled(70, 0)}, {u"#6", u"#1", Filled(32, 0)}, {u"DATA", u"X", Filled(3, 0)}});
}

TEST(DecompileTest, EveryCutLeavesNothingBehind) {
  std::vector<std::uint8_t> whole = SampleRes();
  for (std::size_t size = 33; size < whole.size(); ++size) {
    test::TTempDir dir;
    WriteBytes(dir, "in.res",
               std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
    test::TWorkingDirectory here(dir.Path());
    TDecompileRequest request;
    request.input = "in.res";
    std::string error = test::ErrorOf([&] { Decompile(request); });
    if (error.empty()) {
      EXPECT_TRUE(dir.Exists("in.rc")) << size;
    } else {
      EXPECT_EQ(dir.List(), std::vector<std::string>{"in.res"}) << size << ": " << error;
      EXPECT_NE(error.find("in.res"), std::string::npos) << error;
      EXPECT_NE(error.find("at offset"), std::string::npos) << error;
    }
  }
}

TEST(DecompileTest, SizesPastTheEndAreLocated) {
  std::vector<std::uint8_t> bytes = SampleRes();
  bytes[32] = 0xFF;  // the first data size
  bytes[33] = 0xFF;
  test::TTempDir dir;
  WriteBytes(dir, "in.res", bytes);
  test::TWorkingDirectory here(dir.Path());
  TDecompileRequest request;
  request.input = "in.res";
  EXPECT_EQ(test::ErrorOf([&] { Decompile(request); }),
            "in.res: at offset 32: data of 65535 bytes runs past the end of the file");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"in.res"});
}

TEST(DecompileTest, NamesStayInsideTheFolder) {
  struct TCase {
    std::u16string name;
    const char* file;
  };
  const TCase cases[] = {
      {u"../../EVIL", "______EVIL.bin"}, {u"/ETC/PASSWD", "_ETC_PASSWD.bin"}, {u"CON", "_CON.bin"}, {u"..", "__.bin"},
      {u"A B\u00C9", "A_B_.bin"},
  };
  for (const TCase& c : cases) {
    test::TTempDir dir;
    RoundTrip(dir, BuildRes({{u"#10", c.name, Filled(80, 0)}}));
    std::vector<std::string> files;
    for (const auto& item : std::filesystem::directory_iterator(dir.File("out")))
      files.push_back(item.path().filename());
    EXPECT_EQ(files, std::vector<std::string>{c.file});
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.res", "out", "out.rc"}));
  }
}

TEST(DecompileTest, NothingIsReplacedWithoutForce) {
  test::TTempDir dir;
  WriteBytes(dir, "in.res", SampleRes());
  dir.Write("in.rc", "kept");
  test::TWorkingDirectory here(dir.Path());
  TDecompileRequest request;
  request.input = "in.res";
  EXPECT_EQ(test::ErrorOf([&] { Decompile(request); }), "in.rc exists: --force replaces it");
  EXPECT_EQ(dir.Read("in.rc"), "kept");
  std::filesystem::remove(dir.File("in.rc"));
  std::filesystem::create_directory(dir.File("in"));
  EXPECT_EQ(test::ErrorOf([&] { Decompile(request); }), "in/ exists: --force replaces it");
  EXPECT_FALSE(dir.Exists("in.rc"));
  request.force = true;
  Decompile(request);
  EXPECT_TRUE(dir.Exists("in/1.bin"));
  // Never the input itself, nor a file where the folder goes, even with --force.
  EXPECT_EQ(test::ErrorOf([&] {
              request.script = "in.res";
              Decompile(request);
            }),
            "in.res is the input: the script cannot replace it");
  std::filesystem::copy_file(dir.File("in.res"), dir.File("copy"));
  EXPECT_EQ(test::ErrorOf([&] {
              request.input = "copy";
              request.script = "copy.rc";
              Decompile(request);
            }),
            "copy exists and is no folder: it is not replaced");
  std::filesystem::remove(dir.File("copy"));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"in", "in.rc", "in.res"}));
}

TEST(DecompileTest, AnObjectReadsAsItsRes) {
  std::vector<std::uint8_t> res = SampleRes();
  for (TMachine machine : {TMachine::X86, TMachine::X64, TMachine::Arm64}) {
    std::vector<std::uint8_t> object = ResToCoff(res, machine);
    ASSERT_EQ(ImageKindOf(object), TImageKind::Coff);
    // The object's directory is sorted by type, name and language.
    auto sorted = [](std::vector<TResourceEntry> entries) {
      std::sort(entries.begin(), entries.end(), [](const TResourceEntry& a, const TResourceEntry& b) {
        return a.type < b.type || (a.type == b.type && a.name < b.name);
      });
      return entries;
    };
    std::vector<TResourceEntry> fromObject = sorted(ReadResources(object, "in.obj"));
    std::vector<TResourceEntry> fromRes = sorted(ReadResources(res, "in.res"));
    ASSERT_EQ(fromObject.size(), fromRes.size());
    for (std::size_t i = 0; i < fromRes.size(); ++i) {
      EXPECT_TRUE(fromObject[i].type == fromRes[i].type && fromObject[i].name == fromRes[i].name);
      EXPECT_TRUE(std::equal(fromObject[i].data.begin(), fromObject[i].data.end(), fromRes[i].data.begin(),
                             fromRes[i].data.end()));
    }
  }
}

TEST(DecompileTest, EveryCutOfAnObjectLeavesNothingBehind) {
  std::vector<std::uint8_t> whole = ResToCoff(SampleRes(), TMachine::X64);
  for (std::size_t size = 20; size < whole.size(); ++size) {
    test::TTempDir dir;
    WriteBytes(dir, "in.obj",
               std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
    test::TWorkingDirectory here(dir.Path());
    TDecompileRequest request;
    request.input = "in.obj";
    std::string error = test::ErrorOf([&] { Decompile(request); });
    if (error.empty()) {
      // Cut in the string table that follows the symbols: nothing the resources need.
      EXPECT_TRUE(dir.Exists("in.rc")) << size;
    } else {
      EXPECT_EQ(dir.List(), std::vector<std::string>{"in.obj"}) << size << ": " << error;
      EXPECT_TRUE(error.starts_with("in.obj: ")) << error;
    }
  }
}

TEST(DecompileTest, ListingReadsObjects) {
  test::TTempDir dir;
  WriteBytes(dir, "in.obj", ResToCoff(SampleRes(), TMachine::Arm64));
  test::TWorkingDirectory here(dir.Path());
  std::ostringstream out, err;
  EXPECT_EQ(RunDriver({"--list", "in.obj"}, out, err), 0);
  // In the order of the object's directory: named types before numbered ones.
  EXPECT_EQ(out.str(),
            "DATA X 0x0409 0x0000 3\n"
            "STRING 1 0x0409 0x0000 32\n"
            "RCDATA 1 0x0409 0x0000 70\n");
}

TEST(DecompileTest, LibraryEntryWorksInMemory) {
  TDecompiledImage decompiled = DecompileImage(SampleRes(), "res");
  ASSERT_TRUE(decompiled.Succeeded()) << decompiled.errorText;
  EXPECT_TRUE(decompiled.differences.empty());
  ASSERT_EQ(decompiled.files.size(), 1u);
  EXPECT_EQ(decompiled.files[0].first, "1.bin");
  TScriptOptions options;
  options.files = [&](const std::string& path, std::string& contents) {
    if (path != "res/1.bin") return false;
    contents.assign(decompiled.files[0].second.begin(), decompiled.files[0].second.end());
    return true;
  };
  TScriptResult compiled = CompileScriptText("back.rc", decompiled.script, options);
  ASSERT_TRUE(compiled.Succeeded()) << compiled.errorText;
  EXPECT_EQ(test::HexRows(compiled.image), test::HexRows(SampleRes()));
  EXPECT_EQ(DecompileImage({1, 2, 3}, "x").errorText, "not a .res file, a program or DLL, or a COFF object");
}

// A program's script is written in two parts side by side: joined, they must be the
// script one writer gives, wherever the cut falls; parts naming files alike are refused.
TEST(DecompileTest, PartsJoinedAreTheWholeScript) {
  std::vector<std::uint8_t> blob(100, 0x5A);
  std::vector<TEntry> entries;
  for (std::uint16_t language : {std::uint16_t{0x0407}, std::uint16_t{0x0409}, std::uint16_t{0x040C}}) {
    entries.push_back({u"#10", u"DATA", blob, 0x0030, language});  // a file of the same name each time
    entries.push_back({u"#6", u"#1", Utf16Bytes(u"one", false), 0x1030, language});
    entries.push_back({u"#10", u"#7", {1, 2, 3}, 0x0030, language});
  }
  entries[6].name = u"OTHER";
  std::vector<std::uint8_t> image = BuildRes(entries);
  std::vector<TResourceEntry> resources = ReadResources(image, "in.res");
  TDecompileOptions options;
  options.folder = "d";
  options.keepOrder = false;
  std::vector<TScriptUnit> units = PlanScript(resources, false);
  TDecompiledScript whole = WriteScript(resources, units, options);
  auto names = [](const TDecompiledScript& script) {
    std::string text;
    for (const TScriptFile& file : script.files) text += file.name + " ";
    return text;
  };
  EXPECT_EQ(names(whole), "DATA.bin DATA-2.bin OTHER.bin ");
  std::vector<std::size_t> data;  // the units that write DATA.bin
  for (std::size_t i = 0; i < units.size(); ++i)
    if (resources[units[i].entries[0]].name.text == u"DATA") data.push_back(i);
  ASSERT_EQ(data.size(), 2u);
  for (std::size_t cut = 0; cut <= units.size(); ++cut) {
    TDecompiledScript joined = WriteScriptPart(resources, units, options, 0, cut);
    TDecompiledScript part = WriteScriptPart(resources, units, options, cut, units.size());
    bool sameNames = cut <= data[0] || cut > data[1];  // both on one side
    ASSERT_EQ(JoinScripts(joined, part), sameNames) << cut;
    if (!sameNames) {
      EXPECT_EQ(joined.text, WriteScriptPart(resources, units, options, 0, cut).text) << cut;
      continue;
    }
    EXPECT_EQ(joined.text, whole.text) << cut;
    EXPECT_EQ(joined.unitLines, whole.unitLines) << cut;
    EXPECT_EQ(joined.unitOffsets, whole.unitOffsets) << cut;
    EXPECT_EQ(names(joined), names(whole)) << cut;
  }
}

// A program's script large enough to be checked in two parts, whose parts name files
// alike, is written again in one piece and still comes back.
TEST(DecompileTest, ProgramPartsNamingFilesAlikeComeBack) {
  std::string script;
  for (const char* language : {"LANGUAGE 7, 1", "LANGUAGE 9, 1"}) {
    script += std::string(language) + "\n";
    for (int i = 0; i < 40; ++i)
      script += (i == 39 ? std::string("SAME") : "R" + std::to_string(i)) + " RCDATA { \"" + std::string(80, 'x') +
                "\" }\n";
  }
  TScriptOptions options;
  options.coff = true;
  TScriptResult object = CompileScriptText("in.rc", script, options);
  ASSERT_TRUE(object.Succeeded()) << object.errorText;
  TDecompiledImage decompiled = DecompileImage(object.image, "d");
  ASSERT_TRUE(decompiled.Succeeded()) << decompiled.errorText;
  EXPECT_TRUE(decompiled.differences.empty());
  EXPECT_NE(decompiled.script.find("\"SAME\" RCDATA \"d/SAME.bin\""), std::string::npos);
  EXPECT_NE(decompiled.script.find("\"SAME\" RCDATA \"d/SAME-2.bin\""), std::string::npos);
}

TEST(DecompileTest, CommandLines) {
  struct TCase {
    std::vector<std::string> args;
    int status;
    const char* out;
    const char* err;
  };
  const TCase cases[] = {
      {{"--decompile", "in.res"}, 0, "Wrote in.rc (3 resources, 1 file in in/)\n", ""},
      {{"--decompile", "--quiet", "--force", "in.res", "b.rc"}, 0, "", ""},
      {{"--decompile", "-DX", "in.res"}, 1, "", "tarvex: error: option -DX builds a script: not with --decompile\n"},
      {{"--decompile"},
       1,
       "",
       "tarvex: error: --decompile takes an input (.res, program, DLL or object) and an optional script name\n"},
      {{"--decompile", "nothing.res"}, 1, "", "tarvex: error: nothing.res: no such file\n"},
      {{"--decompile", "in.txt"},
       1,
       "",
       "tarvex: error: in.txt: not a .res file, a program or DLL, or a COFF object\n"},
      {{"--force", "a.rc"}, 1, "", ""},
  };
  for (const TCase& c : cases) {
    test::TTempDir dir;
    WriteBytes(dir, "in.res", SampleRes());
    dir.Write("in.txt", "1 RCDATA { 1 }");
    test::TWorkingDirectory here(dir.Path());
    std::ostringstream out, err;
    EXPECT_EQ(RunDriver(c.args, out, err), c.status) << c.args.back();
    if (c.args[0] == "--force") {
      EXPECT_NE(out.str().find("Options --names and --force go with --decompile"), std::string::npos) << out.str();
      continue;
    }
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), c.err);
  }
}

}  // namespace
}  // namespace tarvex
