// End to end: a Windows program (tests/windows_app) whose resources TARVEX compiles,
// built and linked by the build systems people use: CMake's RC language under Ninja and
// Makefiles for the MSVC and the GNU ABI, with and without TarvexRCRules.cmake, through
// CMake's preprocess-then-compile rule and its windres rule; the CMake package in a
// cross build; Meson's windows module; a Makefile. Each linked program must hold the
// script's resources, and where a dependency file is in play, touching the header or the
// icon must compile the script again while a build with nothing changed does nothing.
// The commands are the ones the README shows. They run only with TARVEX_E2E=1, and then
// a missing tool fails the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "tests/external_tools.h"
#include "tests/statement_checks.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;

bool EndToEnd() {
  const char* value = std::getenv("TARVEX_E2E");
  return value && std::string(value) == "1";
}

#define REQUIRE_END_TO_END() \
  if (!EndToEnd()) GTEST_SKIP() << "end-to-end builds run with TARVEX_E2E=1"

/// The full path of each program on PATH; a missing one fails the test (empty map).
std::map<std::string, std::string> RequireTools(const std::vector<std::string>& programs) {
  std::map<std::string, std::string> found;
  for (const std::string& program : programs) {
    std::string path = test::FindTool(program);
    if (path.empty()) {
      ADD_FAILURE() << program << " is not installed (test.sh installs it)";
      return {};
    }
    found[program] = path;
  }
  return found;
}

/// The folder of the compiler, which holds its tarvex-rc and tarvex-windres links.
std::string CompilerFolder() { return fs::path(TARVEX_BINARY).parent_path().string(); }

/// PATH starts with `folder` for the lifetime of the object, so that build files name
/// the compiler's links as an installation would.
class TPathFront {
 public:
  explicit TPathFront(const std::string& folder) {
    const char* path = std::getenv("PATH");
    previous_ = path ? path : "";
    setenv("PATH", (folder + ":" + previous_).c_str(), 1);
  }
  ~TPathFront() { setenv("PATH", previous_.c_str(), 1); }
  TPathFront(const TPathFront&) = delete;
  TPathFront& operator=(const TPathFront&) = delete;

 private:
  std::string previous_;
};

/// The project copied into a fresh folder, with its icon.
class TProject {
 public:
  TProject() {
    fs::copy(std::string(TARVEX_SOURCE_DIR) + "/tests/windows_app", dir_.File("src"), fs::copy_options::recursive);
    dir_.Write("src/app.ico", test::ImageFile(1, {test::Image(48, 16, 16, 1)}));
  }
  std::string Source() const { return dir_.File("src"); }
  std::string File(const std::string& name) const { return dir_.File(name); }

 private:
  TTempDir dir_;
};

/// Runs a command that must succeed; false (with a failure) when it does not.
bool Succeeds(const std::vector<std::string>& command, const std::string& workingDirectory = "") {
  std::string output;
  int status = test::RunTool(command, output, 300, workingDirectory);
  EXPECT_EQ(status, 0) << command[0] << " " << (command.size() > 1 ? command[1] : "") << ":\n" << output;
  return status == 0;
}

std::int64_t ModificationTime(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

void Touch(const std::string& path) {
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), nullptr, 0), 0) << path;
}

/// The resource types llvm-readobj lists in `program`.
std::set<std::string> ResourceTypes(const std::string& program) {
  std::string output;
  EXPECT_EQ(test::RunTool({test::FindTool("llvm-readobj"), "--coff-resources", program}, output), 0) << output;
  std::set<std::string> types;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t at = line.find("Type: ");
    if (at != std::string::npos) types.insert(line.substr(at + 6, line.find(' ', at + 6) - at - 6));
  }
  return types;
}

/// The linked program holds the script's icon, data and strings.
void CheckProgram(const std::string& program) {
  std::set<std::string> types = ResourceTypes(program);
  for (const char* type : {"ICON", "GROUP_ICON", "RCDATA", "STRINGTABLE"})
    EXPECT_TRUE(types.count(type)) << program << " lacks " << type;
}

/// "res" for a .res file, "coff" for an x64 COFF object, else "other".
std::string FileKind(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char head[12] = {};
  file.read(reinterpret_cast<char*>(head), sizeof head);
  if (file.gcount() == sizeof head && head[0] == 0 && head[4] == 0x20 && head[8] == 0xFF && head[9] == 0xFF)
    return "res";
  if (file.gcount() >= 2 && head[0] == 0x64 && head[1] == 0x86) return "coff";
  return "other";
}

/// A build with nothing changed leaves `object` alone; touching each of `inputs` (in
/// the source folder) compiles it again.
void CheckRebuilds(const std::vector<std::string>& build, const std::string& source, const std::string& object,
                   const std::vector<std::string>& inputs) {
  std::int64_t before = ModificationTime(object);
  ASSERT_TRUE(Succeeds(build));
  EXPECT_EQ(ModificationTime(object), before) << "a build with nothing changed compiled the script";
  for (const std::string& input : inputs) {
    Touch(source + "/" + input);
    before = ModificationTime(object);
    ASSERT_TRUE(Succeeds(build));
    EXPECT_NE(ModificationTime(object), before) << input << " touched, the script was not compiled";
  }
}

TEST(BuildSystemsTest, CMakeRcLanguage) {
  REQUIRE_END_TO_END();
  auto tools = RequireTools({"cmake", "ninja", "make", "clang", "lld-link", "ld.lld", "llvm-readobj"});
  if (tools.empty()) return;
  const std::string rules = std::string(TARVEX_SOURCE_DIR) + "/cmake/TarvexRCRules.cmake";
  struct TCase {
    const char* toolchain;
    const char* generator;
    const char* compiler;  // the name TARVEX is called under
    bool rules;            // with TarvexRCRules.cmake
    const char* object;    // the compiled script, below the build folder
    const char* kind;
    std::vector<std::string> rebuiltBy;
  };
  const std::vector<TCase> cases = {
      {"msvc.cmake", "Ninja", "tarvex-rc", true, "CMakeFiles/app.dir/app.rc.res", "res", {"app.h", "app.ico"}},
      {"msvc.cmake", "Unix Makefiles", "tarvex-rc", true, "CMakeFiles/app.dir/app.rc.res", "res", {"app.h", "app.ico"}},
      {"gnu.cmake", "Ninja", "tarvex-rc", true, "CMakeFiles/app.dir/app.rc.obj", "coff", {"app.h", "app.ico"}},
      {"gnu.cmake", "Unix Makefiles", "tarvex-rc", true, "CMakeFiles/app.dir/app.rc.obj", "coff", {"app.h", "app.ico"}},
      {"gnu.cmake",
       "Unix Makefiles",
       "tarvex-windres",
       true,
       "CMakeFiles/app.dir/app.rc.obj",
       "coff",
       {"app.h", "app.ico"}},
      // CMake's own rc-style rule: a .res, no dependency file.
      {"gnu.cmake", "Ninja", "tarvex-rc", false, "CMakeFiles/app.dir/app.rc.res", "res", {}},
      // CMake's own windres rule: a COFF object, under CMake's name for it.
      {"gnu.cmake", "Ninja", "tarvex-windres", false, "CMakeFiles/app.dir/app.rc.res", "coff", {}},
      // Preprocessed by clang first; clang's dependency file names the header only.
      {"msvc.cmake", "Ninja", "tarvex-llvm-rc", false, "CMakeFiles/app.dir/app.rc.res", "res", {"app.h"}},
  };
  TTempDir links;
  fs::create_symlink(TARVEX_BINARY, links.File("tarvex-llvm-rc"));
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.toolchain) + ", " + c.generator + ", " + c.compiler + (c.rules ? ", rules" : ""));
    TProject project;
    std::string compiler =
        (std::string(c.compiler) == "tarvex-llvm-rc" ? links.Path() : CompilerFolder()) + "/" + c.compiler;
    std::string build = project.Source() + "/build";
    std::vector<std::string> configure = {
        tools["cmake"], "-S",        project.Source(), "-B",        build,
        "-G",           c.generator, "--toolchain",    c.toolchain, "-DCMAKE_RC_COMPILER=" + compiler};
    if (c.rules) configure.push_back("-DCMAKE_USER_MAKE_RULES_OVERRIDE=" + rules);
    if (!Succeeds(configure, project.Source())) continue;
    std::vector<std::string> buildCommand = {tools["cmake"], "--build", build};
    if (!Succeeds(buildCommand)) continue;
    CheckProgram(build + "/app.exe");
    EXPECT_EQ(FileKind(build + "/" + c.object), c.kind) << c.object;
    CheckRebuilds(buildCommand, project.Source(), build + "/" + c.object, c.rebuiltBy);
  }
}

TEST(BuildSystemsTest, CMakePackageInACrossBuild) {
  REQUIRE_END_TO_END();
  auto tools = RequireTools({"cmake", "ninja", "clang", "lld-link", "ld.lld", "llvm-readobj"});
  if (tools.empty()) return;
  TTempDir prefix;
  fs::path tree = fs::path(TARVEX_BINARY).parent_path();
  ASSERT_TRUE(Succeeds({tools["cmake"], "--install", tree.string(), "--prefix", prefix.Path()}));
  std::string package;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(prefix.Path()))
    if (entry.path().filename() == "TarvexConfig.cmake") package = entry.path().parent_path().string();
  ASSERT_FALSE(package.empty());
  // tarvex_add_resources makes a COFF object for the GNU-style link, a .res for lld-link.
  const struct {
    const char* toolchain;
    const char* kind;
  } cases[] = {{"gnu.cmake", "coff"}, {"msvc.cmake", "res"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.toolchain);
    TProject project;
    std::string build = project.Source() + "/package/build";
    if (!Succeeds({tools["cmake"], "-S", project.Source() + "/package", "-B", build, "-G", "Ninja", "--toolchain",
                   "../" + std::string(c.toolchain), "-DTarvex_DIR=" + package},
                  project.Source() + "/package"))
      continue;
    std::vector<std::string> buildCommand = {tools["cmake"], "--build", build};
    if (!Succeeds(buildCommand)) continue;
    CheckProgram(build + "/app.exe");
    std::string object = build + "/tarvex/app/__/app" + (std::string(c.kind) == "coff" ? ".obj" : ".res");
    EXPECT_EQ(FileKind(object), c.kind);
    CheckRebuilds(buildCommand, project.Source(), object, {"app.h", "app.ico"});
  }
}

TEST(BuildSystemsTest, MesonWindowsModule) {
  REQUIRE_END_TO_END();
  auto tools = RequireTools({"meson", "ninja", "clang", "ld.lld", "llvm-readobj"});
  if (tools.empty()) return;
  TPathFront path(CompilerFolder());
  TProject project;
  std::string build = project.Source() + "/build";
  ASSERT_TRUE(Succeeds({tools["meson"], "setup", "--cross-file", "cross-gnu.ini", "build"}, project.Source()));
  std::vector<std::string> buildCommand = {tools["meson"], "compile", "-C", build};
  ASSERT_TRUE(Succeeds(buildCommand));
  CheckProgram(build + "/app.exe");
  std::string object = build + "/app.rc_app.o";
  EXPECT_EQ(FileKind(object), "coff");
  CheckRebuilds(buildCommand, project.Source(), object, {"app.h", "app.ico"});
}

TEST(BuildSystemsTest, MakefileWindresRule) {
  REQUIRE_END_TO_END();
  auto tools = RequireTools({"make", "clang", "ld.lld", "llvm-readobj"});
  if (tools.empty()) return;
  TPathFront path(CompilerFolder());
  {
    SCOPED_TRACE("the rule as it is");
    TProject project;
    ASSERT_TRUE(Succeeds({tools["make"], "-C", project.Source()}));
    CheckProgram(project.Source() + "/app.exe");
    EXPECT_EQ(FileKind(project.Source() + "/app.o"), "coff");
  }
  {
    SCOPED_TRACE("with a dependency file");
    TProject project;
    std::vector<std::string> buildCommand = {tools["make"], "-C", project.Source(), "RCDEPFLAGS=-MD"};
    ASSERT_TRUE(Succeeds(buildCommand));
    CheckProgram(project.Source() + "/app.exe");
    CheckRebuilds(buildCommand, project.Source(), project.Source() + "/app.o", {"app.h", "app.ico"});
  }
}

}  // namespace
}  // namespace tarvex
