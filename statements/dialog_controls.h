// The parts of a dialog template shared by the dialog head and its controls: the two
// template layouts, the ordinal-or-text fields, and the readers of numeric operands.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "reader/lexer.h"

namespace tarvex {

struct TRCParser;
class TOutputBuffer;

struct TControlNotes;

/// DIALOG writes the standard template, DIALOGEX the extended one (help ids, font
/// weight, italic and character set, 32-bit control ids).
enum class TTemplateLayout { Standard, Extended };

/// A menu, class, caption or title field: 0xFFFF and an ordinal, or a text; an empty
/// text is written as the 16-bit zero alone (no such field).
struct TDialogName {
  bool isOrdinal = false;
  std::uint16_t ordinal = 0;
  std::string text;  ///< script bytes, converted to UTF-16 when written
};

/// Writes the field: FFFF and the ordinal, or the text converted as ScriptTextToUtf16
/// converts it (the characters of a wide literal, else from the character set in force)
/// and its 16-bit zero.
void WriteDialogName(TOutputBuffer& out, const TDialogName& name, const TRCParser& parser);

/// WriteDialogName for the text `text`.
void WriteDialogText(TOutputBuffer& out, std::string_view text, const TRCParser& parser);

/// A style operand as GetToken delivered it: its bits, and the bits its expression took
/// away with NOT (read from the parser right after the token, before the next one).
struct TStyleOperand {
  std::uint32_t bits = 0;
  std::uint32_t removed = 0;
};

bool IsQuoted(std::string_view token);
bool StartsWithDigit(std::string_view token);
/// A digit or "-": how GetToken delivers every number and expression value.
bool StartsNumber(std::string_view token);
/// The characters between the quotes of a double-quoted token, in the token's storage.
std::string_view QuotedText(std::string_view token);

/// An operand as GetToken or SkipSeparators(parser, ",") reads it. A number the lanes
/// read keeps its value, and its text is made only for a message; a name, literal or
/// brace they read is seen in the file's own bytes, which hold until the next token is
/// read.
struct TOperand {
  TOperand() = default;
  TOperand(std::string token) : text(std::move(token)) {}  // NOLINT: a token read as text
  std::string text;                                        ///< the token the layers read
  std::string_view view;                                   ///< the token as written, when the lanes read it
  bool isView = false;                                     ///< the token is `view` (the lanes read it, no number)
  bool isValue = false;                                    ///< a number read without text
  std::int64_t value = 0;
  /// The token as GetToken gives it; empty for a value.
  std::string_view View() const { return isView ? view : isValue ? std::string_view() : std::string_view(text); }
  /// The token as GetToken gives it: a value in decimal.
  std::string Text() const;
  bool StartsWithDigit() const;
  bool StartsNumber() const;
  /// The empty token of the end of input.
  bool IsEnd() const { return !isValue && View().empty(); }
  /// Whether the token is `token` exactly ("{", "}"); never a value.
  bool Is(std::string_view token) const { return !isValue && View() == token; }
};

/// The next operand after any commas (SkipSeparators(parser, ",")).
TOperand ReadCommaOperand(TRCParser& parser);
/// The same into `operand`, whose storage it reuses.
void ReadCommaOperand(TRCParser& parser, TOperand& operand);
/// TakeNameAfterRun into `operand`.
bool TakeNameAfterRun(TRCParser& parser, TOperand& operand);
/// A common token (a lane read it) into `operand`.
void TakeCommonOperand(const TCommonToken& common, TOperand& operand);
/// The next token (GetToken) into `operand`.
void ReadTokenOperand(TRCParser& parser, TOperand& operand);

/// The value of a number token; a malformed one (12ab) stops with the integer
/// conversion failure "'12ab' is not a valid integer value".
std::int64_t NumberValue(std::string_view token);

/// The value of a number operand (NumberValue of a token read as text).
std::int64_t OperandValue(const TOperand& operand);

/// A coordinate or size: raises `missingMessage` (101 to 104) when the token is not a
/// number and 105 outside -32768..65535; 32768..65535 are the 16-bit patterns of
/// negative values.
std::int16_t ReadCoordinate(TRCParser& parser, const TOperand& token, int missingMessage);

/// Coordinates from the items `first` on of a run that took `count` items, one for each
/// place of `coordinates`; those the run did not take are read one by one, a missing one
/// raising `firstMessage` plus its place.
template <std::size_t N>
void RunCoordinates(TRCParser& parser, std::span<const TCommonToken> run, std::size_t count, std::size_t first,
                    std::array<std::int16_t, N>& coordinates, int firstMessage) {
  for (std::size_t i = 0; i < N; ++i)
    coordinates[i] = first + i < count
                         ? static_cast<std::int16_t>(static_cast<std::uint16_t>(run[first + i].value))
                         : ReadCoordinate(parser, ReadCommaOperand(parser), firstMessage + static_cast<int>(i));
}

/// A MENU or CLASS ordinal, FONT size or weight, ICON number: 0..65535, else 86.
std::uint16_t ReadWordOperand(TRCParser& parser, const TOperand& token);

/// A style or extended style operand; `minimum` is the lowest value taken
/// (negative only for a CONTROL style). Raises 97 outside minimum..0xFFFFFFFF.
TStyleOperand ReadStyleOperand(TRCParser& parser, const TOperand& token, std::int64_t minimum = 0);

/// A help id: any 32-bit value, negative ones as their pattern. Raises 97 beyond.
std::uint32_t ReadHelpId(TRCParser& parser, const TOperand& token);

/// Reads control statements from the token after "{" up to and including "}", writing
/// one item per statement in `layout` (in DIALOGEX with the help ids and creation data
/// blocks that may end them). Returns the number of items written.
/// Each control is noted in `notes` for the dialog warnings when they are wanted.
/// Raises 9, 68, 86, 97, 99 to 106, 112 to 115.
std::uint32_t CompileControls(TRCParser& parser, TTemplateLayout layout, TControlNotes* notes);

}  // namespace tarvex
