// TARVEX inside real builds: make and Ninja rules driven by its dependency files, and a
// project that uses the installed CMake package (tarvex_add_resources, the library
// through its installed headers). The rule texts are the ones the README shows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/external_tools.h"
#include "tests/res_reader.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;

constexpr char kMakefile[] = R"(TARVEX ?= tarvex

all: app.res

%.res: %.rc
	$(TARVEX) --depfile=$@.d $< $@

-include $(wildcard *.res.d)
)";

constexpr char kNinjaFile[] = R"(tarvex = tarvex

rule rc
  command = $tarvex --depfile=$out.d $in $out
  depfile = $out.d
  deps = gcc
  description = RC $out

build app.res: rc app.rc
)";

// A header, an icon and a data file whose name needs escaping in the dependency file.
constexpr char kScript[] = R"(#include "app.h"
IDI_APP ICON "app.ico"
IDR_DATA RCDATA "my data.bin"
)";

/// Runs one build command, which must succeed, and tells whether it ran the compiler.
bool CompilerRan(const std::vector<std::string>& command, int timeoutSeconds = 60) {
  std::string output;
  int status = test::RunTool(command, output, timeoutSeconds);
  EXPECT_EQ(status, 0) << output;
  return output.find("Compiling file: ") != std::string::npos;
}

/// A pause that puts the next change clearly after the last output written, whatever
/// the granularity of the file system's time stamps.
void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

/// Gives `name` the current time as the kernel stamps files.
void Touch(const std::string& name) {
  Pause();
  ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), nullptr, 0), 0) << name;
}

void WriteIcon(const TTempDir& dir, const std::string& name) {
  dir.Write(name, test::ImageFile(1, {test::Image(48, 16, 16, 1)}));
}

/// The first build compiles, a second does nothing, a change of any file the script
/// reads compiles again, and a header removed with its #include does not stop the build.
void CheckRebuilds(const TTempDir& dir, const std::vector<std::string>& build) {
  dir.Write("app.rc", kScript);
  dir.Write("app.h", "#define IDI_APP 1\n#define IDR_DATA 2\n");
  dir.Write("my data.bin", "data");
  WriteIcon(dir, "app.ico");
  EXPECT_TRUE(CompilerRan(build)) << "first build";
  EXPECT_TRUE(dir.Exists("app.res"));
  EXPECT_FALSE(CompilerRan(build)) << "second build";
  for (const char* input : {"app.h", "app.ico", "my data.bin"}) {
    Touch(dir.File(input));
    EXPECT_TRUE(CompilerRan(build)) << input << " touched";
    EXPECT_FALSE(CompilerRan(build)) << "after " << input;
  }
  Pause();
  dir.Write("app.rc", "1 ICON \"app.ico\"\n");
  fs::remove(dir.File("app.h"));
  EXPECT_TRUE(CompilerRan(build)) << "header removed";
  EXPECT_FALSE(CompilerRan(build)) << "after the header was removed";
}

TEST(BuildIntegrationTest, MakeAndNinjaRebuildFromTheDependencyFile) {
  std::string make = test::FindTool("make");
  std::string ninja = test::FindTool("ninja");
  if (make.empty() && ninja.empty()) GTEST_SKIP() << "neither make nor ninja is installed";
  if (!make.empty()) {
    SCOPED_TRACE("make");
    TTempDir dir;
    dir.Write("Makefile", kMakefile);
    CheckRebuilds(dir, {make, "-C", dir.Path(), std::string("TARVEX=") + TARVEX_BINARY});
  }
  if (!ninja.empty()) {
    SCOPED_TRACE("ninja");
    TTempDir dir;
    std::string rules = kNinjaFile;
    rules.replace(0, rules.find('\n'), std::string("tarvex = ") + TARVEX_BINARY);
    dir.Write("build.ninja", rules);
    CheckRebuilds(dir, {ninja, "-C", dir.Path()});
  }
}

/// The build tree of the running test binary: the nearest folder above the compiler
/// that holds a CMakeCache.txt.
std::string BuildTree() {
  for (fs::path folder = fs::path(TARVEX_BINARY).parent_path(); !folder.empty() && folder != folder.root_path();
       folder = folder.parent_path()) {
    if (fs::exists(folder / "CMakeCache.txt")) return folder.string();
  }
  return {};
}

/// The value of the first word of `flags` that begins with `option` ("-I", "-L").
std::string FlagValue(const std::string& flags, const std::string& option) {
  std::istringstream words(flags);
  std::string word;
  while (words >> word)
    if (word.rfind(option, 0) == 0) return word.substr(option.size());
  return {};
}

TEST(BuildIntegrationTest, InstalledPackageCompilesScriptsAndServesHosts) {
  std::string cmake = test::FindTool("cmake");
  std::string linker = test::FindTool("lld-link");
  if (cmake.empty() || test::FindTool("ninja").empty() || linker.empty())
    GTEST_SKIP() << "cmake, ninja or lld-link is not installed";
  std::string tree = BuildTree();
  ASSERT_FALSE(tree.empty()) << "no build tree above " << TARVEX_BINARY;
  TTempDir work;
  std::string prefix = work.File("prefix");
  std::string project = work.File("project");
  std::string build = project + "/build";
  std::string output;
  ASSERT_EQ(test::RunTool({cmake, "--install", tree, "--prefix", prefix}, output, 120), 0) << output;
  fs::copy(std::string(TARVEX_SOURCE_DIR) + "/tests/cmake_package", project, fs::copy_options::recursive);
  WriteIcon(work, "project/app.ico");
  ASSERT_EQ(
      test::RunTool({cmake, "-S", project, "-B", build, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + prefix}, output, 300),
      0)
      << output;

  std::vector<std::string> buildCommand = {cmake, "--build", build};
  EXPECT_TRUE(CompilerRan(buildCommand, 600)) << "first build";
  EXPECT_FALSE(CompilerRan(buildCommand)) << "second build";
  Touch(project + "/include/resource.h");
  EXPECT_TRUE(CompilerRan(buildCommand)) << "header touched";
  Touch(project + "/app.ico");
  EXPECT_TRUE(CompilerRan(buildCommand)) << "icon touched";
  EXPECT_FALSE(CompilerRan(buildCommand)) << "last build";

  // The include folder and the definition reached the compiler.
  std::string res = work.Read("project/build/tarvex/resources/app.res");
  std::vector<test::TResEntry> entries = test::ReadResImage(std::vector<std::uint8_t>(res.begin(), res.end()));
  EXPECT_EQ(test::FindEntry(entries, "#10", "#2").data, (std::vector<std::uint8_t>{3, 0}));
  EXPECT_NO_THROW(test::FindEntry(entries, "#14", "#1"));
  for (const char* file : {"app.res", "app.obj"}) {
    std::string input = build + "/tarvex/resources/" + file;
    EXPECT_EQ(test::RunTool({linker, "/dll", "/noentry", "/machine:x86", "/out:" + input + ".dll", input}, output), 0)
        << file << ": " << output;
  }

  // The pkg-config file finds the headers and the library from where it was installed.
  std::string pkgConfig = test::FindTool("pkg-config");
  std::string pcFile;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(prefix))
    if (entry.path().filename() == "tarvex.pc") pcFile = entry.path().string();
  EXPECT_FALSE(pcFile.empty()) << "no tarvex.pc installed";
  if (!pkgConfig.empty() && !pcFile.empty()) {
    ASSERT_EQ(test::RunTool({pkgConfig, "--cflags", "--libs", pcFile}, output), 0) << output;
    EXPECT_TRUE(fs::exists(FlagValue(output, "-I") + "/tarvex/tarvex.h")) << output;
    EXPECT_TRUE(fs::exists(FlagValue(output, "-L") + "/libtarvex_core.a")) << output;
  }

  // One public header is installed, and the host compiled against it alone; the links
  // that pick the other command lines lie beside the program.
  std::vector<std::string> installed;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(prefix))
    if (!entry.is_directory()) installed.push_back(fs::relative(entry.path(), prefix).string());
  EXPECT_EQ(std::count_if(installed.begin(), installed.end(),
                          [](const std::string& name) { return name.starts_with("include/"); }),
            1);
  EXPECT_NE(std::find(installed.begin(), installed.end(), "include/tarvex/tarvex.h"), installed.end());
  for (const char* link : {"bin/tarvex-rc", "bin/tarvex-windres"})
    EXPECT_EQ(fs::read_symlink(prefix + "/" + link), "tarvex") << link;
  work.Write("project/good.rc", "#include \"memory.h\"\n1 RCDATA { FROM_MEMORY }\n");
  EXPECT_EQ(test::RunTool({build + "/host", project + "/good.rc"}, output), 0) << output;
  EXPECT_EQ(output, "res of 68 bytes, object of 302 bytes\n");

  work.Write("project/part.rc", "// a part of the script\nSTRINGTABLE { 1 \"not closed }\n");
  work.Write("project/bad.rc", "#include \"part.rc\"\n");
  EXPECT_EQ(test::RunTool({build + "/host", project + "/bad.rc"}, output), 1);
  EXPECT_EQ(output, "error 52 in " + project + "/part.rc line 2\n");
}

}  // namespace
}  // namespace tarvex
