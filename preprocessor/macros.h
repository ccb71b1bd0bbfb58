// Macros with parameters: "#define NAME(a, b) body", called as NAME(x, y).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "reader/name_value.h"

namespace tarvex {

struct TRCParser;
struct TFileItem;

/// One piece of a macro body: text kept as written, a parameter replaced by its argument,
/// or a parameter after "#" replaced by its argument as a string literal.
struct TMacroPart {
  enum class TKind : std::uint8_t { Text, Parameter, Stringized };
  TKind kind = TKind::Text;
  std::string text;               ///< the text of a Text part
  std::size_t parameter = 0;      ///< the parameter of the other kinds
  bool spaceBefore = false;       ///< blanks stood before the part in the body
  bool pastedToPrevious = false;  ///< "##" stood before the part
};

/// A macro with parameters. A variadic macro's last parameter is __VA_ARGS__ and takes
/// every argument from its position on, commas included.
struct TMacro {
  std::vector<std::string> parameters;
  bool variadic = false;
  std::vector<TMacroPart> body;
};

/// The macros with parameters of one compilation, by name (case-sensitive). Each of them
/// also stands in the defines table, with no value, so that #ifdef and "defined" see it.
class TMacroTable {
 public:
  /// Asked for most names the script writes: an empty table, the common case, answers at once.
  const TMacro* Find(std::string_view name) const { return table_.empty() ? nullptr : FindHeld(name); }
  void Define(std::string_view name, TMacro macro);
  void Remove(std::string_view name) {
    if (!table_.empty()) RemoveHeld(name);
  }
  bool Empty() const { return table_.empty(); }

  int argumentDepth = 0;  ///< arguments being substituted inside arguments, now

 private:
  const TMacro* FindHeld(std::string_view name) const;
  void RemoveHeld(std::string_view name);
  std::unordered_map<std::string, TMacro, TStringHash, std::equal_to<>> table_;
};

/// Whether the byte right after the name just read by #define is "(": the definition
/// has parameters. A blank before "(" makes the parenthesis part of an ordinary value.
bool FollowsParameterList(const TRCParser& parser);

/// Stores the macro `name` from `definition`, the rest of its #define line:
/// "(" [parameter {"," parameter}] ["," "..."] ")" body. Fails with a located error
/// when the parameter list is malformed.
void DefineMacro(TRCParser& parser, const std::string& name, std::string_view definition);

/// Called for a name that is a macro with parameters, just read from the current file.
/// When "(" follows (blanks, comments and line breaks may stand between; on a condition
/// line, `onLine`, only on that line) and the macro is not being expanded already at
/// that place, reads the arguments up to the matching ")", writes the expansion into the
/// file's text at the read position (read next, names in it substituted again) and
/// returns true. Otherwise nothing is read and false comes back. Each expansion counts
/// as one step of `chain`. Raises 65 (chain, work budget or nesting of arguments) and
/// located errors for a wrong number of arguments and a missing ")".
bool ExpandMacroCall(TRCParser& parser, const std::string& name, bool onLine, int& chain);

/// Whether a token (anything but blanks and comments) is left in `file`'s own text.
bool TokenAheadInFile(const TFileItem& file);

}  // namespace tarvex
