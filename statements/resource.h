// The attributes every resource statement shares: memory flags, the optional
// LANGUAGE/CHARACTERISTICS/VERSION statements, registration against duplicates, and the
// header each resource entry starts with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;

/// Default memory flags: MOVEABLE | PURE | DISCARDABLE, and MOVEABLE | PURE.
inline constexpr std::int32_t kDiscardableFlags = 0x1030;
inline constexpr std::int32_t kMoveablePureFlags = 0x0030;

/// Reads memory-flag keywords (MOVEABLE, FIXED, PURE, ...), starting from the kind's
/// default in `flags`. Returns the first token that is no such keyword, as it was read.
/// Raises 2 at the end of input and 3 for a keyword after its opposite.
std::string ParseMemoryFlags(TRCParser& parser, std::int32_t& flags);

/// The same, true with `token` left as it was when the first token that is no such
/// keyword is a block's "{" read straight from the script; otherwise `token` is that token.
bool ParseMemoryFlagsToBlock(TRCParser& parser, std::int32_t& flags, std::string& token);

/// Sets the statement's language, sublanguage, characteristics and version to the defaults.
void ResetStatementAttributes(TRCParser& parser);

/// Resets the statement's language, sublanguage, characteristics and version from the
/// defaults, then reads LANGUAGE, CHARACTERISTICS and VERSION statements beginning with
/// `firstToken`. Returns the first token that is none of them, as it was read. The end
/// of input after them raises 2, or gives the empty token when `endAllowed`.
/// Raises 2, 4, 5, 6, 7, 8.
std::string ParseOptionalStatements(TRCParser& parser, const std::string& firstToken, bool endAllowed = false);

/// A statement's type and name when both are plain numbers (one to five decimal digits
/// without a leading zero, up to 65535), which a header writes as ordinals.
struct TPlainOrdinals {
  bool plain = false;
  std::uint16_t type = 0;
  std::uint16_t name = 0;
};

/// Enters the statement's resource (name, type text, language) in the registry, after
/// removing the quotes of a quoted name that is not all digits. Raises 19 for a second
/// resource with the same key; counts the resource and sends the resource notification.
/// Tells whether the type and the name are plain numbers.
TPlainOrdinals RegisterResource(TRCParser& parser);

/// The statement's language identifier: sublanguage * 1024 + language.
std::uint16_t StatementLanguageId(const TRCParser& parser);

/// Writes a resource header for the statement being compiled: its language, version and
/// characteristics, the given type and name texts (converted to UTF-16) and flags.
void WriteStatementHeader(TRCParser& parser, std::uint32_t dataSize, std::string_view typeText,
                          std::string_view nameText, std::int32_t memoryFlags);

/// PatchDataSize for the resource `resource` (its type and name, as "DIALOG 1"): data
/// beyond 65,535 bytes stops the compilation with a located failure naming it.
void PatchResourceDataSize(TRCParser& parser, std::size_t headerStart, std::size_t dataStart,
                           std::string_view resource);

/// The resource of the statement being compiled: its type keyword and its name.
std::string StatementResource(const TRCParser& parser);

/// The value of a decimal number token as GetToken delivers numbers ("-12", "70000");
/// false for any other text or a value beyond 64 bits.
bool DecimalTokenValue(std::string_view token, std::int64_t& value);

/// The 32-bit value of `text` (decimal with an optional sign, or hexadecimal after "$",
/// "0x" or "0X"). Any other text, or a value outside the 32-bit signed range, throws
/// "'<text>' is not a valid integer value".
std::int32_t ConvertToInteger(std::string_view text);

}  // namespace tarvex
