// The library interface a host program embeds: compile one script into a .res image in
// memory or into a file, with the diagnostic's number, file, line and text on failure
// and an optional notification per resource.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reader/parser.h"
#include "reader/source_index.h"

namespace tarvex {

/// What one compilation produced.
struct TCompilation {
  std::vector<std::uint8_t> image;        ///< the .res image (CompileToImage only); empty after a failure
  std::string errorText;                  ///< the full diagnostic text; empty on success
  std::int32_t errorNumber = 0;           ///< 1..124 for a numbered diagnostic, else 0
  std::int32_t errorLine = 0;             ///< line of the diagnostic, 0 when it has none
  std::string errorFile;                  ///< file of the diagnostic, empty when it has none
  std::vector<std::string> dependencies;  ///< every file the compilation opened, first-opened order
  TDiagnosticDetail detail;               ///< the failure with its column, source line and notes (line:column form)
  /// The names the script's own files #define to a number (CompileToImage with
  /// options.defineNames only), in the order first defined, with their values; predefined
  /// and built-in SDK names are not among them
  std::vector<std::pair<std::string, std::int64_t>> defineNames;
  /// The warnings found, in the order found: those options.warnings enables, and every
  /// one under options.allWarnings; kept after a failure too
  TWarningList warnings;

  bool Succeeded() const { return errorText.empty(); }
};

/// Compiles the script `scriptName` into `outputName` with `parser`, which must be
/// fresh: a parser serves one compilation. Throws TCompileError on any failure; the
/// output file is then neither created nor changed.
void Compile(TRCParser& parser, const std::string& scriptName, const std::string& outputName);

/// Everything Compile does but the save: the finished image is left in parser.output.
/// A failure raised while the script is read carries the file and line reached.
void CompileImage(TRCParser& parser, const std::string& scriptName);

/// The names the script's own files #define to a number, in the order first defined,
/// with their values, read after a compilation from `parser`'s tables.
std::vector<std::pair<std::string, std::int64_t>> ScriptDefineValues(TRCParser& parser);

/// Compiles `scriptName` with a fresh parser and returns the image without writing any
/// file. `notification`, when set, is called per registered resource and per
/// STRINGTABLE statement; `options` adds include folders, names and a code page.
TCompilation CompileToImage(const std::string& scriptName, const TResourceNotification& notification = {},
                            const TCompileOptions& options = {});

/// Compiles `scriptName` with a fresh parser, then hands the parser to `finish`: its
/// output holds the finished image and its openedFiles every file read, so that the
/// caller saves the image from there without a copy. A failure of either is returned as
/// CompileToImage returns it; one of `finish` keeps error number and line 0.
TCompilation CompileAndFinish(const std::string& scriptName, const TCompileOptions& options,
                              const std::function<void(TRCParser&)>& finish);

/// A compilation kept for an editor: its result, the places it indexed, and the parser,
/// whose tables still answer what a name stands for.
struct TEditorCompilation {
  TCompilation result;  ///< its image stays empty: the bytes are in `output`
  /// The .res image; after a failure, the bytes written before it, whole resources but
  /// the last (the index's output ranges tell them)
  std::vector<std::uint8_t> output;
  TSourceIndex index;
  std::unique_ptr<TRCParser> parser;
};

/// Compiles `scriptName` (its text and any other file the host holds come from `files`)
/// into an image in memory, indexing it, with its warnings located; the file stack is
/// left empty, after a failure too, so that the parser can be asked about names.
TEditorCompilation CompileForEditor(const std::string& scriptName, const TCompileOptions& options,
                                    const TFileSupplier& files);

/// The value of the defined name `name` as the script would read it where the
/// compilation ended; nullopt when it does not stand for a number.
std::optional<std::int64_t> DefinedNameValue(TRCParser& parser, const std::string& name);

/// Compiles `scriptName` into `outputName`; after a failure the output file is neither
/// created nor changed.
TCompilation CompileToFile(const std::string& scriptName, const std::string& outputName,
                           const TResourceNotification& notification = {}, const TCompileOptions& options = {});

}  // namespace tarvex
