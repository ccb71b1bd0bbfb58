#include "statements/compile_api.h"

#include <gtest/gtest.h>

#include <map>

#include "output/coff_writer.h"
#include "tarvex/tarvex.h"
#include "tests/res_reader.h"
#include "tests/statement_checks.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;
using test::TWorkingDirectory;

TEST(CompileApiTest, FailureCarriesNumberFileLineAndText) {
  TTempDir dir;
  dir.Write("a.rc", "1 RCDATA {}\n#include \"b.rc\"\n");
  dir.Write("b.rc", "\n\n0 RCDATA {}\n");
  TWorkingDirectory cwd(dir.Path());
  TCompilation result = CompileToFile("a.rc", "a.res");
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(result.errorNumber, 15);
  EXPECT_EQ(result.errorLine, 3);
  EXPECT_EQ(result.errorFile, "b.rc");
  EXPECT_EQ(result.errorText, "File b.rc. Line 3 : 15. Bad resource identifier: 0");
  EXPECT_FALSE(dir.Exists("a.res"));
  TCompilation unnumbered = CompileToImage("missing.rc");
  EXPECT_EQ(unnumbered.errorNumber, 72);
  EXPECT_EQ(unnumbered.errorLine, 0);
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
  EXPECT_EQ(result.errorNumber, 15);
  EXPECT_EQ(result.errorLine, 2);
  EXPECT_EQ(result.errorColumn, 1);
  EXPECT_EQ(result.errorFile, "mem.rc");
}

}  // namespace
}  // namespace tarvex
