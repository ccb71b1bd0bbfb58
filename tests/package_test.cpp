// End to end: the packages cpack makes in the build folder. The .deb holds the program
// with its links, the library, the manual pages and the completion; unpacked, the program
// and both links compile the bundled example, each manual page shows without a warning,
// and the bash completion answers. The .tar.gz holds the same tree. Runs only with
// TARVEX_E2E=1, and then a missing tool fails the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "tests/external_tools.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;

/// What `command` printed; a failure when it does not succeed.
std::string Output(const std::vector<std::string>& command, const std::string& workingDirectory = "") {
  std::string output;
  EXPECT_EQ(test::RunTool(command, output, 600, workingDirectory), 0) << command[0] << ":\n" << output;
  return output;
}

/// The paths of a listing (`dpkg-deb --contents`, `tar tzvf`): the last field of each
/// line, without its leading "./" or top folder and without a link's target.
std::set<std::string> ListedPaths(const std::string& listing, const std::string& top) {
  std::set<std::string> paths;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    std::size_t arrow = line.find(" -> ");
    if (arrow != std::string::npos) line.erase(arrow);
    std::string path = line.substr(line.rfind(' ') + 1);
    if (path.starts_with(top)) path.erase(0, top.size());
    if (!path.empty() && path.back() != '/') paths.insert(path);
  }
  return paths;
}

TEST(PackageTest, DebianPackageAndArchive) {
  const char* e2e = std::getenv("TARVEX_E2E");
  if (!e2e || std::string(e2e) != "1") GTEST_SKIP() << "the packages are made with TARVEX_E2E=1";
  std::string cpack = test::FindTool("cpack"), dpkgDeb = test::FindTool("dpkg-deb"), man = test::FindTool("man");
  std::string bash = test::FindTool("bash"), tar = test::FindTool("tar");
  ASSERT_FALSE(cpack.empty() || dpkgDeb.empty() || man.empty() || bash.empty() || tar.empty())
      << "cpack, dpkg-deb (dpkg-dev), man (man-db), bash and tar are needed; test.sh installs them";
  test::TTempDir dir;
  Output({cpack, "--config", TARVEX_BUILD_DIR "/CPackConfig.cmake", "-G", "DEB;TGZ", "-B", dir.File("out")},
         TARVEX_BUILD_DIR);
  std::string deb, archive;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir.File("out"))) {
    std::string name = entry.path().filename().string();
    if (name.starts_with("tarvex_" TARVEX_VERSION "_") && name.ends_with(".deb")) deb = entry.path().string();
    if (name.starts_with("tarvex-" TARVEX_VERSION) && name.ends_with(".tar.gz")) archive = entry.path().string();
  }
  ASSERT_FALSE(deb.empty() || archive.empty()) << "no tarvex_" TARVEX_VERSION "_<arch>.deb or .tar.gz";

  EXPECT_EQ(Output({dpkgDeb, "--field", deb, "Package", "Version"}), "Package: tarvex\nVersion: " TARVEX_VERSION "\n");
  EXPECT_NE(Output({dpkgDeb, "--field", deb, "Depends"}).find("libc6"), std::string::npos);
  std::set<std::string> files = ListedPaths(Output({dpkgDeb, "--contents", deb}), ".");
  for (const char* path :
       {"/usr/bin/tarvex", "/usr/bin/tarvex-rc", "/usr/bin/tarvex-windres", "/usr/include/tarvex/tarvex.h",
        "/usr/lib/libtarvex_core.a", "/usr/lib/cmake/Tarvex/TarvexConfig.cmake",
        "/usr/lib/cmake/Tarvex/TarvexRCRules.cmake", "/usr/lib/pkgconfig/tarvex.pc", "/usr/share/man/man1/tarvex.1",
        "/usr/share/man/man1/tarvex-rc.1", "/usr/share/man/man1/tarvex-windres.1",
        "/usr/share/bash-completion/completions/tarvex", "/usr/share/bash-completion/completions/tarvex-rc",
        "/usr/share/zsh/site-functions/_tarvex", "/usr/share/doc/tarvex/sdk_symbols.NOTICE",
        "/usr/share/doc/tarvex/README.md", "/usr/share/doc/tarvex/CHANGELOG.md"})
    EXPECT_TRUE(files.contains(path)) << path;
  std::string top = fs::path(archive).filename().string();
  top.erase(top.size() - 7);  // .tar.gz
  EXPECT_EQ(ListedPaths(Output({tar, "tzvf", archive}), top), files);

  std::string root = dir.File("root");
  Output({dpkgDeb, "-x", deb, root});
  fs::copy(TARVEX_SOURCE_DIR "/examples", dir.File("example"), fs::copy_options::recursive);
  std::string bin = root + "/usr/bin/";
  const std::vector<std::vector<std::string>> runs = {
      {bin + "tarvex", "example.rc", "native.res"},
      {bin + "tarvex-rc", "/fo", "rc.res", "example.rc"},
      {bin + "tarvex-windres", "-i", "example.rc", "-o", "windres.o"},
  };
  for (const std::vector<std::string>& run : runs) Output(run, dir.File("example"));
  EXPECT_EQ(test::ReadFile(dir.File("example/native.res")).substr(0, 8), std::string("\0\0\0\0\x20\0\0\0", 8));
  EXPECT_EQ(test::ReadFile(dir.File("example/rc.res")).substr(0, 8), std::string("\0\0\0\0\x20\0\0\0", 8));
  EXPECT_EQ(test::ReadFile(dir.File("example/windres.o")).substr(0, 2), "\x64\x86");  // an x64 COFF object
  EXPECT_NE(Output({bin + "tarvex", "--version"}).find(TARVEX_VERSION), std::string::npos);

  for (const char* page : {"tarvex", "tarvex-rc", "tarvex-windres"}) {
    std::string path = root + "/usr/share/man/man1/" + page + ".1";
    EXPECT_EQ(Output({bash, "-c", "\"$0\" --warnings -l \"$1\" 2>&1 >/dev/null", man, path}), "") << page;
  }
  // The completion as bash-completion loads it: the program and both links, and the
  // machines offered after --machine= (split at "=", as bash splits the line).
  std::string script =
      "source \"$0\" && complete -p tarvex tarvex-rc tarvex-windres && "
      "COMP_LINE='tarvex --machine=x' COMP_WORDS=(tarvex --machine = x) COMP_CWORD=3 && _tarvex && "
      "echo \"${COMPREPLY[*]}\"";
  EXPECT_EQ(Output({bash, "-c", script, root + "/usr/share/bash-completion/completions/tarvex"}),
            "complete -F _tarvex tarvex\ncomplete -F _tarvex_rc tarvex-rc\ncomplete -F _tarvex_windres "
            "tarvex-windres\nx86 x64\n");
}

}  // namespace
}  // namespace tarvex
