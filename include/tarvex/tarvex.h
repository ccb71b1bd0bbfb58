// TARVEX as a library: compiles a Windows resource script, read from a file or held in
// memory, into a .res image or a COFF object in memory, and writes a script back from
// compiled resources. This is the one header a host
// program includes; it needs nothing beyond the C++20 standard library, and the
// library it declares is Tarvex::library (CMake) or tarvex (pkg-config).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarvex {

/// Supplies a file that the script names (an included script or header, an icon, a
/// bitmap, a data file...) from the host's memory. It is asked with each path the
/// compiler would try on disk, in the order it tries them: the name as the script writes
/// it, then joined to the folder of the naming script, then to each include directory
/// (each also with backslashes read as "/"). Return true with `contents` set to the
/// file's bytes to supply it; false lets the compiler look on disk. Each path is asked
/// at most once per compilation.
using TFileSource = std::function<bool(const std::string& path, std::string& contents)>;

/// The machine of a COFF object.
enum class TObjectMachine { X86, X64, Arm64 };

/// What a host asks of one compilation.
struct TScriptOptions {
  std::vector<std::string> includeDirectories;  ///< searched in order after the naming script's folder
  std::vector<std::string> defines;             ///< NAME or NAME=value (value 1 when none)
  std::vector<std::string> undefines;           ///< names removed after the defines
  std::uint32_t codePage = 0;  ///< Windows code page of the script's text; 0: the locale's character set
  bool coff = false;           ///< produce a COFF object instead of the .res image
  TObjectMachine machine = TObjectMachine::X64;  ///< the COFF object's machine
  TFileSource files;                             ///< files held in memory; empty: every file is read from disk
  /// The commonest tokens are read straight from the text; off, every token goes through
  /// the whole preprocessor: slower, with the same result
  bool fastPath = true;
  /// The warnings to look for, written as on the command line and applied in order:
  /// "-Wall", "-W<name>", "-Wno-<name>", "-Werror" (a warning then fails the compilation).
  /// Names: duplicate-id, mnemonic, outside, overlap, accelerator, missing-translation,
  /// version, icon. An unknown one fails the compilation. Empty: no warnings.
  std::vector<std::string> warningOptions;
};

/// A place in a script: file, line and column (characters from 1), as diagnostics name it.
struct TScriptPlace {
  std::string file;
  std::int32_t line = 0;    ///< 0 when the place is not in a script
  std::int32_t column = 0;  ///< 0 when the place is not in a script
};

/// A note that follows a warning, pointing at the other place concerned.
struct TScriptNote {
  TScriptPlace place;
  std::string text;  ///< "first used here" ...
};

/// One warning of a compilation: a mistake the compiler can see that the program's users
/// would meet. Warnings never change the image.
struct TScriptWarning {
  std::string name;   ///< "duplicate-id", "mnemonic" ... (the -W<name> that enables it)
  std::string text;   ///< "control id 1002 is also used at line 38"
  TScriptPlace place; ///< the statement that shows it
  std::vector<TScriptNote> notes;
};

/// What one compilation produced.
struct TScriptResult {
  /// The .res image, or the COFF object when one was asked for; empty after a failure
  std::vector<std::uint8_t> image;
  std::string errorText;                  ///< the full diagnostic text; empty on success
  std::int32_t errorNumber = 0;           ///< 1..124 for a numbered diagnostic, else 0
  std::int32_t errorLine = 0;             ///< line of the diagnostic, 0 when it has none
  std::int32_t errorColumn = 0;           ///< column of the diagnostic (characters from 1), 0 when it has none
  std::string errorFile;                  ///< file of the diagnostic, empty when it has none
  std::vector<std::string> dependencies;  ///< every file the compilation opened, first-opened order
  /// The warnings the options enabled, in the order found; kept after a failure too (under
  /// -Werror they are the failure's cause)
  std::vector<TScriptWarning> warnings;

  bool Succeeded() const { return errorText.empty(); }
};

/// Compiles the script `text`, known as `name`: the name diagnostics and the dependency
/// list show, and whose folder included files and resource files are looked for in.
/// Nothing is read from disk under that name, and no file is written.
TScriptResult CompileScriptText(const std::string& name, const std::string& text, const TScriptOptions& options = {});
/// The same, taking over `text` instead of copying it.
TScriptResult CompileScriptText(const std::string& name, std::string&& text, const TScriptOptions& options = {});

/// Compiles the script file `fileName` (or the host's copy of it, when `options.files`
/// supplies that name). No file is written.
TScriptResult CompileScriptFile(const std::string& fileName, const TScriptOptions& options = {});

/// A script written back from compiled resources, with the files it names.
struct TDecompiledImage {
  std::string script;  ///< UTF-8 script text; empty after a failure
  /// The files the script names, each by its name inside the folder given
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
  /// What does not compile back to the same bytes ("RCDATA abc 0x0409 does not ...")
  std::vector<std::string> differences;
  std::string errorText;  ///< why nothing could be written; empty on success

  bool Succeeded() const { return errorText.empty(); }
};

/// Writes a script from a .res image, a Windows program or DLL, or a COFF object held in
/// memory: each resource as its statement where that gives the same bytes, else as data.
/// The script names its files as "<folder>/<name>" (or "<name>" for an empty folder).
/// Nothing is read from disk or written.
TDecompiledImage DecompileImage(const std::vector<std::uint8_t>& image, const std::string& folder);

}  // namespace tarvex
