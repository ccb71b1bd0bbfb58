// Where the language server takes a script's build settings from: a .tarvex.json beside
// the script, else the script's entry in a compile_commands.json of the workspace, else
// the editor's initializationOptions (or its later workspace/didChangeConfiguration).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tarvex {

/// The settings one compilation of a script uses.
struct TLspSettings {
  std::vector<std::string> includeDirectories;  ///< absolute, in search order
  std::vector<std::string> defines;             ///< NAME or NAME=value
  std::vector<std::string> undefines;
  std::uint32_t codePage = 0;  ///< Windows code page; 0: the locale's character set
  bool warnings = true;        ///< publish warnings as well as errors (-Wall)
  /// -W options applied after `warnings` (-Wno-icon, -Werror...), as on a command line
  std::vector<std::string> warningOptions;
  /// A compile_commands.json (or the folder holding one) to look in before the
  /// workspace's own; empty: none
  std::string compileCommands;
  std::string origin = "defaults";  ///< where they came from, for the hover of a statement
  bool operator==(const TLspSettings&) const = default;
};

/// Settings from an object { "includeDirectories": [...], "defines": [...],
/// "undefines": [...], "codePage": 1252, "warnings": true, "warningOptions": ["-Wno-icon"],
/// "compileCommands": "out" };
/// relative paths are taken from `folder`. Members of the wrong type are ignored.
TLspSettings SettingsFromJson(const nlohmann::json& object, const std::string& folder);

/// Settings from the arguments of a compile command (any of the native, rc and windres
/// forms: -I/-i/--include-dir, -D/-d/--define, -U/-u/--undefine, -c/--codepage, and
/// the -W options);
/// relative directories are taken from `directory`.
TLspSettings SettingsFromArguments(const std::vector<std::string>& arguments, const std::string& directory);

/// A command line split as a POSIX shell splits words (quotes and backslashes).
std::vector<std::string> SplitCommand(const std::string& command);

/// The settings for the script `path` (absolute): its folder's .tarvex.json, else the
/// entry for it in the compile_commands.json `editor` names, or in one at `root` or
/// `root`/build, else `editor`.
TLspSettings ResolveSettings(const std::string& path, const std::string& root, const TLspSettings& editor);

}  // namespace tarvex
