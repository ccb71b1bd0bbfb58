// Name substitution: a defined name is replaced by its value inside the current file's
// text, so that the value is read next.
#pragma once

#include <string>

namespace tarvex {

struct TRCParser;

/// Called by NextToken for a token that begins like a word: while the token is a defined
/// name (defines first, then unit constants), writes its value into the current file's
/// text at the read position and scans again. Returns the token finally read.
std::string SubstituteNames(TRCParser& parser, std::string token);

}  // namespace tarvex
