#include "driver/lsp_text.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

// "a😀b" has the emoji at bytes 1..4 and UTF-16 units 1..2.
constexpr std::string_view kText = "x\r\na\xF0\x9F\x98\x80" "b\n\xC3\xA9t\xFF!\n";

struct TPositionCase {
  std::size_t offset;
  TLspPosition position;
};

TEST(LspText, OffsetsAndPositionsCountUtf16Units) {
  TLineTable lines(kText);
  const TPositionCase cases[] = {
      {0, {0, 0}},  {1, {0, 1}},   {3, {1, 0}},   {4, {1, 1}},   {8, {1, 3}},
      {9, {1, 4}},  {10, {2, 0}},  {12, {2, 1}},  {13, {2, 2}},  {14, {2, 3}},
      {15, {2, 4}}, {16, {3, 0}},
  };
  for (const TPositionCase& c : cases) {
    EXPECT_EQ(lines.PositionOf(c.offset), c.position) << "offset " << c.offset;
    EXPECT_EQ(lines.OffsetOf(c.position), c.offset) << "offset " << c.offset;
  }
}

TEST(LspText, PositionsOutsideTheTextAreClamped) {
  TLineTable lines(kText);
  const std::pair<TLspPosition, std::size_t> cases[] = {
      {{0, 99}, 1},          // past the line's end, before its "\r"
      {{1, 2}, 4},           // inside the surrogate pair: its start
      {{99, 0}, kText.size()},
      {{-3, 5}, 0},
  };
  for (const auto& [position, offset] : cases) EXPECT_EQ(lines.OffsetOf(position), offset) << position.line;
  EXPECT_EQ(lines.PositionOf(1000), (TLspPosition{3, 0}));
}

TEST(LspText, UrisAndPaths) {
  const std::pair<std::string, std::string> cases[] = {
      {"file:///home/me/app.rc", "/home/me/app.rc"},
      {"file:///home/me/my%20app/res%23.rc", "/home/me/my app/res#.rc"},
      {"file://localhost/tmp/a.rc", "/tmp/a.rc"},
      {"file:///tmp/%E2%82%AC.rc", "/tmp/\xE2\x82\xAC.rc"},
      {"http://host/a.rc", ""},
      {"file:///tmp/%zz.rc", ""},
      {"file:///tmp/%00.rc", ""},
  };
  for (const auto& [uri, path] : cases) EXPECT_EQ(UriToPath(uri), path) << uri;
  EXPECT_EQ(PathToUri("/home/me/my app/res#.rc"), "file:///home/me/my%20app/res%23.rc");
  EXPECT_EQ(UriToPath(PathToUri("/tmp/\xE2\x82\xAC %.rc")), "/tmp/\xE2\x82\xAC %.rc");
}

TEST(LspText, NamesOutsideCommentsAndLiterals) {
  std::string names;
  ForEachName("A /* B */ C // D\n\"E\" 'F' 12G H_1 \"unterminated\nI", [&names](std::string_view name, std::size_t at) {
    names += std::string(name) + "@" + std::to_string(at) + " ";
  });
  EXPECT_EQ(names, "A@0 C@10 H_1@29 I@47 ");
}

TEST(LspText, TokenEnds) {
  std::string_view text = "IDOK, \"a b\" \"open";
  EXPECT_EQ(TokenEnd(text, 0), 4u);
  EXPECT_EQ(TokenEnd(text, 4), 5u);
  EXPECT_EQ(TokenEnd(text, 6), 11u);
  EXPECT_EQ(TokenEnd(text, 12), text.size());
  EXPECT_EQ(TokenEnd(text, 99), text.size());
}

}  // namespace
}  // namespace tarvex
