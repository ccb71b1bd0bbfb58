// Name substitution: a defined name is replaced by its value inside the current file's
// text, so that the value is read next.
#pragma once

#include <cstdint>
#include <string>

namespace tarvex {

struct TRCParser;

/// The total work all substitutions of one compilation may do: the bytes they place plus
/// kSubstitutionCost each. Real scripts with their headers stay far below it; a name whose
/// value re-introduces it, or a family of names that doubles at each level, reaches it
/// within about a second and stops with message 65.
inline constexpr std::uint64_t kSubstitutionCost = 16;
inline constexpr std::uint64_t kSubstitutionBudget = std::uint64_t{1} << 26;

/// Called by NextToken for a token that begins like a word: while the token is a defined
/// name (defines first, then unit constants), writes its value into the current file's
/// text at the read position and scans again. Returns the token finally read.
std::string SubstituteNames(TRCParser& parser, std::string token);

/// The same for a token of an #if or #elif condition, which ends at the end of its line:
/// when a substituted value leaves nothing more on the line, returns the empty token with
/// `lineEnded` true (false when the input itself ended).
std::string SubstituteNamesOnLine(TRCParser& parser, std::string token, bool& lineEnded);

}  // namespace tarvex
