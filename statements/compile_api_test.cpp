#include "statements/compile_api.h"

#include <gtest/gtest.h>

#include <map>

#include "output/coff_writer.h"
#include "tarvex/tarvex.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::TTempDir;
using test::TWorkingDirectory;

// The image in memory is the saved file's bytes and writes nothing; a failure carries its
// number, file, line and text and leaves no file.
TEST(CompileApiTest, ImageInMemoryAndFailures) {
  TTempDir dir;
  dir.Write("a.rc", "STRINGTABLE { 1 \"one\" }\n1 RCDATA { 1, 2 }\n");
  dir.Write("b.rc", "1 RCDATA {}\n#include \"c.rc\"\n");
  dir.Write("c.rc", "\n\n0 RCDATA {}\n");
  TWorkingDirectory cwd(dir.Path());
  TCompilation image = CompileToImage("a.rc");
  ASSERT_TRUE(image.Succeeded()) << image.errorText;
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.rc", "b.rc", "c.rc"}));
  TCompilation file = CompileToFile("a.rc", "a.res");
  EXPECT_TRUE(file.Succeeded() && file.image.empty()) << file.errorText;
  std::string saved = dir.Read("a.res");
  EXPECT_EQ(std::vector<std::uint8_t>(saved.begin(), saved.end()), image.image);
  TCompilation failure = CompileToFile("b.rc", "b.res");
  EXPECT_EQ(std::make_tuple(failure.errorNumber, failure.errorLine, failure.errorFile), std::make_tuple(15, 3, "c.rc"));
  EXPECT_EQ(failure.errorText, "File c.rc. Line 3 : 15. Bad resource identifier: 0");
  EXPECT_FALSE(dir.Exists("b.res"));
  TCompilation unnumbered = CompileToImage("missing.rc");
  EXPECT_EQ(std::make_pair(unnumbered.errorNumber, unnumbered.errorLine), std::make_pair(72, 0));
  EXPECT_TRUE(unnumbered.image.empty());
}

using TFiles = std::map<std::string, std::string>;

/// A supplier over `files` that counts how often each path is asked.
TFileSource Supplier(const TFiles& files, std::map<std::string, int>& asked) {
  return [&files, &asked](const std::string& path, std::string& contents) {
    ++asked[path];
    auto found = files.find(path);
    if (found == files.end()) return false;
    contents = found->second;
    return true;
  };
}

const std::string kIcon = test::ImageFile(1, {test::Image(48, 16, 16, 1)});

// Every file comes from the host, each asked for once, and is a dependency in the order
// read; the same files on disk compile to the same bytes.
TEST(CompileApiTest, ScriptInMemoryWithSuppliedFiles) {
  struct TCase {
    std::string name, text;                                  // the script
    std::vector<std::pair<std::string, std::string>> files;  // what the host supplies, in the order read
    std::string includeDirectory = "", error = "";           // error: expected end of the failure text
  };
  const std::string script = "#include \"ids.h\"\nIDI_APP ICON \"app.ico\"\n2 RCDATA \"data.bin\"\n";
  const std::string ids = "#define IDI_APP 1\n";
  const std::vector<TCase> cases = {
      {"app.rc", script, {{"ids.h", ids}, {"app.ico", kIcon}, {"data.bin", "abc"}}},
      {"src/app.rc", script, {{"src/ids.h", ids}, {"src/app.ico", kIcon}, {"src/data.bin", "abc"}}},
      // In an include folder, backslashes as separators.
      {"app.rc",
       "#include \"sub\\ids.h\"\nIDI_APP ICON \"res\\app.ico\"\n2 RCDATA \"data.bin\"\n",
       {{"inc/sub/ids.h", ids}, {"inc/res/app.ico", kIcon}, {"data.bin", "abc"}},
       "inc"},
      // An included script names a resource beside itself.
      {"app.rc",
       "#include \"part/more.rc\"\n",
       {{"part/more.rc", script + "3 RCDATA {}\n"},
        {"part/ids.h", ids},
        {"part/app.ico", kIcon},
        {"part/data.bin", "abc"}}},
      {"app.rc", "1 RCDATA \"gone.bin\"\n", {}, "", "1. Cannot open gone.bin file"},
      {"app.rc", "#include \"gone.h\"\n", {}, "", "72. Cannot open file \"gone.h\" (No such file or directory)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    TTempDir dir;  // empty: nothing may come from disk
    TWorkingDirectory cwd(dir.Path());
    TFiles files(c.files.begin(), c.files.end());
    std::map<std::string, int> asked;
    TScriptOptions options;
    options.files = Supplier(files, asked);
    if (!c.includeDirectory.empty()) options.includeDirectories = {c.includeDirectory};
    TScriptResult result = CompileScriptText(c.name, c.text, options);
    for (const auto& [path, count] : asked) EXPECT_EQ(count, 1) << path << " asked more than once";
    if (!c.error.empty()) {
      EXPECT_TRUE(result.errorText.starts_with("File app.rc. Line ") && result.errorText.ends_with(" : " + c.error))
          << result.errorText;
      EXPECT_TRUE(result.image.empty());
      continue;
    }
    ASSERT_TRUE(result.Succeeded()) << result.errorText;
    std::vector<std::string> dependencies = {c.name};
    for (const auto& [path, contents] : c.files) {
      dependencies.push_back(path);
      dir.Write(path, contents);
    }
    EXPECT_EQ(result.dependencies, dependencies);
    dir.Write(c.name, c.text);
    TCompileOptions diskOptions;
    diskOptions.includeDirectories = options.includeDirectories;
    TCompilation disk = CompileToImage(c.name, {}, diskOptions);
    ASSERT_TRUE(disk.Succeeded()) << disk.errorText;
    EXPECT_EQ(result.image, disk.image);
  }
}

TEST(CompileApiTest, HostCopiesComeBeforeTheDiskAndTheDiskStaysReachable) {
  TTempDir dir;
  dir.Write("app.rc", "1 RCDATA { 9 }\n");  // the script given as text wins over this file
  dir.Write("disk.h", "#define FROM_DISK 5\n");
  dir.Write("both.h", "#define BOTH 6\n");
  TWorkingDirectory cwd(dir.Path());
  TFiles files = {{"both.h", "#define BOTH 7\n"}};
  std::map<std::string, int> asked;
  TScriptOptions options;
  options.files = Supplier(files, asked);
  TScriptResult result =
      CompileScriptText("app.rc", "#include \"disk.h\"\n#include \"both.h\"\n1 RCDATA { FROM_DISK, BOTH }\n", options);
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(test::FindEntry(test::ReadResImage(result.image), "#10", "#1").data,
            (std::vector<std::uint8_t>{5, 0, 7, 0}));
  // A script file the host supplies is never read from disk either.
  files["app.rc"] = "1 RCDATA { 3 }\n";
  result = CompileScriptFile("app.rc", options);
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(test::FindEntry(test::ReadResImage(result.image), "#10", "#1").data, (std::vector<std::uint8_t>{3, 0}));
  // Failures keep their place.
  result = CompileScriptText("mem.rc", "\n0 RCDATA {}\n", options);
  EXPECT_EQ(std::make_tuple(result.errorNumber, result.errorLine, result.errorColumn, result.errorFile),
            std::make_tuple(15, 2, 1, "mem.rc"));
}

// A value that reads as a directive defines another name while the names are read
// back; the list read stays whole.
TEST(CompileApiTest, NameValuesThatCarryOutDirectives) {
  TCompilation result = test::CompileFiles({{"a.rc", "#define I #define R\n#define D\n#define N 4\n1 RCDATA { N }\n"}},
                                           [](TCompileOptions& options) { options.defineNames = true; });
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(result.defineNames, (std::vector<std::pair<std::string, std::int64_t>>{{"N", 4}}));
}

TEST(CompileApiTest, CoffObjectForEachMachine) {
  const std::string script = "1 ICON \"app.ico\"\nSTRINGTABLE { 1 \"one\" }\n";
  TFiles files = {{"app.ico", kIcon}};
  std::map<std::string, int> asked;
  TScriptOptions options;
  options.files = Supplier(files, asked);
  TScriptResult res = CompileScriptText("app.rc", script, options);
  ASSERT_TRUE(res.Succeeded()) << res.errorText;
  options.coff = true;
  for (const auto& [machine, writerMachine, header] :
       {std::tuple{TObjectMachine::X86, TMachine::X86, 0x14C}, std::tuple{TObjectMachine::X64, TMachine::X64, 0x8664},
        std::tuple{TObjectMachine::Arm64, TMachine::Arm64, 0xAA64}}) {
    options.machine = machine;
    TScriptResult object = CompileScriptText("app.rc", script, options);
    ASSERT_TRUE(object.Succeeded()) << object.errorText;
    EXPECT_EQ(object.image, ResToCoff(res.image, writerMachine));
    EXPECT_EQ(object.image[0] | object.image[1] << 8, header);
    EXPECT_EQ(object.dependencies, (std::vector<std::string>{"app.rc", "app.ico"}));
  }
  // A failure of the conversion is a failure of the compilation, with no object.
  options.machine = TObjectMachine::X64;
  TScriptResult duplicate = CompileScriptText("app.rc", "LANGUAGE 9, 1\n1 RCDATA {1}\n1 RCDATA {2}\n", options);
  EXPECT_FALSE(duplicate.Succeeded());
  EXPECT_TRUE(duplicate.image.empty());
  options.codePage = 99999;
  EXPECT_EQ(CompileScriptText("app.rc", "1 RCDATA {1}\n", options).errorText, "Unknown code page 99999");
}

}  // namespace
}  // namespace tarvex
