// The warning options on the three command lines: what each prints, the exit status and
// the files left; without an option nothing printed changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "driver/driver.h"
#include "driver/rc_command_line.h"
#include "driver/windres_command_line.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

const std::string kBanner = "TARVEX resource compiler version " TARVEX_VERSION "\n";
const std::string kScript =
    "1 DIALOG 0, 0, 200, 100\n{\n  PUSHBUTTON \"A\", 7, 10, 10, 40, 14\n\tPUSHBUTTON \"B\", 7, 60, 10, 40, 14\n}\n";
const std::string kCompiled = kBanner + "Compiling file: a.rc into a.res...\n";
const std::string kWarningLine =
    "Warning[-Wduplicate-id] in line [4]: File a.rc. Line 4 : control id 7 is also used at line 3\n";
const std::string kGnuWarning =
    "a.rc:4:2: warning: control id 7 is also used at line 3 [-Wduplicate-id]\n"
    "\tPUSHBUTTON \"B\", 7, 60, 10, 40, 14\n"
    "\t^\n"
    "a.rc:3:3: note: first used here\n"
    "  PUSHBUTTON \"A\", 7, 10, 10, 40, 14\n"
    "  ^\n";

class WarningOptionsTest : public ::testing::Test {
 protected:
  WarningOptionsTest() { dir_.Write("a.rc", kScript); }

  /// The status, the standard output and the standard error of a native run.
  std::tuple<int, std::string, std::string> Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = RunDriver(args, out, err);
    return {status, out.str(), err.str()};
  }

  test::TTempDir dir_;
  test::TWorkingDirectory cwd_{dir_.Path()};
};

TEST_F(WarningOptionsTest, NativeLine) {
  const std::vector<std::tuple<std::vector<std::string>, int, std::string, std::string, bool>> cases = {
      // arguments, status, output, error stream, .res written
      {{"a.rc"}, 0, kCompiled + "Compiled successful.\n", "", true},
      {{"-Wall", "a.rc"}, 0, kCompiled + kWarningLine + "Compiled successful.\n", "", true},
      {{"a.rc", "-Wduplicate-id"}, 0, kCompiled + kWarningLine + "Compiled successful.\n", "", true},
      {{"-Wall", "-Wno-duplicate-id", "a.rc"}, 0, kCompiled + "Compiled successful.\n", "", true},
      {{"-Wicon", "a.rc"}, 0, kCompiled + "Compiled successful.\n", "", true},
      {{"-Wall", "-Werror", "a.rc"},
       1,
       kCompiled + kWarningLine + "Error[0] in line [0]: 1 warning treated as errors (-Werror)\n",
       "",
       false},
      {{"-Wall", "--diagnostics=gnu", "a.rc"}, 0, "", kGnuWarning, true},
      {{"-Wall", "-Werror", "--diagnostics=gnu", "a.rc"},
       1,
       "",
       "a.rc:4:2: error: control id 7 is also used at line 3 [-Werror=duplicate-id]\n" + kGnuWarning.substr(kGnuWarning.find('\n') + 1) +
           "tarvex: error: 1 warning treated as errors (-Werror)\n",
       false},
      {{"-Wduplicate", "a.rc"},
       1,
       kBanner + "Error[0] in line [0]: Unknown warning option -Wduplicate (warnings: duplicate-id, mnemonic, "
                 "outside, overlap, accelerator, missing-translation, version, icon)\n",
       "",
       false},
  };
  for (const auto& [args, status, out, err, written] : cases) {
    std::filesystem::remove(dir_.File("a.res"));
    EXPECT_EQ(Run(args), std::make_tuple(status, out, err)) << args[0] << " " << args[1];
    EXPECT_EQ(dir_.Exists("a.res"), written) << args[0] << " " << args[1];
  }
}

// At most 100 warnings are printed, then the count of the others.
TEST_F(WarningOptionsTest, MostPrintedThenACount) {
  std::string script = "1 DIALOG 0, 0, 200, 100\n{\n";
  for (int i = 0; i < 103; ++i) script += "  LTEXT \"x\", 7, 0, 0, 1, 1\n";
  dir_.Write("many.rc", script + "}\n");
  auto [status, out, err] = Run({"-Wduplicate-id", "many.rc"});
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("Line 103 : control id 7"), std::string::npos);
  EXPECT_EQ(out.find("Line 104 : control id 7"), std::string::npos);
  EXPECT_NE(out.find("\nWarning: 2 more warnings not shown\nCompiled successful.\n"), std::string::npos);
  std::tie(status, out, err) = Run({"-Wduplicate-id", "--diagnostics=gnu", "many.rc"});
  EXPECT_NE(err.find("^\ntarvex: note: 2 more warnings not shown\n"), std::string::npos);
}

// The rc.exe-style and windres-style lines print in the line:column form on standard error.
TEST_F(WarningOptionsTest, CompatibleLines) {
  std::ostringstream out, err;
  EXPECT_EQ(RunRcCommandLine({"/Wall", "/fo", "r.res", "a.rc"}, out, err), 0);
  EXPECT_EQ(out.str() + err.str(), kGnuWarning);
  EXPECT_TRUE(dir_.Exists("r.res"));
  err.str("");
  EXPECT_EQ(RunRcCommandLine({"-Wall", "-Werror", "/fo", "e.res", "a.rc"}, out, err), 1);
  EXPECT_FALSE(dir_.Exists("e.res"));
  EXPECT_NE(err.str().find("tarvex: error: 1 warning treated as errors (-Werror)\n"), std::string::npos);
  err.str("");
  EXPECT_EQ(RunRcCommandLine({"/w", "/fo", "q.res", "a.rc"}, out, err), 0);  // rc.exe's /w stays what it was
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(RunWindresCommandLine({"-Wall", "-Wno-duplicate-id", "a.rc", "w.res"}, "windres", out, err), 0);
  EXPECT_EQ(out.str() + err.str(), "");
  EXPECT_EQ(RunWindresCommandLine({"-Wduplicate-id", "-O", "res", "a.rc", "v.res"}, "windres", out, err), 0);
  EXPECT_EQ(out.str() + err.str(), kGnuWarning);
  err.str("");
  EXPECT_EQ(RunWindresCommandLine({"-Wall", "-Werror", "-O", "res", "a.rc", "x.res"}, "windres", out, err), 1);
  EXPECT_FALSE(dir_.Exists("x.res"));
  err.str("");
  EXPECT_EQ(RunWindresCommandLine({"-Wnone", "a.rc", "y.res"}, "windres", out, err), 1);
  EXPECT_NE(err.str().find("Unknown warning option -Wnone"), std::string::npos);
}

// The report page lists every warning, in a section and beside its resource, with or
// without a warning option.
TEST_F(WarningOptionsTest, ReportPageListsWarnings) {
  EXPECT_EQ(std::get<0>(Run({"--html", "page.html", "a.rc"})), 0);
  std::string page = dir_.Read("page.html");
  EXPECT_NE(page.find("<section id=\"warnings\"><h2>Warnings <span class=\"meta\">&#xB7; 1</span></h2>"),
            std::string::npos);
  EXPECT_NE(page.find("<a href=\"#warning-1\"><span class=\"meta\">a.rc:4:2</span> control id 7 is also used at line "
                      "3 <span class=\"meta\">[-Wduplicate-id]</span></a>"),
            std::string::npos);
  EXPECT_NE(page.find("<li id=\"warning-1\">"), std::string::npos);
  dir_.Write("clean.rc", "1 DIALOG 0, 0, 200, 100\n{\n}\n");
  EXPECT_EQ(std::get<0>(Run({"--html", "clean.html", "clean.rc"})), 0);
  EXPECT_EQ(dir_.Read("clean.html").find("id=\"warnings\""), std::string::npos);
}

}  // namespace
}  // namespace tarvex
