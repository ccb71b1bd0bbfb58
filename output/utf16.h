// Conversion of script text (bytes in the locale's character set) to UTF-16LE for
// every text written into a resource.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

/// Converts `text` from the character set of the process's locale (nl_langinfo(CODESET))
/// to UTF-16. Characters outside the Basic Multilingual Plane become surrogate pairs.
/// A byte sequence the character set cannot convert throws a TCompileError naming the text.
std::u16string ToUtf16(std::string_view text);

/// Appends the UTF-16 code units of `text` to `bytes`, little-endian.
void AppendUtf16LE(std::string& bytes, std::u16string_view text);

}  // namespace tarvex
