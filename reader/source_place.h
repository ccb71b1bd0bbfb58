// Places in a script as written: what a diagnostic in the compiler's line:column form
// names, with the source line it shows and the notes that follow it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct TRCParser;
struct TFileItem;

/// The start of a token in a file's current text and the line it lies on.
struct TTokenMark {
  std::size_t at = 0;
  std::int32_t line = 1;
};

/// A place in a file's text as it was read, kept for a later note: the text is shared,
/// so the place outlives the file's closing.
struct TSourcePlace {
  std::shared_ptr<const std::string> text;  ///< the file's text as read (decoded)
  std::string file;                         ///< the name diagnostics give for the file
  std::size_t offset = 0;                   ///< byte offset into *text
  std::int32_t line = 0;
  std::string charset;  ///< character set of *text (iconv name; empty: the locale's)
};

/// A "{" still open: its offset and line in the text as read, and the entry of
/// TRCParser::blockContexts that names its file, text and character set. Its place is
/// made only when a note needs it.
struct TOpenBlock {
  std::size_t context = 0;
  std::size_t offset = 0;
  std::int32_t line = 0;
};

/// A located point of a diagnostic, ready to print.
struct TSourceLocation {
  std::string file;
  std::int32_t line = 0;
  std::int32_t column = 0;   ///< characters from 1, a tab counting one
  bool showsSource = false;  ///< false when the line is too long to show
  /// The source line as UTF-8 with control characters shown as \xNN
  std::string sourceLine;
  std::size_t caretCharacters = 0;  ///< characters of sourceLine before the caret
  bool operator==(const TSourceLocation&) const = default;
};

/// A note that follows a diagnostic.
struct TDiagnosticNote {
  bool located = false;
  bool showSource = false;  ///< print the source line and caret under the note
  TSourceLocation where;
  std::string text;
  bool operator==(const TDiagnosticNote&) const = default;
};

/// Everything the line:column form prints about one failure.
struct TDiagnosticDetail {
  bool located = false;  ///< false: the failure has no place in a script
  TSourceLocation where;
  std::string message;  ///< the message without its number and without the "File ... Line ..." prefix
  std::vector<TDiagnosticNote> notes;
  bool operator==(const TDiagnosticDetail&) const = default;
};

/// Turns a place into the file, line, column and shown source line of a diagnostic.
TSourceLocation LocatePlace(const TSourcePlace& place);

/// The characters of `bytes` in `charset` (UTF-8 sequences, two-byte characters of the
/// East Asian code pages, single bytes otherwise); a byte that starts no valid character
/// counts as one.
std::int32_t CountCharacters(std::string_view bytes, const std::string& charset);

/// The place of the token the compilation is at: the first byte of the token last
/// scanned in the current file, or, for a token of substituted text, the source name the
/// text stands for. False without a current file.
bool CurrentPlace(const TRCParser& parser, TSourcePlace& place);

/// Fills parser.errorDetail for a failure whose message is `message` (a catalogue text
/// loses its leading number): the current place when there is one, and the notes.
void RecordErrorDetail(TRCParser& parser, std::string_view message);

/// For a failure raised without the parser (a conversion, a size limit) while a script
/// was being read: records its detail at the current place, unless a diagnostic did.
void LocateFailure(TRCParser& parser, std::string_view message);

/// Remembers the "{" or "}" just read for the note of a block left open at the end of
/// the input; reading the same brace again after a push-back changes nothing.
void TrackBlock(TRCParser& parser, bool opens);

/// The character set of `file`'s text (iconv name; empty: the locale's).
const std::string& CharsetOf(const TRCParser& parser, const TFileItem& file);

/// The place of the token that started at `mark` in `file` (as CurrentPlace gives it).
TSourcePlace PlaceOf(const TRCParser& parser, const TFileItem& file, TTokenMark mark);

}  // namespace tarvex
