// Warnings: mistakes a compilation can see that the program's users would meet (two
// controls with one id, two items with one mnemonic, a string missing in one language...).
// They never change the output; the command line chooses which are printed, -Werror
// makes them end the compilation. The checks themselves live with the statements
// (statements/warning_checks.h); this is their vocabulary and what a compilation keeps
// of them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reader/source_place.h"

namespace tarvex {

struct TRCParser;
struct TFileItem;
class TWarningFindings;

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
  /// Where the warning and its notes point, kept until LocateWarning fills the columns
  /// and source lines of `detail` (the file and line are there from the start): finding
  /// a column costs more than most warnings are worth before they are shown
  std::vector<TSourcePlace> pendingPlaces;
  /// A warning found in bulk (a dialog's controls outside, a mnemonic used twice) keeps
  /// only its number among the findings of its compilation, which make its message, notes
  /// and places when it is shown or handed out (ComposeWarning): most are never printed
  std::shared_ptr<const TWarningFindings> findings;
  std::size_t finding = 0;
};

/// Makes the message, notes and places of a warning whose text waits; nothing otherwise.
void ComposeWarning(TWarning& warning);

/// A copy of `warning` with its message, place and notes made.
TWarning ComposedCopy(const TWarning& warning);

/// Fills the columns and source lines of a warning and its notes from its pending places
/// (after ComposeWarning).
void LocateWarning(TWarning& warning);

/// Records the place of the token just read as the start of a resource statement and
/// forgets the items of the previous one.
void NoteStatementPlace(TRCParser& parser);

/// The place of the token just read (an empty place without a current file).
TSourcePlace PlaceHere(const TRCParser& parser);

/// A place recorded cheaply while a resource is read: the file, by its item and serial,
/// and the offset and line in its text as read. Turned into a place (PlaceOfMark) only
/// for a warning, while its file is still open.
struct TWarningMark {
  const TFileItem* file = nullptr;
  std::uint64_t serial = 0;
  std::size_t offset = 0;
  std::int32_t line = 0;
};

/// The place of `mark`; an empty place (no text) with the mark's line once its file is closed.
TSourcePlace PlaceOfMark(const TRCParser& parser, const TWarningMark& mark);

/// A place kept for a warning whose text waits: its file by number among those the
/// findings keep (kNoFile: a file closed before the place was kept), and the offset and
/// line in the file's text as read.
struct TKeptPlace {
  static constexpr std::uint32_t kNoFile = 0xFFFFFFFF;
  std::uint32_t file = kNoFile;
  std::int32_t line = 0;
  std::size_t offset = 0;
};

/// The findings of a compilation whose text waits until a warning is shown or handed out,
/// and the files their places lie in. A file's text is taken as the file closes (moved,
/// when nothing changed it): a place costs no copy of the script.
class TWarningFindings {
 public:
  virtual ~TWarningFindings() = default;
  /// Fills the message and places of finding `index` into `warning` (its kind and resource
  /// set), with its notes.
  virtual void Compose(std::size_t index, TWarning& warning) const = 0;
  /// The place finding `index` of `kind` points at, and its message appended to `text`, as
  /// Compose makes them: what the native line shows.
  virtual TKeptPlace PlaceOf(std::size_t index, TWarningKind kind) const = 0;
  virtual void AppendMessage(std::size_t index, TWarningKind kind, std::string& text) const = 0;
  /// The name of the file of a kept place; empty for none.
  std::string_view FileName(const TKeptPlace& kept) const {
    return kept.file == TKeptPlace::kNoFile ? std::string_view() : std::string_view(files_[kept.file].place.file);
  }
  /// The place of `mark`, kept while its file is open, as PlaceOfMark would give it.
  TKeptPlace Keep(const TRCParser& parser, const TWarningMark& mark) {
    // Most places of a compilation lie in one file: the last one kept is looked at first.
    if (files_.empty() || files_.back().open != mark.file || files_.back().serial != mark.serial ||
        files_.back().open == nullptr)
      return KeepInNewFile(parser, mark);
    return {static_cast<std::uint32_t>(files_.size() - 1), mark.line, mark.offset};
  }
  /// What PlaceOfMark gave for the kept mark while its file was open.
  TSourcePlace Place(const TKeptPlace& kept) const;
  /// Takes the text of `file`, which is closing, for the places kept in it.
  void Settle(TFileItem& file);
  /// Whether places were kept in a file still open.
  bool KeepsOpenFiles() const { return !unsettled_.empty(); }

 private:
  struct TKeptFile {
    TSourcePlace place;               ///< the text (once settled), name and character set
    const TFileItem* open = nullptr;  ///< while the file is open
    std::uint64_t serial = 0;
  };
  TKeptPlace KeepInNewFile(const TRCParser& parser, const TWarningMark& mark);

  std::vector<TKeptFile> files_;
  std::vector<std::uint32_t> unsettled_;  ///< the files still open
};

/// As `file` closes: the warnings' findings take its text.
void SettleWarningFile(TRCParser& parser, TFileItem& file);

/// Builds a warning located at `place` with `message`.
TWarning MakeWarning(TWarningKind kind, const TSourcePlace& place, std::string message);

/// Gives `warning` its place and message, as MakeWarning does.
void PlaceWarning(TWarning& warning, TSourcePlace place, std::string message);

/// Adds a note at `place` to `warning`.
void AddWarningNote(TWarning& warning, const TSourcePlace& place, std::string text);

/// The line "Warning[-Wname] in line [N]: File F. Line N : text" of the native form (safe
/// for a terminal); a warning whose text waits has only its message and place made.
std::string NativeWarningLine(const TWarning& warning);

/// The same for finding `finding` of `kind` among `findings`, not made into a warning.
std::string NativeWarningLine(TWarningKind kind, const TWarningFindings& findings, std::size_t finding);

/// The warnings of a compilation in the order found. Those found in bulk (a dialog's
/// controls outside, a mnemonic used twice) are kept compact, and made into warnings only
/// when the whole list is wanted (All): the native line needs none of them made.
class TWarningList {
 public:
  /// One found in bulk: finding `finding` of its kind among `findings`, after `before` of
  /// the warnings made one by one
  struct TFound {
    static constexpr std::uint8_t kLongName = 0xFF;
    TWarningKind kind = TWarningKind::DuplicateId;
    std::uint8_t nameSize = 0;  ///< the resource's name in `name`, or kLongName: in longNames_
    std::uint16_t type = 0;
    std::uint16_t language = 0;
    char name[18] = {};  ///< a name of up to 18 bytes; else the index of the long one
    std::size_t finding = 0;
    std::size_t before = 0;
  };

  /// Adds a warning made one by one.
  void Add(TWarning warning) { made_.push_back(std::move(warning)); }
  /// Adds a warning found in bulk about the resource `name`.
  void AddFound(TWarningKind kind, std::uint16_t type, std::string_view name, std::uint16_t language,
                std::size_t finding);
  /// The findings the compact ones are told by.
  void SetFindings(std::shared_ptr<const TWarningFindings> findings) { findings_ = std::move(findings); }

  std::size_t size() const { return made_.size() + found_.size(); }
  bool empty() const { return size() == 0; }
  /// Every warning, made, in the order found.
  std::vector<TWarning>& All();
  /// Calls `each(kind, made, finding)` for every warning in the order found: `made` is the
  /// warning, or null for one found in bulk, which is finding `finding` of Findings().
  template <class TEach>
  void ForEach(TEach each) const {
    std::size_t direct = 0;
    for (const TFound& one : found_) {
      for (; direct < one.before; ++direct) each(made_[direct].kind, &made_[direct], std::size_t{0});
      each(one.kind, static_cast<const TWarning*>(nullptr), one.finding);
    }
    for (; direct < made_.size(); ++direct) each(made_[direct].kind, &made_[direct], std::size_t{0});
  }
  const TWarningFindings* Findings() const { return findings_.get(); }

 private:
  std::vector<TWarning> made_;
  std::vector<TFound> found_;
  std::vector<std::string> longNames_;
  std::shared_ptr<const TWarningFindings> findings_;
};

}  // namespace tarvex
