// Warnings: mistakes a compilation can see that the program's users would meet (two
// controls with one id, two items with one mnemonic, a string missing in one language...).
// They never change the output; the command line chooses which are printed, -Werror
// makes them end the compilation. The checks themselves live with the statements
// (statements/warning_checks.h); this is their vocabulary and what a compilation keeps
// of them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "reader/source_place.h"

namespace tarvex {

struct TRCParser;

/// The warnings by name; the order is the order of the names in -W options and texts.
enum class TWarningKind : std::uint8_t {
  DuplicateId,
  Mnemonic,
  Outside,
  Overlap,
  Accelerator,
  MissingTranslation,
  Version,
  Icon
};
constexpr std::size_t kWarningKinds = 8;
constexpr std::uint32_t kAllWarnings = (1u << kWarningKinds) - 1;

/// "duplicate-id", "mnemonic", ...
const char* WarningName(TWarningKind kind);

/// The kind named `name`; false for a name that is none.
bool FindWarningKind(std::string_view name, TWarningKind& kind);

constexpr std::uint32_t WarningBit(TWarningKind kind) { return 1u << static_cast<unsigned>(kind); }

/// Which warnings a compilation reports, and whether they are errors.
struct TWarningOptions {
  std::uint32_t enabled = 0;  ///< one bit per TWarningKind
  bool errors = false;        ///< -Werror: an enabled warning ends the compilation as an error
  bool IsEnabled(TWarningKind kind) const { return (enabled & WarningBit(kind)) != 0; }
  bool operator==(const TWarningOptions&) const = default;
};

/// What ReadWarningOption made of an argument.
enum class TWarningOptionRead { NotWarning, Taken, UnknownName };

/// Reads "-Wall", "-W<name>", "-Wno-<name>", "-Werror" and "-Wno-error". Options apply in
/// order: -Wall -Wno-icon leaves the icon warning off. UnknownName for "-W" followed by a
/// name that is no warning's.
TWarningOptionRead ReadWarningOption(std::string_view argument, TWarningOptions& options);

/// The text of the error line for an unknown warning name.
std::string UnknownWarningText(std::string_view argument);

/// One warning of a compilation: its kind, its place, text and notes in the form the
/// line:column diagnostics use, and the resource it concerns.
struct TWarning {
  TWarningKind kind = TWarningKind::DuplicateId;
  TDiagnosticDetail detail;
  std::uint16_t resourceType = 0;  ///< the type ordinal (5 dialog, 4 menu, 9 accelerators, 16 version, 14 icon group, 6 strings)
  std::string resourceName;        ///< as the report names it: an ordinal in decimal or the name in capitals; empty for strings
  std::uint16_t resourceLanguage = 0;
  bool operator==(const TWarning&) const = default;
};

/// The places and facts the checks need while a resource is compiled: kept on the parser
/// only when some warning is wanted (TRCParser::warnings), so that a compilation without
/// warnings records nothing.
struct TWarningCollector {
  std::uint32_t kinds = 0;            ///< the warnings to look for
  std::vector<TWarning> warnings;     ///< found so far, in the order found
  TSourcePlace statementPlace;        ///< the start of the resource statement being compiled
  std::vector<TSourcePlace> items;    ///< one per control, menu record or accelerator of the resource
  std::map<std::uint16_t, TSourcePlace> stringTables;  ///< the first STRINGTABLE statement of each language
  /// The version resource being read: its fixed numbers, blocks and values
  struct TVersionFixed {
    bool given = false;
    std::uint16_t parts[4] = {};
    TSourcePlace place;
  } fileVersion, productVersion;
  struct TVersionNode {
    int depth = 0;  ///< the blocks around it; 1 for StringFileInfo and VarFileInfo
    bool isBlock = false;
    std::u16string key;
    std::u16string text;                ///< a value's text
    std::vector<std::uint16_t> words;   ///< a value's numbers
    TSourcePlace place;
  };
  std::vector<TVersionNode> versionNodes;  ///< blocks and values in the order read
  int versionDepth = 0;                    ///< the blocks open while a version resource is read
  bool iconSeen = false;                   ///< the program's icon, the first group, was looked at

  bool Wants(TWarningKind kind) const { return (kinds & WarningBit(kind)) != 0; }
};

/// Records the place of the token just read as the place of the item being compiled (a
/// control, a menu record, an accelerator): called only when parser.warnings is set.
void NoteItemPlace(TRCParser& parser);

/// Records the place of the token just read as the start of a resource statement and
/// forgets the items of the previous one.
void NoteStatementPlace(TRCParser& parser);

/// The place of the token just read (an empty place without a current file).
TSourcePlace PlaceHere(const TRCParser& parser);

/// Builds a warning located at `place` with `message`.
TWarning MakeWarning(TWarningKind kind, const TSourcePlace& place, std::string message);

/// Adds a note at `place` to `warning`.
void AddWarningNote(TWarning& warning, const TSourcePlace& place, std::string text);

/// The line "Warning[-Wname] in line [N]: File F. Line N : text" of the native form (safe
/// for a terminal).
std::string NativeWarningLine(const TWarning& warning);

}  // namespace tarvex
