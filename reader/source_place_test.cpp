#include "reader/source_place.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

// Columns count the characters of the line in its character set; the line is shown as
// UTF-8 with control characters and bytes that start no character as \xNN.
TEST(SourcePlaceTest, ColumnsAndShownLines) {
  struct TCase {
    std::string text;
    std::size_t offset;
    std::string charset;
    std::int32_t column;
    std::string shown;  // the source line, then "|" and as many dots as characters precede the caret
  };
  const std::string longLine(1001, 'x');
  const std::vector<TCase> cases = {
      {"a\r\nb\tc\r\nd", 5, "UTF-8", 3, "b\tc|.."},
      {"x \xC3\xA9 y", 5, "UTF-8", 5, "x \xC3\xA9 y|...."},
      {"x \xC3\xA9 y", 5, "CP1252", 6, "x \xC3\x83\xC2\xA9 y|....."},
      {"\x82\xA0\x82\xA2 z", 5, "CP932", 4, "\xE3\x81\x82\xE3\x81\x84 z|..."},
      {"\xFF\x01 \x81z", 4, "CP1252", 5, "\xC3\xBF\\x01 \\x81z|.........."},
      {"\xC3( q", 3, "UTF-8", 4, "\\xC3( q|......"},
      {"end\n", 4, "UTF-8", 1, "|"},
      {longLine + "y", 1001, "", 1002, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20));
    TSourcePlace place{std::make_shared<const std::string>(c.text), "f.rc", c.offset, 7, c.charset};
    TSourceLocation location = LocatePlace(place);
    EXPECT_EQ(location.file, "f.rc");
    EXPECT_EQ(location.line, 7);
    EXPECT_EQ(location.column, c.column);
    std::string shown =
        location.showsSource ? location.sourceLine + "|" + std::string(location.caretCharacters, '.') : "";
    EXPECT_EQ(shown, c.shown);
  }
}

}  // namespace
}  // namespace tarvex
