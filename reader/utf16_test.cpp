#include "reader/utf16.h"

#include <gtest/gtest.h>

#include <clocale>
#include <vector>

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

// Without a code page the locale's character set applies: ASCII needs no table, UTF-8
// joins surrogate pairs, and bytes the set refuses stop with the text and the way out.
TEST(Utf16Test, TheLocalesCharacterSet) {
  const std::string hint = "; name the script's code page with #pragma code_page(N) or the option -c<N>";
  struct TCase {
    const char* locale;
    std::string text;
    std::u16string expected;  // empty: refused with `error`
    std::string error;
  } cases[] = {
      {"C", "Hello, World\t\x7F", u"Hello, World\t\x7F", ""},
      {"C", std::string("a\0b", 3), std::u16string(u"a\0b", 3), ""},
      {"C", "caf\xC3\xA9", u"",  // the locale names its set as it likes: the text up to the name
       "Cannot convert text to UTF-16: \"caf\xC3\xA9\" (byte 0xC3 at offset 3 is not valid "},
      {"C.UTF-8", "\xC3\xA9-\xE2\x82\xAC-\xF0\x9D\x84\x9E", u"\u00E9-\u20AC-\U0001D11E", ""},
      {"C.UTF-8", "ab\xFF", u"",
       "Cannot convert text to UTF-16: \"ab\\xFF\" (byte 0xFF at offset 2 is not valid UTF-8)" + hint},
      {"C.UTF-8", "ab\xE2\x82", u"",
       "Cannot convert text to UTF-16: \"ab\\xE2\\x82\" (incomplete UTF-8 character at offset 2)" + hint},
  };
  for (const TCase& c : cases) {
    TLocale locale(c.locale);
    if (!locale.Available()) continue;
    try {
      EXPECT_EQ(ToUtf16(c.text), c.expected) << c.text;
      EXPECT_EQ(c.error, "") << c.text;
    } catch (const TCompileError& error) {
      EXPECT_TRUE(!c.error.empty() && std::string(error.what()).starts_with(c.error)) << error.what();
    }
  }
}

}  // namespace
}  // namespace tarvex
