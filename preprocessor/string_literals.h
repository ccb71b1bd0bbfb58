// The two kinds of string token as the preprocessor hands them on: adjacent
// double-quoted literals joined into one decoded literal, and single-quoted data strings
// in their normalised form.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;

/// `literal` (just read, quotes included, escapes undecoded) joined with the literals
/// that follow it, and decoded; the result keeps its enclosing quotes. Literals separated
/// by blanks, line breaks or comments, or coming from a name's value, are concatenated;
/// two literals written directly together in the script's own text stand for one literal
/// with a quote character where they meet. Directive lines between the literals are
/// carried out. The first token that is no literal is pushed back. Raises 26, 27.
/// When one of the literals is wide (L"..."), the result holds the characters of the whole
/// string as UTF-8 and its text is recorded in parser.wideTexts, so that ScriptTextToUtf16
/// reads it as characters rather than bytes of the code page; a non-ASCII text that is
/// both wide and ordinary under a code page other than UTF-8 is a located failure.
/// Sets parser.wideString to whether the result is wide. While parser.fileNameStrings
/// is set, `literal` is a file name: it comes back alone and as written, undecoded.
std::string JoinAdjacentStrings(TRCParser& parser, std::string literal);

/// A single-quoted data string without blanks and tabs, where every group of odd length
/// gets a "0" before its last character ('0A 1 FF' becomes '0A01FF').
std::string NormaliseDataString(std::string_view literal);

}  // namespace tarvex
