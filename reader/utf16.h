// Conversion of script text (bytes in the locale's character set) to UTF-16LE for
// every text written into a resource.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;

/// Converts `text` from the character set of the process's locale (nl_langinfo(CODESET))
/// to UTF-16. Characters outside the Basic Multilingual Plane become surrogate pairs.
/// A byte sequence the character set cannot convert throws a TCompileError naming the text.
std::u16string ToUtf16(std::string_view text);

/// The same from the character set named `charset` (an iconv name such as "CP1252" or
/// "UTF-8"); an empty name means the locale's. Windows-1252 ("CP1252", "WINDOWS-1252")
/// is converted here, with the five bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90,
/// 0x9D) read as the control characters of the same number, so that no byte fails.
std::u16string ToUtf16(std::string_view text, const std::string& charset);

/// ToUtf16 appending to `out`, the caller's buffer. ASCII, UTF-8 and the single-byte
/// character sets are converted without a library call; iconv converts the others.
void AppendUtf16(std::u16string& out, std::string_view text, const std::string& charset);

/// Converts text read from the script: the text of a wide literal (L"...", which GetToken
/// hands on as UTF-8 and records in parser.wideTexts) with Utf8ToUnits; other text from
/// UTF-8 when the current file was a UTF-16 file, else from the code page of the last
/// #pragma code_page, else from UTF-8 when the current file began with a UTF-8 byte-order
/// mark, else from the -c option's code page, else from the locale's character set.
std::u16string ScriptTextToUtf16(const TRCParser& parser, std::string_view text);

/// ScriptTextToUtf16 appending to `out`, the caller's buffer.
void AppendScriptTextUtf16(const TRCParser& parser, std::string_view text, std::u16string& out);

/// The iconv name of the character set ScriptTextToUtf16 converts from; empty: the locale's.
std::string ScriptCharset(const TRCParser& parser);

/// The character set a byte written as an escape in an ordinary literal (\xFD) stands in,
/// where it must be converted to join the literal's text: in a file whose text is UTF-8
/// by its own mark (UTF-16, or a UTF-8 byte-order mark), read as UTF-8, the code page a
/// UTF-16 file's own #pragma code_page names, else that of the last #pragma code_page of
/// another file, else the command line's. Empty where escaped bytes stay
/// bytes (the text is read in that code page already, or it is UTF-8 itself).
std::string EscapedByteCharset(const TRCParser& parser);

/// The iconv name of Windows code page `number` ("1252" gives "CP1252", "65001" gives
/// "UTF-8"). False when the text is no number or this system cannot convert from it.
bool CodePageCharset(std::string_view number, std::string& charset);

/// The double-byte character sets of East Asia, whose second byte of a character may be
/// an ASCII byte, the backslash included.
enum class TDoubleByteSet : unsigned char {
  None,      ///< a single-byte set or UTF-8: every byte below 0x80 is an ASCII character
  ShiftJis,  ///< code page 932: first bytes 0x81..0x9F and 0xE0..0xFC
  Johab,     ///< code page 1361: first bytes 0x84..0xD3, 0xD8..0xDE and 0xE0..0xF9
  Other      ///< code pages 936, 949 and 950 (GBK, UHC, Big5): first bytes 0x81..0xFE
};

/// The double-byte set `charset` (an iconv name; empty: the locale's character set) is.
TDoubleByteSet DoubleByteSetOf(const std::string& charset);

/// Whether `byte` is the first byte of a two-byte character of `set`.
bool IsLeadByte(TDoubleByteSet set, unsigned char byte);

/// Whether `charset` (an iconv name; empty: the locale's character set) is UTF-8.
bool IsUtf8Charset(const std::string& charset);

/// UTF-16 code units as UTF-8. A surrogate that is not part of a pair is written as the
/// three-byte form of its own value, which Utf8ToUnits reads back as that one code unit,
/// so that every sequence of code units survives the round trip.
std::string UnitsToUtf8(std::u16string_view units);

/// The code units of UTF-8 text as UnitsToUtf8 writes it. A byte that starts no complete
/// sequence becomes U+FFFD; nothing is read past the end of `text`.
std::u16string Utf8ToUnits(std::string_view text);

/// Appends the UTF-16 code units of `text` to `bytes`, little-endian.
void AppendUtf16LE(std::string& bytes, std::u16string_view text);

}  // namespace tarvex
