// Name substitution: a defined name is replaced by its value inside the current file's
// text, so that the value is read next.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

struct TCommonToken;
struct TDefinedName;

struct TRCParser;
struct TFileItem;

/// The total work all substitutions of one compilation may do: the bytes they place plus
/// kSubstitutionCost each, at most kSubstitutionBudget plus kSubstitutionWorkPerInputByte
/// for every byte of the files the compilation opened. Real scripts with their headers
/// stay far below it, and a generated script that writes out every use of its names earns
/// the work of the uses with their text; a name whose value re-introduces it, or a family
/// of names that doubles at each level, reaches it within a fraction of a second and stops
/// with message 65, however short the script.
inline constexpr std::uint64_t kSubstitutionCost = 16;
inline constexpr std::uint64_t kSubstitutionBudget = std::uint64_t{1} << 22;
inline constexpr std::uint64_t kSubstitutionWorkPerInputByte = 64;

/// Called by NextToken for a token that begins like a word: while the token is a defined
/// name (defines first, then unit constants), writes its value into the current file's
/// text at the read position and scans again. Returns the token finally read.
std::string SubstituteNames(TRCParser& parser, std::string token);

/// For NextToken: when the next token of the current file's own text is a defined name
/// whose value is digits alone (and no macro), reads the name and the placed digits as
/// scanning and SubstituteNames do, leaves the digits in `token` and returns true. False
/// changes nothing.
bool TakeNameOfDigits(TRCParser& parser, std::string& token);

/// For the name that TakeCommonToken found defined: when its value is digits that make a
/// plain number (see TakeCommonToken) and a comma, a brace, a plain number or a name
/// nobody defined follows it, leaves the parser as reading the name through the
/// preprocessor leaves it (its digits read as an expression) and the number in `token`.
/// False changes nothing.
bool TakeDefinedNumber(TRCParser& parser, const TDefinedName& defined, TCommonToken& token);

/// Where the tokens read after a substitution come from: the script with its included
/// files, one #if or #elif condition line, or a piece of text expanded on its own (the
/// argument of a macro with parameters, held as the current file while it is read).
enum class TSubstitutionScope { Input, Line, Text };

/// SubstituteNames within `scope`: when a substituted value leaves no token in the scope,
/// returns the empty token, with `lineEnded` true when a condition line ended.
std::string SubstituteNamesIn(TRCParser& parser, std::string token, TSubstitutionScope scope, bool& lineEnded);

/// Writes `text` into `file` so that it is read next (overwriting consumed bytes when
/// there are enough, inserting otherwise), keeps the substitution mark after it and
/// returns the index after the placed text. Expansions of `file` that have been read
/// past are forgotten; those still being read keep covering the placed text.
std::size_t PlaceSubstitutedText(TFileItem& file, std::string_view text);

/// Adds `work` to the substitution work of the compilation; raises 65 naming `name`
/// when the bound is passed.
void CountSubstitutionWork(TRCParser& parser, std::string_view name, std::uint64_t work);

/// The same for a token of an #if or #elif condition, which ends at the end of its line:
/// when a substituted value leaves nothing more on the line, returns the empty token with
/// `lineEnded` true (false when the input itself ended).
std::string SubstituteNamesOnLine(TRCParser& parser, std::string token, bool& lineEnded);

}  // namespace tarvex
