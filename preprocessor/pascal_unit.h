// Constants from Pascal units and include files: a script may #include the units of the
// program its resources belong to and use the constants of their CONST sections by name.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;
struct TFileItem;

/// Whether `file` is a Pascal unit or include file (extension ".PAS" or ".INC"), which
/// #include hands to ReadPascalUnit as soon as it is open.
bool IsPascalFile(const TFileItem& file);

/// Reads the current file, a Pascal unit or include file that #include has just opened,
/// to its end or to the "end." after its implementation word, and stores every constant
/// of its CONST sections in the unit constants table: the name upper-cased, the value as
/// the unevaluated text of its tokens with the operator words mapped, evaluated later
/// where the name is used. A line whose first non-blank character is "#" followed by a C
/// directive's name (#define, #if, #include, ...) is carried out as a directive; the files
/// an #include there opens are read to their end first. What follows the point where
/// reading stopped stays in the file for the script reader. Raises 29, 33 to 49, 51 and
/// 52, located in the Pascal file, and the messages of the directives.
void ReadPascalUnit(TRCParser& parser);

/// The next token of the current file by Pascal rules: words (through MapPascalOperator),
/// numbers as written, quoted strings with their quotes, and the one-character tokens
/// # $ ( ) * + , - . / ; < = >. Comments { }, (* *) and // are passed over, and directive
/// lines carried out. The empty token at the end of the current file; it never goes on
/// into the including file. Raises 29, 33, 51, 52 and the messages of the directives.
std::string PascalToken(TRCParser& parser);

/// The script operator for a Pascal operator word, compared ignoring case: "/" for DIV,
/// "%" for MOD, "&" for AND, "|" for OR, "^" for XOR, "~" for NOT; any other word as it is.
std::string MapPascalOperator(std::string_view word);

}  // namespace tarvex
