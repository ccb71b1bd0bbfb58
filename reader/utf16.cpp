// Script text is bytes in the locale's character set; resources hold UTF-16LE. The
// target is "UTF-16LE" rather than UCS-2 so that characters beyond the Basic
// Multilingual Plane become surrogate pairs instead of failing. Nothing is dropped or
// replaced: a byte sequence the character set cannot convert stops the compilation.
#include "reader/utf16.h"

#include <iconv.h>
#include <langinfo.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/source_encoding.h"

namespace tarvex {

namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Reads the sequence at `at` into `code` and returns its length. A sequence that is cut
// short, overlong or beyond U+10FFFF reads as U+FFFD of length 1.
std::size_t ReadUtf8(std::string_view text, std::size_t at, char32_t& code) {
  auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead <= 0xF4 ? 4 : 0;
  if (length == 1) {
    code = lead;
    return 1;
  }
  constexpr char32_t kLowest[] = {0, 0, 0x80, 0x800, 0x10000};
  char32_t value = length == 0 ? 0 : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    auto next = at + k < text.size() ? static_cast<unsigned char>(text[at + k]) : 0;
    if ((next & 0xC0) != 0x80) length = 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (length == 0 || value < kLowest[length] || value > 0x10FFFF) {
    code = 0xFFFD;
    return 1;
  }
  code = value;
  return length;
}

// One conversion descriptor from a character set to UTF-16LE, closed on scope exit.
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
  /// Back to the initial shift state, as a new descriptor starts.
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

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

// How the text of one character set becomes UTF-16. UTF-8 is decoded here and every
// single-byte character set goes through a table of its 256 bytes, built once from
// iconv; the double-byte sets (and any set whose bytes iconv does not map one to one)
// are converted by iconv itself. Whatever the fast paths meet that is not plainly valid
// (a byte the set lacks, a malformed UTF-8 sequence) is handed to iconv, so that the
// result and every failure are exactly iconv's.
class TCharsetConversion {
 public:
  enum class TKind : unsigned char { Utf8, SingleByte, Iconv };

  explicit TCharsetConversion(const std::string& charset) : converter_(charset.c_str()) {
    if (IsUtf8Charset(charset)) {
      kind_ = TKind::Utf8;
    } else if (converter_.Opened() && BuildTable()) {
      kind_ = TKind::SingleByte;
    }
  }

  /// Appends the UTF-16 of `text`, which holds a byte of 0x80 or above.
  void Append(std::string_view text, std::u16string& out) {
    std::size_t start = out.size();
    if (kind_ != TKind::Iconv) {
      out.resize(start + text.size());  // neither fast path yields more units than bytes
      std::size_t count =
          kind_ == TKind::Utf8 ? DecodeUtf8(text, out.data() + start) : MapBytes(text, out.data() + start);
      out.resize(start + (count == kNotConverted ? 0 : count));
      if (count != kNotConverted) return;
    }
    AppendWithIconv(text, out);
  }

 private:
  static constexpr std::size_t kNotConverted = static_cast<std::size_t>(-1);

  // A set is single-byte when iconv turns each byte, on its own and from the initial
  // state, into exactly one code unit or refuses it; a byte that starts a longer
  // character, or one iconv holds back to combine with the next, rules the table out.
  bool BuildTable() {
    for (unsigned byte = 0; byte < 256; ++byte) {
      converter_.Reset();
      char in = static_cast<char>(byte);
      char* inPointer = &in;
      std::size_t inLeft = 1;
      char out[8];
      char* outPointer = out;
      std::size_t outLeft = sizeof out;
      std::size_t result = iconv(converter_.Descriptor(), &inPointer, &inLeft, &outPointer, &outLeft);
      std::size_t produced = sizeof out - outLeft;
      if (result == static_cast<std::size_t>(-1) && errno == EILSEQ && produced == 0) continue;  // not in the set
      if (result == static_cast<std::size_t>(-1) || produced != 2) return false;
      units_[byte] =
          static_cast<char16_t>(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8);
      valid_[byte] = true;
    }
    converter_.Reset();
    return true;
  }

  std::size_t MapBytes(std::string_view text, char16_t* out) const {
    for (std::size_t i = 0; i < text.size(); ++i) {
      auto byte = static_cast<unsigned char>(text[i]);
      if (!valid_[byte]) return kNotConverted;
      out[i] = units_[byte];
    }
    return text.size();
  }

  // Well-formed UTF-8 only: no overlong form, no surrogate, nothing above U+10FFFF and
  // no noncharacter U+FFFE/U+FFFF; anything else is left to iconv.
  static std::size_t DecodeUtf8(std::string_view text, char16_t* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    char16_t* start = out;
    while (p < end) {
      unsigned lead = *p;
      if (lead < 0x80) {
        *out++ = static_cast<char16_t>(lead);
        ++p;
        continue;
      }
      std::size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead <= 0xF4 ? 4 : 0;
      if (length == 0 || static_cast<std::size_t>(end - p) < length) return kNotConverted;
      char32_t code = lead & (0x7Fu >> length);
      for (std::size_t k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80) return kNotConverted;
        code = (code << 6) | (p[k] & 0x3Fu);
      }
      constexpr char32_t kLowest[] = {0, 0, 0x80, 0x800, 0x10000};
      if (code < kLowest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE ||
          code == 0xFFFF)
        return kNotConverted;
      p += length;
      if (code < 0x10000) {
        *out++ = static_cast<char16_t>(code);
      } else {
        code -= 0x10000;
        *out++ = static_cast<char16_t>(0xD800 + (code >> 10));
        *out++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
      }
    }
    return static_cast<std::size_t>(out - start);
  }

  void AppendWithIconv(std::string_view text, std::u16string& out) {
    if (!converter_.Opened())
      RaiseFailure("Cannot convert text to UTF-16: no conversion from the character set " + converter_.Charset());
    converter_.Reset();
    // Four output bytes per input byte covers every character set in one pass; the
    // loop still grows the buffer should one ever need more.
    std::vector<char> output(text.size() * 4 + 4);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    std::size_t produced = 0;
    while (inLeft > 0) {
      char* outPointer = output.data() + produced;
      std::size_t outLeft = output.size() - produced;
      std::size_t result = iconv(converter_.Descriptor(), &in, &inLeft, &outPointer, &outLeft);
      produced = static_cast<std::size_t>(outPointer - output.data());
      if (result != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        output.resize(output.size() * 2);
        continue;
      }
      RaiseUnconvertible(text, text.size() - inLeft, converter_.Charset(), errno == EINVAL);
    }
    out.reserve(out.size() + produced / 2);
    for (std::size_t i = 0; i + 1 < produced; i += 2)
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(output[i]) |
                                          static_cast<unsigned char>(output[i + 1]) << 8));
  }

  TConverter converter_;
  TKind kind_ = TKind::Iconv;
  std::array<char16_t, 256> units_{};
  std::array<bool, 256> valid_{};
};

// The conversion of the character set named `charset` (empty: the locale's), made once
// per set and thread; the set last asked for is found without a search.
TCharsetConversion& ConversionFor(const std::string& charset) {
  thread_local std::unordered_map<std::string, std::unique_ptr<TCharsetConversion>> conversions;
  thread_local std::string lastName;
  thread_local TCharsetConversion* last = nullptr;
  const char* name = charset.empty() ? nl_langinfo(CODESET) : charset.c_str();
  if (last != nullptr && lastName == name) return *last;
  std::unique_ptr<TCharsetConversion>& entry = conversions[name];
  if (!entry) entry = std::make_unique<TCharsetConversion>(std::string(name));
  lastName = name;
  last = entry.get();
  return *last;
}

void WidenAscii(std::string_view text, std::u16string& out) {
  std::size_t start = out.size();
  out.resize(start + text.size());
  char16_t* units = out.data() + start;
  for (std::size_t i = 0; i < text.size(); ++i) units[i] = static_cast<char16_t>(text[i]);
}

// Windows-1252: bytes 0x80..0x9F; the rest are the Latin-1 characters of the same number.
// The five bytes the code page leaves undefined stand for the C1 control characters of
// their own number, as web browsers read them.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsWindows1252(const std::string& charset) {
  std::string name = UpperCase(charset);
  return name == "CP1252" || name == "WINDOWS-1252";
}

std::u16string FromWindows1252(std::string_view text) {
  std::u16string units(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    units[i] = byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte);
  }
  return units;
}

}  // namespace

std::u16string ToUtf16(std::string_view text) { return ToUtf16(text, std::string()); }

std::u16string ToUtf16(std::string_view text, const std::string& charset) {
  std::u16string units;
  AppendUtf16(units, text, charset);
  return units;
}

// Text that is not all ASCII, from `charset`: Windows-1252 by its own table, which reads
// every byte, the other pages by theirs.
void AppendConverted(std::string_view text, const std::string& charset, std::u16string& out) {
  if (IsWindows1252(charset))
    out += FromWindows1252(text);
  else
    ConversionFor(charset).Append(text, out);
}

void AppendUtf16(std::u16string& out, std::string_view text, const std::string& charset) {
  if (IsAsciiText(text))
    WidenAscii(text, out);
  else
    AppendConverted(text, charset, out);
}

// A wide literal's text is handed on as UTF-8 in an ordinary string token, so that every
// statement takes it where it takes a string; its characters are told from a code page's
// bytes by looking the text up among the recorded wide texts (ASCII text reads the same
// either way and is never recorded).
void AppendScriptTextUtf16(const TRCParser& parser, std::string_view text, std::u16string& out) {
  if (IsAsciiText(text)) return WidenAscii(text, out);
  if (parser.wideTexts.find(text) != parser.wideTexts.end()) {
    out += Utf8ToUnits(text);
    return;
  }
  AppendConverted(text, ScriptCharset(parser), out);
}

std::u16string ScriptTextToUtf16(const TRCParser& parser, std::string_view text) {
  std::u16string units;
  AppendScriptTextUtf16(parser, text, units);
  return units;
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
  if (parser.currentFile && parser.currentFile->utf8Marked) return "UTF-8";
  return parser.options.codePage;
}

std::string EscapedByteCharset(const TRCParser& parser) {
  const TFileItem* file = parser.currentFile;
  if (file == nullptr || !file->NamesItsEncoding() || !IsUtf8Charset(ScriptCharset(parser))) return {};
  std::string charset = !file->escapedByteCharset.empty() ? file->escapedByteCharset
                        : !parser.codePage.empty()          ? parser.codePage
                                                            : parser.options.codePage;
  if (IsUtf8Charset(charset)) return {};
  return charset.empty() ? std::string(nl_langinfo(CODESET)) : charset;
}

TDoubleByteSet DoubleByteSetOf(const std::string& charset) {
  std::string name = UpperCase(charset.empty() ? nl_langinfo(CODESET) : charset);
  for (std::string_view shiftJis : {"CP932", "SHIFT_JIS", "SHIFT-JIS", "SJIS", "MS_KANJI", "WINDOWS-31J"})
    if (name == shiftJis) return TDoubleByteSet::ShiftJis;
  if (name == "CP1361" || name == "JOHAB") return TDoubleByteSet::Johab;
  for (std::string_view other : {"CP936", "GBK", "GB18030", "CP949", "UHC", "CP950", "BIG5", "BIG5-HKSCS", "BIG5HKSCS"})
    if (name == other) return TDoubleByteSet::Other;
  return TDoubleByteSet::None;
}

bool IsLeadByte(TDoubleByteSet set, unsigned char byte) {
  switch (set) {
    case TDoubleByteSet::None:
      return false;
    case TDoubleByteSet::ShiftJis:
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case TDoubleByteSet::Johab:
      return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xDE) || (byte >= 0xE0 && byte <= 0xF9);
    case TDoubleByteSet::Other:
      return byte >= 0x81 && byte <= 0xFE;
  }
  return false;
}

bool IsUtf8Charset(const std::string& charset) {
  std::string name = UpperCase(charset.empty() ? nl_langinfo(CODESET) : charset);
  return name == "UTF-8" || name == "UTF8";
}

std::string UnitsToUtf8(std::u16string_view units) {
  std::string text;
  text.reserve(units.size() * 3);
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t code = units[i];
    bool pair = IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]);
    if (pair) code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
    AppendUtf8(text, code);
  }
  return text;
}

std::u16string Utf8ToUnits(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t code = 0;
    i += ReadUtf8(text, i, code);
    if (code < 0x10000) {
      units.push_back(static_cast<char16_t>(code));
      continue;
    }
    code -= 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  }
  return units;
}

void AppendUtf16LE(std::string& bytes, std::u16string_view text) {
  bytes.reserve(bytes.size() + text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
}

}  // namespace tarvex
