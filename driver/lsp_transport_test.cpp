#include "driver/lsp_transport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarvex {
namespace {

struct TFrameCase {
  const char* what;
  std::string input;
  std::string expected;  ///< each read: "M:<body>", "X:<problem>" or "E", until the end
};

class LspFrames : public testing::TestWithParam<TFrameCase> {};

TEST_P(LspFrames, Read) {
  const TFrameCase& c = GetParam();
  std::istringstream in(c.input);
  std::string shown;
  for (int i = 0; i < 10; ++i) {
    std::string body;
    std::string problem;
    TFrameRead read = ReadFrame(in, body, problem);
    shown += read == TFrameRead::Message ? "M:" + body + " " : read == TFrameRead::Malformed ? "X:" + problem + " " : "E";
    if (read == TFrameRead::End) break;
  }
  EXPECT_EQ(shown, c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LspFrames,
    testing::Values(
        TFrameCase{"one message", "Content-Length: 2\r\n\r\n{}", "M:{} E"},
        TFrameCase{"two messages and a type header", "Content-Length: 2\r\nContent-Type: x\r\n\r\n{}Content-Length: 3\r\n\r\n[1]",
                   "M:{} M:[1] E"},
        TFrameCase{"the name in any case, bare line feeds", "content-length:3\n\n[1]", "M:[1] E"},
        TFrameCase{"no length, then a good message", "Content-Type: x\r\n\r\nContent-Length: 2\r\n\r\n{}",
                   "X:no Content-Length header M:{} E"},
        TFrameCase{"a length that is no number", "Content-Length: 2x\r\n\r\nContent-Length: 2\r\n\r\n{}",
                   "X:Content-Length is not a number M:{} E"},
        TFrameCase{"a line without a colon", "Content-Length 2\r\n\r\n", "X:header line without a colon E"},
        TFrameCase{"a body cut short", "Content-Length: 10\r\n\r\n{}", "E"},
        TFrameCase{"too large: passed over", "Content-Length: 999999999999\r\n\r\n", "X:message of 999999999999 bytes is too large E"},
        TFrameCase{"nothing", "", "E"}));

TEST(LspFrames, WrittenWithTheirLength) {
  std::ostringstream out;
  WriteFrame(out, "{\"a\":\"\xC3\xA9\"}");
  EXPECT_EQ(out.str(), "Content-Length: 10\r\n\r\n{\"a\":\"\xC3\xA9\"}");
}

}  // namespace
}  // namespace tarvex
