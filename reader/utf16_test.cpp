#include "reader/utf16.h"

#include <gtest/gtest.h>

#include <clocale>

#include "reader/diagnostics.h"

namespace tarvex {
namespace {

// Switches the process to another locale for one test and back afterwards.
class TLocale {
 public:
  explicit TLocale(const char* name) : previous_(std::setlocale(LC_ALL, nullptr)) {
    available_ = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~TLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  TLocale(const TLocale&) = delete;
  TLocale& operator=(const TLocale&) = delete;
  bool Available() const { return available_; }

 private:
  std::string previous_;
  bool available_ = false;
};

TEST(Utf16Test, AsciiNeedsNoConversionTable) {
  TLocale locale("C");
  EXPECT_EQ(ToUtf16("Hello, World\t\x7F"), u"Hello, World\t\x7F");
  EXPECT_EQ(ToUtf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_EQ(ToUtf16(""), u"");
}

TEST(Utf16Test, Utf8BecomesUtf16WithSurrogatePairs) {
  TLocale locale("C.UTF-8");
  if (!locale.Available()) GTEST_SKIP() << "no C.UTF-8 locale";
  // e acute (2 bytes), euro sign (3 bytes), G clef U+1D11E (4 bytes, outside the BMP).
  EXPECT_EQ(ToUtf16("\xC3\xA9-\xE2\x82\xAC-\xF0\x9D\x84\x9E"), u"\u00E9-\u20AC-\U0001D11E");
  EXPECT_EQ(ToUtf16("\xF0\x9D\x84\x9E"), (std::u16string{0xD834, 0xDD1E}));
}

constexpr const char* kHint = "; name the script's code page with #pragma code_page(N) or the option -c<N>";

TEST(Utf16Test, UnconvertibleBytesStopWithTheText) {
  TLocale locale("C.UTF-8");
  if (!locale.Available()) GTEST_SKIP() << "no C.UTF-8 locale";
  try {
    ToUtf16("ab\xFF");
    FAIL() << "converted an invalid byte";
  } catch (const TCompileError& error) {
    EXPECT_EQ(
        std::string(error.what()),
        "Cannot convert text to UTF-16: \"ab\\xFF\" (byte 0xFF at offset 2 is not valid UTF-8)" + std::string(kHint));
  }
  try {
    ToUtf16("ab\xE2\x82");
    FAIL() << "converted a cut character";
  } catch (const TCompileError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot convert text to UTF-16: \"ab\\xE2\\x82\" (incomplete UTF-8 character at offset 2)" +
                  std::string(kHint));
  }
}

TEST(Utf16Test, NonAsciiInTheCLocaleIsRefusedNotDropped) {
  TLocale locale("C");
  EXPECT_THROW(ToUtf16("caf\xC3\xA9"), TCompileError);
}

TEST(Utf16Test, AppendWritesLowByteFirst) {
  std::string bytes = "X";
  AppendUtf16LE(bytes, u"A\u20AC\U0001D11E");
  EXPECT_EQ(bytes, std::string("X"
                               "A\0"
                               "\xAC\x20"
                               "\x34\xD8"
                               "\x1E\xDD",
                               9));
}

}  // namespace
}  // namespace tarvex
