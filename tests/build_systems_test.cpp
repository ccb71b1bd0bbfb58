// End to end: a Windows program (tests/windows_app) built with TARVEX by CMake's RC language
// (Ninja and Makefiles, MSVC and GNU ABI, with and without TarvexRCRules.cmake, the
// preprocess-then-compile and windres rules), by the installed CMake package, by Meson and by
// a Makefile, with the commands docs/build-systems.md shows. Each program must hold the script's
// resources; with a dependency file, touching the header or the icon compiles the script
// again and a build with nothing changed does nothing. The installed package also serves a
// host program (tests/cmake_package) and pkg-config. Runs only with TARVEX_E2E=1, and then a
// missing tool fails the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "tests/external_tools.h"
#include "tests/statement_checks.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;

/// The full path of each program on PATH; skips without TARVEX_E2E=1, and a missing
/// program fails the test (empty map).
std::map<std::string, std::string> RequireTools(const std::vector<std::string>& programs) {
  const char* e2e = std::getenv("TARVEX_E2E");
  if (!e2e || std::string(e2e) != "1") return {};
  std::map<std::string, std::string> found;
  for (const std::string& program : programs) {
    found[program] = test::FindTool(program);
    if (found[program].empty()) {
      ADD_FAILURE() << program << " is not installed (test.sh installs it)";
      return {};
    }
  }
  return found;
}

#define REQUIRE_TOOLS(tools, ...)                                                                \
  auto tools = RequireTools({__VA_ARGS__});                                                      \
  if (tools.empty() && !HasFailure()) GTEST_SKIP() << "end-to-end builds run with TARVEX_E2E=1"; \
  if (tools.empty()) return

/// The folder of the compiler and its tarvex-rc and tarvex-windres links.
std::string CompilerFolder() { return fs::path(TARVEX_BINARY).parent_path().string(); }

/// PATH starts with the compiler's folder while the object lives, as after an installation.
class TPathFront {
 public:
  TPathFront() : previous_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", (CompilerFolder() + ":" + previous_).c_str(), 1);
  }
  ~TPathFront() { setenv("PATH", previous_.c_str(), 1); }

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

 private:
  TTempDir dir_;
};

/// Runs a command that must succeed; false (with a failure) when it does not.
bool Succeeds(const std::vector<std::string>& command, const std::string& workingDirectory = "",
              std::string* output = nullptr) {
  std::string text;
  int status = test::RunTool(command, text, 600, workingDirectory);
  EXPECT_EQ(status, 0) << command[0] << " " << (command.size() > 1 ? command[1] : "") << ":\n" << text;
  if (output) *output = text;
  return status == 0;
}

std::int64_t ModificationTime(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) != 0 ? -1 : info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
}

/// The program holds the script's icon, data and strings, as llvm-readobj lists them.
void CheckProgram(const std::string& program) {
  std::string output;
  EXPECT_EQ(test::RunTool({test::FindTool("llvm-readobj"), "--coff-resources", program}, output), 0) << output;
  for (const char* type : {"Type: ICON", "Type: GROUP_ICON", "Type: RCDATA", "Type: STRINGTABLE"})
    EXPECT_NE(output.find(type), std::string::npos) << program << " lacks " << type;
}

/// "res" for a .res file, "coff" for an x64 COFF object, else "other".
std::string FileKind(const std::string& path) {
  std::string head = test::ReadFile(path).substr(0, 12);
  if (head.size() == 12 && head.starts_with(std::string("\0\0\0\0\x20\0\0\0\xFF\xFF", 10))) return "res";
  return head.starts_with("\x64\x86") ? "coff" : "other";
}

/// Builds, then: a build with nothing changed leaves `object` alone; touching each of
/// `inputs` (in `source`) compiles it again.
void CheckBuildAndRebuilds(const std::vector<std::string>& build, const std::string& source, const std::string& object,
                           const std::vector<std::string>& inputs) {
  ASSERT_TRUE(Succeeds(build));
  std::int64_t before = ModificationTime(object);
  ASSERT_TRUE(Succeeds(build));
  EXPECT_EQ(ModificationTime(object), before) << "a build with nothing changed compiled the script";
  for (const std::string& input : inputs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(::utimensat(AT_FDCWD, (source + "/" + input).c_str(), nullptr, 0), 0) << input;
    before = ModificationTime(object);
    ASSERT_TRUE(Succeeds(build));
    EXPECT_NE(ModificationTime(object), before) << input << " touched, the script was not compiled";
  }
}

TEST(BuildSystemsTest, CMakeRcLanguage) {
  REQUIRE_TOOLS(tools, "cmake", "ninja", "make", "clang", "lld-link", "ld.lld", "llvm-readobj");
  struct TCase {
    const char *toolchain, *generator, *compiler;  // the name TARVEX is called under
    bool rules;                                    // with TarvexRCRules.cmake
    const char *object, *kind;                     // the compiled script, below the build folder
    std::vector<std::string> rebuiltBy;
  };
  const std::string res = "CMakeFiles/app.dir/app.rc.res", obj = "CMakeFiles/app.dir/app.rc.obj";
  const std::vector<TCase> cases = {
      {"msvc.cmake", "Ninja", "tarvex-rc", true, res.c_str(), "res", {"app.h", "app.ico"}},
      {"msvc.cmake", "Unix Makefiles", "tarvex-rc", true, res.c_str(), "res", {"app.h", "app.ico"}},
      {"gnu.cmake", "Ninja", "tarvex-rc", true, obj.c_str(), "coff", {"app.h", "app.ico"}},
      {"gnu.cmake", "Unix Makefiles", "tarvex-rc", true, obj.c_str(), "coff", {"app.h", "app.ico"}},
      {"gnu.cmake", "Unix Makefiles", "tarvex-windres", true, obj.c_str(), "coff", {"app.h", "app.ico"}},
      // CMake's own rc-style rule: a .res, no dependency file.
      {"gnu.cmake", "Ninja", "tarvex-rc", false, res.c_str(), "res", {}},
      // CMake's own windres rule: a COFF object, under CMake's name for it.
      {"gnu.cmake", "Ninja", "tarvex-windres", false, res.c_str(), "coff", {}},
      // Preprocessed by clang first; clang's dependency file names the header only.
      {"msvc.cmake", "Ninja", "tarvex-llvm-rc", false, res.c_str(), "res", {"app.h"}},
  };
  TTempDir links;
  fs::create_symlink(TARVEX_BINARY, links.File("tarvex-llvm-rc"));
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.toolchain) + ", " + c.generator + ", " + c.compiler + (c.rules ? ", rules" : ""));
    TProject project;
    std::string compiler = (std::string(c.compiler) == "tarvex-llvm-rc" ? links.Path() : CompilerFolder()) + "/";
    std::string build = project.Source() + "/build";
    std::vector<std::string> configure = {
        tools["cmake"], "-S",        project.Source(), "-B",        build,
        "-G",           c.generator, "--toolchain",    c.toolchain, "-DCMAKE_RC_COMPILER=" + compiler + c.compiler};
    if (c.rules)
      configure.push_back("-DCMAKE_USER_MAKE_RULES_OVERRIDE=" + std::string(TARVEX_SOURCE_DIR) +
                          "/cmake/TarvexRCRules.cmake");
    if (!Succeeds(configure, project.Source())) continue;
    CheckBuildAndRebuilds({tools["cmake"], "--build", build}, project.Source(), build + "/" + c.object, c.rebuiltBy);
    CheckProgram(build + "/app.exe");
    EXPECT_EQ(FileKind(build + "/" + c.object), c.kind) << c.object;
  }
}

TEST(BuildSystemsTest, InstalledPackage) {
  REQUIRE_TOOLS(tools, "cmake", "ninja", "clang", "lld-link", "ld.lld", "llvm-readobj", "pkg-config");
  TTempDir prefix;
  ASSERT_TRUE(Succeeds({tools["cmake"], "--install", CompilerFolder(), "--prefix", prefix.Path()}));
  std::string package, pcFile;
  std::vector<std::string> headers;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(prefix.Path())) {
    std::string relative = fs::relative(entry.path(), prefix.Path()).string();
    if (entry.path().filename() == "TarvexConfig.cmake") package = entry.path().parent_path().string();
    if (entry.path().filename() == "tarvex.pc") pcFile = entry.path().string();
    if (!entry.is_directory() && relative.starts_with("include/")) headers.push_back(relative);
  }
  ASSERT_FALSE(package.empty());
  // One public header; the links that pick the other command lines lie beside the program;
  // the pkg-config file finds the headers and the library from where it was installed.
  EXPECT_EQ(headers, std::vector<std::string>{"include/tarvex/tarvex.h"});
  for (const char* link : {"bin/tarvex-rc", "bin/tarvex-windres"})
    EXPECT_EQ(fs::read_symlink(prefix.File(link)), "tarvex") << link;
  std::string flags;
  ASSERT_TRUE(Succeeds({tools["pkg-config"], "--cflags", "--libs", pcFile}, "", &flags));
  for (const auto& [option, file] : {std::pair{"-I", "/tarvex/tarvex.h"}, std::pair{"-L", "/libtarvex_core.a"}}) {
    std::istringstream words(flags);
    std::string word, folder;
    while (words >> word)
      if (word.starts_with(option) && folder.empty()) folder = word.substr(2);
    EXPECT_TRUE(fs::exists(folder + file)) << flags;
  }

  // tarvex_add_resources makes a COFF object for the GNU-style link, a .res for lld-link.
  for (const auto& [toolchain, kind] : {std::pair{"gnu.cmake", "coff"}, std::pair{"msvc.cmake", "res"}}) {
    SCOPED_TRACE(toolchain);
    TProject project;
    std::string build = project.Source() + "/package/build";
    if (!Succeeds({tools["cmake"], "-S", project.Source() + "/package", "-B", build, "-G", "Ninja", "--toolchain",
                   std::string("../") + toolchain, "-DTarvex_DIR=" + package},
                  project.Source() + "/package"))
      continue;
    std::string object = build + "/tarvex/app/__/app" + (std::string(kind) == "coff" ? ".obj" : ".res");
    CheckBuildAndRebuilds({tools["cmake"], "--build", build}, project.Source(), object, {"app.h", "app.ico"});
    CheckProgram(build + "/app.exe");
    EXPECT_EQ(FileKind(object), kind);
  }

  // A project with a host program compiled against the one header: the include folder and
  // the definition reach the compiler, and both outputs link.
  TTempDir work;
  std::string project = work.File("project"), build = project + "/build", output;
  fs::copy(std::string(TARVEX_SOURCE_DIR) + "/tests/cmake_package", project, fs::copy_options::recursive);
  work.Write("project/app.ico", test::ImageFile(1, {test::Image(48, 16, 16, 1)}));
  ASSERT_TRUE(
      Succeeds({tools["cmake"], "-S", project, "-B", build, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + prefix.Path()}));
  CheckBuildAndRebuilds({tools["cmake"], "--build", build}, project, build + "/tarvex/resources/app.res",
                        {"include/resource.h", "app.ico"});
  std::string res = work.Read("project/build/tarvex/resources/app.res");
  std::vector<test::TResEntry> entries = test::ReadResImage(std::vector<std::uint8_t>(res.begin(), res.end()));
  EXPECT_EQ(test::FindEntry(entries, "#10", "#2").data, (std::vector<std::uint8_t>{3, 0}));
  EXPECT_NO_THROW(test::FindEntry(entries, "#14", "#1"));
  for (const char* file : {"app.res", "app.obj"}) {
    std::string input = build + "/tarvex/resources/" + file;
    Succeeds({tools["lld-link"], "/dll", "/noentry", "/machine:x86", "/out:" + input + ".dll", input});
  }
  work.Write("project/good.rc", "#include \"memory.h\"\n1 RCDATA { FROM_MEMORY }\n");
  EXPECT_EQ(test::RunTool({build + "/host", project + "/good.rc"}, output), 0) << output;
  EXPECT_EQ(output, "res of 68 bytes, object of 302 bytes\n");
  work.Write("project/part.rc", "// a part of the script\nSTRINGTABLE { 1 \"not closed }\n");
  work.Write("project/bad.rc", "#include \"part.rc\"\n");
  EXPECT_EQ(test::RunTool({build + "/host", project + "/bad.rc"}, output), 1);
  EXPECT_EQ(output, "error 52 in " + project + "/part.rc line 2\n");
}

TEST(BuildSystemsTest, MesonAndMake) {
  REQUIRE_TOOLS(tools, "meson", "ninja", "make", "clang", "ld.lld", "llvm-readobj");
  TPathFront path;
  {
    SCOPED_TRACE("Meson's windows module");
    TProject project;
    ASSERT_TRUE(Succeeds({tools["meson"], "setup", "--cross-file", "cross-gnu.ini", "build"}, project.Source()));
    std::string build = project.Source() + "/build";
    CheckBuildAndRebuilds({tools["meson"], "compile", "-C", build}, project.Source(), build + "/app.rc_app.o",
                          {"app.h", "app.ico"});
    CheckProgram(build + "/app.exe");
    EXPECT_EQ(FileKind(build + "/app.rc_app.o"), "coff");
  }
  for (bool depfile : {false, true}) {
    SCOPED_TRACE(depfile ? "the Makefile with a dependency file" : "the Makefile's rule as it is");
    TProject project;
    std::vector<std::string> build = {tools["make"], "-C", project.Source()};
    if (depfile) build.push_back("RCDEPFLAGS=-MD");
    CheckBuildAndRebuilds(build, project.Source(), project.Source() + "/app.o",
                          depfile ? std::vector<std::string>{"app.h", "app.ico"} : std::vector<std::string>{});
    CheckProgram(project.Source() + "/app.exe");
    EXPECT_EQ(FileKind(project.Source() + "/app.o"), "coff");
  }
}

}  // namespace
}  // namespace tarvex
