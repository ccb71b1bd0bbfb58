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
/// "UTF-8"); an empty name means the locale's.
std::u16string ToUtf16(std::string_view text, const std::string& charset);

/// Converts text read from the script: from UTF-8 when the current file was a UTF-16
/// file, else from the code page of the last #pragma code_page, else from the -c option's
/// code page, else from the locale's character set.
std::u16string ScriptTextToUtf16(const TRCParser& parser, std::string_view text);

/// The iconv name of the character set ScriptTextToUtf16 converts from; empty: the locale's.
std::string ScriptCharset(const TRCParser& parser);

/// The iconv name of Windows code page `number` ("1252" gives "CP1252", "65001" gives
/// "UTF-8"). False when the text is no number or this system cannot convert from it.
bool CodePageCharset(std::string_view number, std::string& charset);

/// Appends the UTF-16 code units of `text` to `bytes`, little-endian.
void AppendUtf16LE(std::string& bytes, std::u16string_view text);

}  // namespace tarvex
