// Writing compiled resources back as a resource script: each resource as the statement
// that compiles to it (STRINGTABLE, MENU, DIALOGEX, ICON "file.ico", ...), with the
// files those statements name, or, where a statement cannot give the same bytes, as a
// block of data of the same type and name.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "output/res_image.h"

namespace tarvex {

/// How one group of resources is written: as its statement, as a data statement naming
/// a file (or a block, for 64 bytes or fewer), always as a block in the script, or as a
/// comment only, for resources no statement can give (a name of 0, say).
enum class TScriptForm { Statement, DataFile, DataBlock, Omitted };

/// The resources one statement of the script stands for (an icon group stands for the
/// group and its images), in the order of the input.
struct TScriptUnit {
  std::vector<std::size_t> entries;  ///< indexes into the resources
  TScriptForm form = TScriptForm::Statement;
  std::string reason;  ///< why the unit is written as data, for its comment
};

/// A file the script names, by its name inside the script's folder.
struct TScriptFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

struct TDecompileOptions {
  std::string folder;  ///< the folder the script names its files in ("app")
  /// Names for numbers: written instead of the number as a resource name or an id
  std::vector<std::pair<std::string, std::int64_t>> names;
  std::string namesHeader;    ///< included after the SDK headers when not empty
  bool keepOrder = true;      ///< statements in the input's order (a .res); else by language, type, name
  bool programInput = false;  ///< the resources come without memory flags (a program or object)
};

struct TDecompiledScript {
  std::string text;
  std::vector<TScriptFile> files;
  std::vector<std::size_t> unitLines;    ///< the line each unit's text starts on, by unit
  std::vector<std::size_t> unitOffsets;  ///< where each unit's text starts in `text`
  std::size_t headBytes = 0;             ///< the #pragma and #include lines before the first unit
  std::int32_t firstLanguage = -1;       ///< the language of the first unit, -1 without units
  std::int32_t lastLanguage = -1;        ///< the language in force at the end
};

/// The statements the resources are written as: an icon or cursor group together with
/// the images it names, every other resource on its own. With keepOrder the units come
/// in the order of their first resource, else by language, type and name.
std::vector<TScriptUnit> PlanScript(const std::vector<TResourceEntry>& resources, bool keepOrder);

/// The script for `units` of `resources`: UTF-8 text under #pragma code_page(65001), a
/// LANGUAGE statement wherever the language changes, and the files beside it.
TDecompiledScript WriteScript(const std::vector<TResourceEntry>& resources, const std::vector<TScriptUnit>& units,
                              const TDecompileOptions& options);
/// The script of units [first, last) alone, with the lines of the head and a LANGUAGE
/// statement before its first unit: a piece that compiles by itself.
TDecompiledScript WriteScriptPart(const std::vector<TResourceEntry>& resources, const std::vector<TScriptUnit>& units,
                                  const TDecompileOptions& options, std::size_t first, std::size_t last);
/// Appends the script of the units after those of `whole`, written by WriteScriptPart,
/// giving what WriteScript gives for all of them: the part's files move into `whole`,
/// its text and lines stay. False, with nothing changed, when a file of `part` has the
/// name of a file of `whole` (WriteScript would have named it otherwise).
bool JoinScripts(TDecompiledScript& whole, TDecompiledScript& part);

/// A file name safe on every file system for a resource: its name made of ASCII letters,
/// digits, "_" and "-" only (every other unit as "_"), never a device name, at most 100
/// bytes; `extension` added.
std::string SafeFileName(const TResourceId& name, const std::string& extension);

/// The text of `units` as a double-quoted script literal: UTF-8, with \n, \t, \\ and ""
/// and \x for other control characters. Empty when the text has no literal form (an
/// unpaired surrogate).
std::string ScriptLiteral(std::u16string_view units);

}  // namespace tarvex
