// The resource report in a real browser: headless Chromium loads the page of the bundled
// example and reports, through the page's own check, that every control was drawn at the
// rectangle computed for it and that no script failed; and the page of every corpus
// script that compiles loads without a script error. End-to-end: run with TARVEX_E2E=1.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "output/html_report.h"
#include "reader/utf16.h"
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

// The DOM the browser dumps after loading `page`, with a fresh profile; pages of the same
// folder may reach into each other's frames.
std::string DumpDom(const std::string& page) {
  TTempDir profile;
  std::string output;
  EXPECT_EQ(test::RunTool({Browser(), "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                           "--disable-background-networking", "--user-data-dir=" + profile.Path(),
                           "--allow-file-access-from-files", "--dump-dom", "file://" + page},
                          output, 240),
            0)
      << output;
  return output;
}

// The page of `script` compiled with `options` from `folder`; empty after a failure.
std::string PageOf(const std::string& folder, const std::string& script, const TCompileOptions& options) {
  test::TWorkingDirectory cwd(folder);
  TCompileOptions withNames = options;
  withNames.defineNames = true;
  TCompilation compilation = CompileToImage(script, {}, withNames);
  if (!compilation.Succeeded()) return {};
  return BuildHtmlReport(ReadResources(compilation.image, script), compilation.defineNames, script);
}

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* e2e = std::getenv("TARVEX_E2E");
    if (!e2e || std::string(e2e) != "1") GTEST_SKIP() << "end-to-end test; set TARVEX_E2E=1";
    ASSERT_FALSE(Browser().empty()) << "Chromium is needed (Debian package chromium)";
  }
};

TEST_F(BrowserTest, TheExamplePageDrawsEveryControlWhereItBelongs) {
  TTempDir dir;
  std::string page = PageOf(std::string(TARVEX_SOURCE_DIR) + "/examples", "example.rc", {});
  ASSERT_FALSE(page.empty());
  dir.Write("example.html", page);
  std::smatch match;
  std::string dom = DumpDom(dir.File("example.html"));
  std::string body = std::regex_search(dom, match, std::regex("<body[^>]*>")) ? match.str() : "no body in:\n" + dom;
  EXPECT_NE(body.find("data-layout-check=\"ok\""), std::string::npos) << body;
  EXPECT_EQ(body.find("data-script-error"), std::string::npos) << body;
}

// The corpus as corpus_test.cpp reads it: one page per script that compiles, all loaded
// by one browser run through an index page of frames that collects what each page says.
TEST_F(BrowserTest, EveryCorpusPageLoadsWithoutAScriptError) {
  std::error_code missing;
  const char* named = std::getenv("TARVEX_CORPUS");
  std::string corpus = std::filesystem::canonical(
      named ? std::string(named) : std::string(TARVEX_SOURCE_DIR) + "/../shared/corpus", missing);
  if (missing || !std::filesystem::exists(corpus + "/scripts.tsv")) GTEST_SKIP() << "no corpus beside the sources";
  std::ifstream list(corpus + "/scripts.tsv");
  std::string line;
  std::getline(list, line);  // column names
  std::string previousLocale = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "");  // the program's: script text in the environment's character set
  TTempDir dir;
  std::string frames;
  std::size_t pages = 0;
  for (int row = 0; std::getline(list, line); ++row) {
    std::vector<std::string> cells;
    std::stringstream cellStream(line);
    for (std::string cell; std::getline(cellStream, cell, '\t');) cells.push_back(cell);
    if (cells.size() < 7 || cells[6] != "compile") continue;
    std::string setDir = corpus + "/" + cells[0];
    TCompileOptions options;
    std::stringstream includes(cells[3] == "-" ? "" : cells[3]), defines(cells[4] == "-" ? "" : cells[4]);
    for (std::string item; includes >> item;) options.includeDirectories.push_back(setDir + "/" + item);
    for (std::string item; defines >> item;) options.defines.push_back(item);
    if (cells[5] != "-") CodePageCharset(cells[5], options.codePage);
    std::string page = PageOf(setDir + "/" + cells[2], setDir + "/" + cells[1], options);
    if (page.empty()) continue;  // corpus_test.cpp reports the scripts that do not compile
    std::string name = std::to_string(row) + ".html";
    dir.Write(name, page);
    frames += "<iframe src=\"" + name + "\" title=\"" + cells[0] + "/" + cells[1] + "\"></iframe>\n";
    ++pages;
  }
  std::setlocale(LC_ALL, previousLocale.c_str());
  ASSERT_GT(pages, 0u);
  dir.Write("index.html", "<!DOCTYPE html><html><body>\n" + frames + R"(<script>
window.addEventListener('load', function() {
  var lines = [], frames = document.querySelectorAll('iframe');
  for (var i = 0; i < frames.length; i++) {
    var body = frames[i].contentDocument && frames[i].contentDocument.body;
    lines.push(frames[i].title + ' ' + (body ? (body.getAttribute('data-layout-check') + ' | ' +
               (body.getAttribute('data-script-error') || 'no error')) : 'not loaded'));
  }
  var pre = document.createElement('pre');
  pre.id = 'results';
  pre.textContent = '\n' + lines.join('\n') + '\n';
  document.body.appendChild(pre);
});
</script></body></html>
)");
  std::string dom = DumpDom(dir.File("index.html"));
  std::size_t start = dom.find("<pre id=\"results\">"), end = dom.find("</pre>", start);
  ASSERT_NE(start, std::string::npos) << dom.substr(0, 2000);
  std::stringstream results(dom.substr(start, end - start));
  std::size_t reported = 0;
  for (std::string result; std::getline(results, result);) {
    if (result.find(" | ") == std::string::npos) continue;
    ++reported;
    EXPECT_NE(result.find(" ok | no error"), std::string::npos) << result;
  }
  EXPECT_EQ(reported, pages);
}

}  // namespace
}  // namespace tarvex
