// The preprocessing token reader every statement parser uses.
#pragma once

#include <string>
#include <string_view>

#include "reader/lexer.h"

namespace tarvex {

struct TRCParser;

/// The next significant token of the script: directives and RCINCLUDE carried out,
/// names substituted, expressions evaluated to decimal text, BEGIN/END as braces,
/// adjacent double-quoted strings (wide L"..." ones too) joined and decoded (quotes
/// kept), single-quoted data strings normalised. The empty token at the end of input.
std::string GetToken(TRCParser& parser);

/// GetToken without its look for a common token, for a caller whose lane has just
/// looked at the same place (see TakeCommonToken).
std::string GetLayeredToken(TRCParser& parser);

/// What GetToken reads: true with the token when the lanes read it (see
/// TakeCommonToken), a number with its value and no text made; else false with the token
/// in `text`.
bool GetCommonToken(TRCParser& parser, TCommonToken& token, std::string& text);

/// The raw characters from the read position up to the next blank, tab, line feed or
/// ">" (file names of #include, bitmaps, icons and data files).
std::string ReadRawWord(TRCParser& parser);

/// GetToken; when the token equals `separator`, the token after it instead.
std::string SkipOptionalSeparator(TRCParser& parser, std::string_view separator);

/// What SkipSeparators(parser, ",") reads: true with the token when the lanes read it
/// (see TakeCommonToken), a number with its value and no text made; else false with
/// the token in `text`.
bool SkipCommasToCommon(TRCParser& parser, TCommonToken& token, std::string& text);

/// What SkipOptionalSeparator(parser, ",") reads: true with the token when the lanes
/// read it (see TakeCommonToken), else false with the token in `text`.
bool SkipOptionalCommaToCommon(TRCParser& parser, TCommonToken& token, std::string& text);

/// GetToken until a token is not `separator`; returns that token.
std::string SkipSeparators(TRCParser& parser, std::string_view separator);

}  // namespace tarvex
