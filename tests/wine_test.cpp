// Windows reads what the script says: tests/wine/resdump.c, linked with the COFF object of a
// script, prints under Wine what the Windows API gives for each resource. Runs only when
// TARVEX_E2E=1; then a missing Wine or MinGW compiler is a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "tests/external_tools.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;

constexpr int kBootSeconds = 600;  // a fresh prefix on a busy machine
constexpr int kStepSeconds = 180;

/// One Wine prefix and one compiled dump program for the whole run of the test binary:
/// making a prefix takes Wine tens of seconds. The graphics driver is set to null, so that
/// dialogs are created without a display. The prefix's server is stopped after the last test.
struct TWine : ::testing::Environment {
  std::string env, loader, server, gcc;
  std::unique_ptr<test::TTempDir> home;  // prefix/ and resdump.o
  std::string failure;                   // why Wine cannot run the tests; empty when ready
  bool prepared = false;

  /// `arguments` run by Wine in the prefix, headless and without debug output.
  std::vector<std::string> Command(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {env, "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "WINEARCH=win64"};
    for (const char* setting : {"WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=", "WINEPREFIX="})
      command.push_back(setting);
    command.back() += home->File("prefix");
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
  }

  void Prepare() {
    prepared = true;
    loader = test::FindTool("wine64");
    if (loader.empty() && access("/usr/lib/wine/wine64", X_OK) == 0) loader = "/usr/lib/wine/wine64";
    if (loader.empty()) loader = test::FindTool("wine");
    server = fs::path(loader).parent_path() / "wineserver";
    if (loader.empty() || access(server.c_str(), X_OK) != 0) server = test::FindTool("wineserver");
    gcc = test::FindTool("x86_64-w64-mingw32-gcc");
    env = test::FindTool("env");
    if (loader.empty() || server.empty() || gcc.empty() || env.empty())
      failure = "missing wine64, wineserver (package wine64) or x86_64-w64-mingw32-gcc (gcc-mingw-w64-x86-64)";
    if (!failure.empty()) return;
    home = std::make_unique<test::TTempDir>();
    std::string output;
    if (test::RunTool({gcc, "-O1", "-Wall", "-Werror", "-c", "-o", home->File("resdump.o"),
                       std::string(TARVEX_SOURCE_DIR) + "/tests/wine/resdump.c"},
                      output, kStepSeconds) != 0)
      failure = "resdump.c does not compile:\n" + output;
    else if (test::RunTool(
                 Command({loader, "reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"}),
                 output, kBootSeconds) != 0)
      failure = "Wine could not make its prefix:\n" + output;
  }

  void TearDown() override {
    std::string ignored;
    if (home) test::RunTool({env, "WINEPREFIX=" + home->File("prefix"), server, "-k"}, ignored, kStepSeconds);
    home.reset();
  }
};

TWine* const kWine = static_cast<TWine*>(::testing::AddGlobalTestEnvironment(new TWine));

/// A script and the files it reads.
struct TWineCase {
  std::vector<std::pair<std::string, std::string>> files;  ///< name and contents
  std::string script;                                      ///< the file compiled, one of `files`
};

/// Writes the files into a fresh folder, compiles the script there into a COFF object,
/// links resdump with it and returns what resdump prints under Wine. A failing step is a
/// test failure, and its output is returned.
std::string DumpOf(const TWine& wine, const TWineCase& row) {
  test::TTempDir dir;
  for (const auto& [name, contents] : row.files) dir.Write(name, contents);
  std::string output;
  const std::vector<std::vector<std::string>> steps = {
      {TARVEX_BINARY, "--coff", "--machine=x64", row.script, "script.obj"},
      {wine.gcc, "-o", "resdump.exe", wine.home->File("resdump.o"), "script.obj", "-luser32", "-lgdi32", "-lversion"},
      wine.Command({wine.loader, "resdump.exe"})};
  for (const std::vector<std::string>& step : steps)
    if (test::RunTool(step, output, kStepSeconds, dir.Path()) != 0) {
      ADD_FAILURE() << step[0] << " failed:\n" << output;
      break;
    }
  return output;
}

/// Every file of a folder of the sources.
std::vector<std::pair<std::string, std::string>> SourceFiles(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : fs::directory_iterator(std::string(TARVEX_SOURCE_DIR) + "/" + folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    files.emplace_back(entry.path().filename().string(), contents.str());
  }
  return files;
}

TEST(WineTest, WindowsReadsWhatTheScriptSays) {
  const char* e2e = std::getenv("TARVEX_E2E");
  if (!e2e || std::string(e2e) != "1") GTEST_SKIP() << "end-to-end tests run with TARVEX_E2E=1";
  if (!kWine->prepared) kWine->Prepare();
  ASSERT_TRUE(kWine->failure.empty()) << kWine->failure;
  // The bundled example. Wine's "MS Shell Dlg" at 8 points measures 6 by 12 pixels per 4 by 8
  // dialog units; resdump's line format is described in resdump.c.
  std::string dump = DumpOf(*kWine, {SourceFiles("examples"), "example.rc"});
  for (const char* piece :
       {"resource #2 #2 0409\n  bitmap 8x8 bpp=24\n",
        // GRAYED is MF_GRAYED; popups carry no id.
        "    popup type=0x0 state=0x0 \"&Recent\"\n      item type=0x0 state=0x1 id=1002 \"(empty)\"\n",
        // IDC_STATIC: a DIALOG's id is 16 bits (65535), a DIALOGEX's 32 bits (-1).
        "  control class=\"Static\" style=0x50000003 exstyle=0x4 id=65535 text=#1 rect=15,15,47,47 icon=32x32\n",
        "  control class=\"Static\" style=0x50020000 exstyle=0x4 id=-1 text=\"&Name:\" rect=15,18,75,30\n",
        "resource #6 #1 0407\n  string 1 \"TARVEX Beispiel\"\n",
        "  accel fvirt=0x9 key=0x4f cmd=1001\n",  // FVIRTKEY | FCONTROL with "O"
        // The icon group's best image for the system size.
        "resource #14 #1 0409\n  icon chosen=#1 size=16x16 default=32x32\n",
        "version fixed signature=0xfeef04bd struc=0x10000 file=1.0.0.1 product=1.0.0.1",
        // A string's length counts its terminating zero.
        "version string \"040904b0\" \"CompanyName\" len=15 \"TARVEX example\"\n"})
    EXPECT_NE(dump.find(piece), std::string::npos) << piece << dump;
}

}  // namespace
}  // namespace tarvex
