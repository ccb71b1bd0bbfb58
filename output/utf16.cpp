// Script text is bytes in the locale's character set; resources hold UTF-16LE. The
// target is "UTF-16LE" rather than UCS-2 so that characters beyond the Basic
// Multilingual Plane become surrogate pairs instead of failing. Nothing is dropped or
// replaced: a byte sequence the character set cannot convert stops the compilation.
#include "output/utf16.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <string>
#include <cstdio>
#include <vector>

#include "reader/diagnostics.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// One conversion descriptor from the locale's character set, closed on scope exit.
class TConverter {
 public:
  explicit TConverter(const char* charset) : charset_(charset), cd_(iconv_open("UTF-16LE", charset)) {}
  ~TConverter() {
    if (Opened()) iconv_close(cd_);
  }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  bool Opened() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  const std::string& Charset() const { return charset_; }
  iconv_t Descriptor() const { return cd_; }

 private:
  std::string charset_;
  iconv_t cd_;
};

[[noreturn]] void RaiseUnconvertible(std::string_view text, std::size_t offset, const std::string& charset,
                                     bool incomplete) {
  char byte[8];
  std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[offset]));
  std::string where = " at offset " + std::to_string(offset);
  std::string reason = incomplete ? "incomplete " + charset + " character" + where
                                  : "byte " + std::string(byte) + where + " is not valid " + charset;
  RaiseFailure("Cannot convert text to UTF-16: \"" + std::string(text) + "\" (" + reason +
               "); name the script's code page with #pragma code_page(N) or the option -c<N>");
}

// The UTF-16LE bytes iconv produced, as code units.
std::u16string UnitsFromBytes(const std::vector<char>& bytes, std::size_t count) {
  std::u16string units;
  units.reserve(count / 2);
  for (std::size_t i = 0; i + 1 < count; i += 2) {
    auto low = static_cast<unsigned char>(bytes[i]);
    auto high = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(low | (high << 8)));
  }
  return units;
}

std::u16string ConvertWithIconv(std::string_view text, const std::string& charset) {
  TConverter converter(charset.empty() ? nl_langinfo(CODESET) : charset.c_str());
  if (!converter.Opened())
    RaiseFailure("Cannot convert text to UTF-16: no conversion from the character set " + converter.Charset());
  // Four output bytes per input byte covers every character set in one pass; the
  // loop still grows the buffer should one ever need more.
  std::vector<char> output(text.size() * 4 + 4);
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  std::size_t produced = 0;
  while (inLeft > 0) {
    char* outPointer = output.data() + produced;
    std::size_t outLeft = output.size() - produced;
    std::size_t result = iconv(converter.Descriptor(), &in, &inLeft, &outPointer, &outLeft);
    produced = static_cast<std::size_t>(outPointer - output.data());
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      output.resize(output.size() * 2);
      continue;
    }
    RaiseUnconvertible(text, text.size() - inLeft, converter.Charset(), errno == EINVAL);
  }
  return UnitsFromBytes(output, produced);
}

}  // namespace

std::u16string ToUtf16(std::string_view text) { return ToUtf16(text, std::string()); }

std::u16string ToUtf16(std::string_view text, const std::string& charset) {
  if (!IsAscii(text)) return ConvertWithIconv(text, charset);
  std::u16string units;
  units.reserve(text.size());
  for (char c : text) units.push_back(static_cast<char16_t>(c));
  return units;
}

std::u16string ScriptTextToUtf16(const TRCParser& parser, std::string_view text) {
  return ToUtf16(text, ScriptCharset(parser));
}

bool CodePageCharset(std::string_view number, std::string& charset) {
  if (number.empty() || number.size() > 5 || number.find_first_not_of("0123456789") != std::string_view::npos)
    return false;
  int page = std::stoi(std::string(number));
  std::string name;
  if (page == 65001)
    name = "UTF-8";
  else if (page == 20127)
    name = "ASCII";
  else if (page >= 28591 && page <= 28606)
    name = "ISO-8859-" + std::to_string(page - 28590);
  else
    name = "CP" + std::to_string(page);
  TConverter probe(name.c_str());
  if (!probe.Opened()) return false;
  charset = name;
  return true;
}

std::string ScriptCharset(const TRCParser& parser) {
  if (parser.currentFile && parser.currentFile->fromUtf16) return "UTF-8";
  if (!parser.codePage.empty()) return parser.codePage;
  return parser.options.codePage;
}

void AppendUtf16LE(std::string& bytes, std::u16string_view text) {
  bytes.reserve(bytes.size() + text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
}

}  // namespace tarvex
