#include "driver/lsp_settings.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

TEST(LspSettings, CommandsSplitAsAShellSplitsThem) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"rc /i inc a.rc", {"rc", "/i", "inc", "a.rc"}},
      {"rc \"/dNAME=\\\"x y\\\"\" 'a b.rc'", {"rc", "/dNAME=\"x y\"", "a b.rc"}},
      {"  rc\\ x   -I''  ", {"rc x", "-I"}},
  };
  for (const auto& [command, words] : cases) EXPECT_EQ(SplitCommand(command), words) << command;
}

TEST(LspSettings, ArgumentsOfEveryCommandLineForm) {
  TLspSettings settings = SettingsFromArguments(
      {"tarvex-windres", "-Iinc", "--include-dir=/abs", "/i", "rel", "-DA=1", "/d", "B", "--define", "C", "-UD",
       "-c", "1252", "--include-directory=nope", "-Wall", "-Wno-icon", "-o", "x.res", "a.rc"},
      "/w");
  EXPECT_EQ(settings.includeDirectories, (std::vector<std::string>{"/w/inc", "/abs", "/w/rel"}));
  EXPECT_EQ(settings.defines, (std::vector<std::string>{"A=1", "B", "C"}));
  EXPECT_EQ(settings.undefines, (std::vector<std::string>{"D"}));
  EXPECT_EQ(settings.codePage, 1252u);
  EXPECT_EQ(settings.warningOptions, (std::vector<std::string>{"-Wall", "-Wno-icon"}));
}

TEST(LspSettings, JsonObjectsWithMembersOfTheWrongTypeIgnored) {
  TLspSettings settings = SettingsFromJson(
      nlohmann::json::parse(R"({"includeDirectories": ["inc", 5], "defines": "X", "codePage": -1, "warnings": false,
          "compileCommands": "out/"})"),
      "/w");
  EXPECT_EQ(settings.compileCommands, "/w/out");
  EXPECT_EQ(settings.includeDirectories, (std::vector<std::string>{"/w/inc"}));
  EXPECT_TRUE(settings.defines.empty());
  EXPECT_EQ(settings.codePage, 0u);
  EXPECT_FALSE(settings.warnings);
}

}  // namespace
}  // namespace tarvex
