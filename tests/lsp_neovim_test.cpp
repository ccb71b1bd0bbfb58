// End-to-end: Neovim's own LSP client, headless, against tarvex --lsp. It opens a
// script with an undefined id, waits for the diagnostic, asks for a hover and a
// definition and writes what it got (tests/lsp/neovim_session.lua). Runs only with
// TARVEX_E2E=1, and fails when nvim is not installed (test.sh installs it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/test_support.h"

namespace tarvex {
namespace {

TEST(LspNeovim, DiagnosticHoverAndDefinitionInARealEditor) {
  const char* e2e = std::getenv("TARVEX_E2E");
  if (!e2e || std::string(e2e) != "1") GTEST_SKIP() << "end-to-end test; set TARVEX_E2E=1";
  if (std::system("command -v nvim >/dev/null 2>&1") != 0) FAIL() << "nvim is not installed (Debian: neovim)";
  test::TTempDir dir;
  dir.Write("resource.h", "#define IDD_MAIN 100\n#define IDC_NAME 1001\n");
  dir.Write("app.rc",
            "#include \"resource.h\"\n"
            "IDD_MAIN DIALOG 0, 0, 120, 60\n"
            "{ PUSHBUTTON \"OK\", IDC_NAME, 5, 5, 50, 14\n"
            "  EDITTEXT IDC_MISSING, 5, 25, 80, 12 }\n");
  std::string command = "cd '" + dir.Path() + "' && TARVEX_LSP_PROGRAM='" + TARVEX_BINARY + "' TARVEX_LSP_FOLDER='" +
                        dir.Path() + "' TARVEX_LSP_OUT='" + dir.File("out") +
                        "' timeout 60 nvim --headless --clean -c 'luafile " TARVEX_SOURCE_DIR
                        "/tests/lsp/neovim_session.lua' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(dir.Read("out"),
            "diagnostic 3:11-3:22 RC100 Control identifier (smallint) expected\n"
            "hover **IDC_NAME** = 1001 (0x3E9)\n\n```c\n#define IDC_NAME 1001\n```\nresource.h:2\n"
            "definition resource.h 1:8\n"
            "stopped true\n");
}

}  // namespace
}  // namespace tarvex
