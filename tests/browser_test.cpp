// The resource report in a real browser: headless Chromium loads the page of the bundled
// example and reports, through the page's own check, that every control was drawn at the
// rectangle computed for it and that no script failed. End-to-end: run with TARVEX_E2E=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "output/html_report.h"
#include "statements/compile_api.h"
#include "tests/external_tools.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;

std::string Browser() {
  for (const char* name : {"chromium", "chromium-browser", "google-chrome"})
    if (std::string path = test::FindTool(name); !path.empty()) return path;
  return {};
}

TEST(BrowserTest, TheExamplePageDrawsEveryControlWhereItBelongs) {
  const char* e2e = std::getenv("TARVEX_E2E");
  if (!e2e || std::string(e2e) != "1") GTEST_SKIP() << "end-to-end test; set TARVEX_E2E=1";
  ASSERT_FALSE(Browser().empty()) << "Chromium is needed (Debian package chromium)";
  TTempDir dir, profile;
  {
    test::TWorkingDirectory cwd(std::string(TARVEX_SOURCE_DIR) + "/examples");
    TCompileOptions options;
    options.defineNames = true;
    TCompilation compilation = CompileToImage("example.rc", {}, options);
    ASSERT_TRUE(compilation.Succeeded()) << compilation.errorText;
    dir.Write("example.html",
              BuildHtmlReport(ReadResources(compilation.image, "example.rc"), compilation.defineNames, "example.rc"));
  }
  std::string dom;
  EXPECT_EQ(test::RunTool({Browser(), "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                           "--disable-background-networking", "--user-data-dir=" + profile.Path(), "--dump-dom",
                           "file://" + dir.File("example.html")},
                          dom, 240),
            0)
      << dom;
  std::smatch match;
  std::string body = std::regex_search(dom, match, std::regex("<body[^>]*>")) ? match.str() : "no body in:\n" + dom;
  EXPECT_NE(body.find("data-layout-check=\"ok\""), std::string::npos) << body;
  EXPECT_EQ(body.find("data-script-error"), std::string::npos) << body;
}

}  // namespace
}  // namespace tarvex
