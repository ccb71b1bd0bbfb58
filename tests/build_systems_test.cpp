// End to end: tests/windows_app built by CMake's RC language, the installed CMake package,
// Meson and make holds the script's resources, and touching its header compiles the script
// again. Runs only with TARVEX_E2E=1; then a missing tool fails the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/external_tools.h"
#include "tests/statement_checks.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;

/// Skips without TARVEX_E2E=1; then a missing program fails the test.
#define REQUIRE_TOOLS(...)                                                         \
  if (!std::getenv("TARVEX_E2E") || std::string(std::getenv("TARVEX_E2E")) != "1") \
    GTEST_SKIP() << "end-to-end builds run with TARVEX_E2E=1";                     \
  for (const char* program : {__VA_ARGS__})                                        \
  ASSERT_FALSE(test::FindTool(program).empty()) << program << " is not installed (test.sh installs it)"

/// The folder of the compiler and its tarvex-rc and tarvex-windres links.
std::string CompilerFolder() { return fs::path(TARVEX_BINARY).parent_path().string(); }

/// The project copied into a fresh folder, with its icon.
class TProject {
 public:
  TProject() {
    fs::copy(std::string(TARVEX_SOURCE_DIR) + "/tests/windows_app", dir_.File("src"), fs::copy_options::recursive);
    dir_.Write("src/app.ico", test::ImageFile(1, {test::Image(48, 16, 16, 1)}));
  }
  std::string Source() const { return dir_.File("src"); }

 private:
  TTempDir dir_;
};

/// Runs a command that must succeed; false (with a failure) when it does not.
/// A program named without a folder is looked up on PATH.
bool Succeeds(std::vector<std::string> command, const std::string& workingDirectory = "") {
  if (command[0].find('/') == std::string::npos) command[0] = test::FindTool(command[0]);
  std::string text;
  int status = test::RunTool(command, text, 600, workingDirectory);
  EXPECT_EQ(status, 0) << command[0] << " " << (command.size() > 1 ? command[1] : "") << ":\n" << text;
  return status == 0;
}

std::int64_t ModificationTime(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

/// The program holds the script's icon, data and strings, as llvm-readobj lists them.
void CheckProgram(const std::string& program) {
  std::string output;
  EXPECT_EQ(test::RunTool({test::FindTool("llvm-readobj"), "--coff-resources", program}, output), 0) << output;
  for (const char* type : {"Type: ICON", "Type: GROUP_ICON", "Type: RCDATA", "Type: STRINGTABLE"})
    EXPECT_NE(output.find(type), std::string::npos) << program << " lacks " << type;
}

/// Builds, then: a build with nothing changed leaves `object` alone; touching the header
/// app.h (in `source`) compiles it again.
void CheckBuildAndRebuild(const std::vector<std::string>& build, const std::string& source, const std::string& object) {
  ASSERT_TRUE(Succeeds(build));
  std::int64_t before = ModificationTime(object);
  ASSERT_TRUE(Succeeds(build));
  EXPECT_EQ(ModificationTime(object), before) << "a build with nothing changed compiled the script";
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(::utimensat(AT_FDCWD, (source + "/app.h").c_str(), nullptr, 0), 0);
  ASSERT_TRUE(Succeeds(build));
  EXPECT_NE(ModificationTime(object), before) << "app.h touched, the script was not compiled";
}

TEST(BuildSystemsTest, CMakeMesonAndMake) {
  REQUIRE_TOOLS("cmake", "meson", "ninja", "make", "clang", "lld-link", "ld.lld", "llvm-readobj");
  {
    SCOPED_TRACE("CMake's RC language with TarvexRCRules.cmake");
    TProject project;
    std::string build = project.Source() + "/build", object = build + "/CMakeFiles/app.dir/app.rc.res";
    ASSERT_TRUE(
        Succeeds({"cmake", "-S", project.Source(), "-B", build, "-G", "Ninja", "--toolchain", "msvc.cmake",
                  "-DCMAKE_RC_COMPILER=" + CompilerFolder() + "/tarvex-rc",
                  "-DCMAKE_USER_MAKE_RULES_OVERRIDE=" + std::string(TARVEX_SOURCE_DIR) + "/cmake/TarvexRCRules.cmake"},
                 project.Source()));
    CheckBuildAndRebuild({"cmake", "--build", build}, project.Source(), object);
    CheckProgram(build + "/app.exe");
  }
  // Meson and the Makefile find the compiler's links on PATH, as after an installation.
  std::string path = std::getenv("PATH");
  setenv("PATH", (CompilerFolder() + ":" + path).c_str(), 1);
  {
    SCOPED_TRACE("Meson's windows module");
    TProject project;
    ASSERT_TRUE(Succeeds({"meson", "setup", "--cross-file", "cross-gnu.ini", "build"}, project.Source()));
    std::string build = project.Source() + "/build";
    CheckBuildAndRebuild({"meson", "compile", "-C", build}, project.Source(), build + "/app.rc_app.o");
    CheckProgram(build + "/app.exe");
  }
  {
    SCOPED_TRACE("the Makefile with a dependency file");
    TProject project;
    CheckBuildAndRebuild({"make", "-C", project.Source(), "RCDEPFLAGS=-MD"}, project.Source(),
                         project.Source() + "/app.o");
    CheckProgram(project.Source() + "/app.exe");
  }
  setenv("PATH", path.c_str(), 1);
}

// The installed package: one public header, the links beside the program, and
// tarvex_add_resources making a COFF object for a GNU-style link.
TEST(BuildSystemsTest, InstalledPackage) {
  REQUIRE_TOOLS("cmake", "ninja", "clang", "ld.lld", "llvm-readobj");
  TTempDir prefix;
  ASSERT_TRUE(Succeeds({"cmake", "--install", CompilerFolder(), "--prefix", prefix.Path()}));
  std::string package;
  std::vector<std::string> headers;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(prefix.Path())) {
    std::string relative = fs::relative(entry.path(), prefix.Path()).string();
    if (entry.path().filename() == "TarvexConfig.cmake") package = entry.path().parent_path().string();
    if (!entry.is_directory() && relative.starts_with("include/")) headers.push_back(relative);
  }
  ASSERT_FALSE(package.empty());
  EXPECT_EQ(headers, std::vector<std::string>{"include/tarvex/tarvex.h"});
  for (const char* link : {"bin/tarvex-rc", "bin/tarvex-windres"})
    EXPECT_EQ(fs::read_symlink(prefix.File(link)), "tarvex") << link;
  TProject project;
  std::string build = project.Source() + "/package/build", object = build + "/tarvex/app/__/app.obj";
  ASSERT_TRUE(Succeeds({"cmake", "-S", project.Source() + "/package", "-B", build, "-G", "Ninja", "--toolchain",
                        "../gnu.cmake", "-DTarvex_DIR=" + package},
                       project.Source() + "/package"));
  CheckBuildAndRebuild({"cmake", "--build", build}, project.Source(), object);
  CheckProgram(build + "/app.exe");
}

}  // namespace
}  // namespace tarvex
