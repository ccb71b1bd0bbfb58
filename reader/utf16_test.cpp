#include "reader/utf16.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <clocale>
#include <optional>
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

// What iconv itself makes of `text`, or nothing when it refuses it.
std::optional<std::u16string> IconvReference(std::string_view text, const char* charset) {
  iconv_t cd = iconv_open("UTF-16LE", charset);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* outPointer = out.data();
  std::size_t outLeft = out.size();
  std::size_t result = iconv(cd, &in, &inLeft, &outPointer, &outLeft);
  iconv_close(cd);
  if (result == static_cast<std::size_t>(-1)) return std::nullopt;
  std::u16string units;
  for (char* p = out.data(); p + 1 < outPointer; p += 2)
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8));
  return units;
}

std::string AllBytesFrom(unsigned first) {
  std::string text;
  for (unsigned byte = first; byte < 256; ++byte) text += static_cast<char>(byte);
  return text;
}

// The table of a single-byte code page, the UTF-8 decoder and iconv must agree on every
// text: converted alike, or refused alike.
TEST(Utf16Test, FastPathsAgreeWithIconv) {
  struct TCase {
    const char* charset;
    std::string text;
  };
  const std::vector<TCase> cases = {
      {"CP1252", "caf\xE9 \x80 \x9F"},
      {"CP1251", AllBytesFrom(0xC0)},
      {"CP1250", AllBytesFrom(0xA0)},
      {"CP437", AllBytesFrom(0x80)},
      {"ISO-8859-2", AllBytesFrom(0xA0)},
      {"KOI8-R", AllBytesFrom(0x80)},
      {"CP1255", "\xF9\xC1 \xE0"},  // Hebrew letters with points, which iconv may combine
      {"CP932", "\x83\x5C x \x82\xA0"},
      {"CP932", "cut \x83"},
      {"UTF-8", "\xC3\xA9-\xE2\x82\xAC-\xF0\x9D\x84\x9E"},
      {"UTF-8", "\xEF\xBF\xBF \xEF\xBF\xBE"},  // noncharacters
      {"UTF-8", "\xED\xA0\x80"},               // a surrogate
      {"UTF-8", "\xC0\xAF"},                   // overlong
      {"UTF-8", "\xF4\x90\x80\x80"},           // beyond U+10FFFF
      {"UTF-8", "\xE2\x82"},                   // cut short
      {"UTF-8", "\x80"},
  };
  for (const TCase& c : cases) {
    std::optional<std::u16string> expected = IconvReference(c.text, c.charset);
    std::optional<std::u16string> actual;
    try {
      actual = ToUtf16(c.text, c.charset);
    } catch (const TCompileError&) {
    }
    EXPECT_EQ(actual, expected) << c.charset << " " << c.text;
    std::u16string appended = u"x";
    if (expected) {
      AppendUtf16(appended, c.text, c.charset);
      EXPECT_EQ(appended, u"x" + *expected) << c.charset;
    }
  }
}

}  // namespace
}  // namespace tarvex
