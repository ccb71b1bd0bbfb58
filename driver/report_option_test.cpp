// The options that show what a compilation produced: --html writes the resource report
// page beside the .res, --list prints one line per resource; both also read a .res file.
#include <gtest/gtest.h>

#include <sstream>

#include "driver/driver.h"
#include "driver/windres_command_line.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

const std::string kBanner = "TARVEX resource compiler version " TARVEX_VERSION "\n";
const std::string kError0 = "Error[0] in line [0]: ";
const std::string kScript =
    "#define IDD_MAIN 5\n1 RCDATA { 1 }\nSTRINGTABLE { 1 \"a\" }\nIDD_MAIN DIALOG 0, 0, 10, 10 {}\n";
const std::string kListing = "RCDATA 1 0x0000 0x0030 2\nDIALOG 5 0x0000 0x1030 24\nSTRING 1 0x0000 0x1030 34\n";

class ReportOptionTest : public ::testing::Test {
 protected:
  ReportOptionTest() { dir_.Write("a.rc", kScript); }

  /// Everything the run printed, and its status.
  std::pair<int, std::string> Run(const std::vector<std::string>& args) {
    std::ostringstream out;
    int status = RunDriver(args, out);
    return {status, out.str()};
  }

  test::TTempDir dir_;
  test::TWorkingDirectory cwd_{dir_.Path()};
};

TEST_F(ReportOptionTest, ListingOfAScriptOfItsResFileAndItsErrors) {
  EXPECT_EQ(Run({"--list", "a.rc"}), std::make_pair(0, kListing));
  EXPECT_EQ(Run({"a"}).first, 0);  // a.rc into a.res
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.rc", "a.res"}));
  EXPECT_EQ(Run({"a.res", "--list"}), std::make_pair(0, kListing));
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.rc", "a.res"}));  // nothing written
  dir_.Write("bad.rc", "1 RCDATA {\n");
  dir_.Write("cut.res", dir_.Read("a.res").substr(0, 40));
  const std::vector<std::pair<std::vector<std::string>, std::string>> failures = {
      {{"--list", "bad.rc"}, "Error[9] in line [2]: File bad.rc. Line 2 : 9. \"}\" or END expected"},
      {{"--list", "cut.res"}, kError0 + "File cut.res. Offset 32 : header of 32 bytes runs past the end of the file"},
      {{"--list"}, kError0 + "Option --list takes one input: a script, a .res file or a program"},
      {{"--list", "--html", "p.html", "a.rc"}, kError0 + "Options --list and --html exclude each other"},
  };
  for (const auto& [args, line] : failures) EXPECT_EQ(Run(args), std::make_pair(1, line + "\n"));
}

TEST_F(ReportOptionTest, HtmlPageWrittenBesideTheResAfterASuccess) {
  EXPECT_EQ(Run({"--html", "page.html", "a.rc"}),
            std::make_pair(0, kBanner + "Compiling file: a.rc into a.res...\nCompiled successful.\n"));
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.rc", "a.res", "page.html"}));
  EXPECT_NE(dir_.Read("page.html").find("5<span class=\"nm\"> IDD_MAIN</span>"), std::string::npos);

  // A .res file gives the page without the names.
  EXPECT_EQ(Run({"--html", "res.html", "a.res"}),
            std::make_pair(0, kBanner + "Reading file: a.res into res.html...\nCompiled successful.\n"));
  EXPECT_EQ(dir_.Read("res.html").find("IDD_MAIN"), std::string::npos);

  // The windres-style line writes the page as its output, and nothing else.
  std::ostringstream out, err;
  EXPECT_EQ(RunWindresCommandLine({"-O", "html", "a.rc", "w.html"}, "windres", out, err), 0) << err.str();
  EXPECT_EQ(out.str() + err.str(), "");
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.rc", "a.res", "page.html", "res.html", "w.html"}));
}

TEST_F(ReportOptionTest, HtmlOptionErrorsLeaveNoPage) {
  dir_.Write("bad.rc", "1 RCDATA {\n");
  dir_.Write("cut.res", std::string("\0\0\0\0\x20\0\0\0\xFF\xFF\0\0\xFF\xFF\0\0", 16) + std::string(20, '\0'));
  const std::vector<std::pair<std::vector<std::string>, std::string>> failures = {
      {{"--html", "p.html", "-d", "a.rc"},
       kError0 + "Option --html writes the page of one input: not with several scripts, a wildcard or -d\n"},
      {{"a.rc", "--html"}, kError0 + "Option --html needs a file name\n"},
      {{"--html", "p.html", "bad.rc"},
       "Compiling file: bad.rc into bad.res...\nError[9] in line [2]: File bad.rc. Line 2 : 9. \"}\" or END "
       "expected\n"},
      {{"--html", "p.html", "cut.res"},
       "Reading file: cut.res into p.html...\nError[0] in line [0]: File cut.res. Offset 32 : resource header runs "
       "past the end of the file\n"},
      {{"cut.res"}, kError0 + "File cut.res holds compiled resources: only --html and --list read it\n"},
  };
  for (const auto& [args, lines] : failures) {
    EXPECT_EQ(Run(args), std::make_pair(1, kBanner + lines));
    for (const std::string& name : dir_.List()) EXPECT_EQ(name.find(".html"), std::string::npos) << name;
  }
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.rc", "bad.rc", "cut.res"}));
}

}  // namespace
}  // namespace tarvex
