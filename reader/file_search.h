// Where files named by a script are found.
#pragma once

#include <string>

namespace tarvex {

struct TRCParser;

/// The order of the places where a named file is looked for.
enum class TSearchOrder : unsigned char {
  /// Resource files, <angle> and bare includes: the working directory, then the folder of
  /// the file that names it (the current file), then each include directory.
  WorkingDirectoryFirst,
  /// "Quoted" includes, as C compilers search them: the folder of the including file,
  /// then the working directory, then each include directory.
  NamingFolderFirst,
};

/// The path under which a file named by the script (an included file or a resource
/// file) is opened, looked for in the places of `order` (the naming file is the current
/// file, or the file its line markers name in preprocessed input); each include directory of the
/// options is tried in turn. In each place the name is tried as written, then with every
/// backslash read as a directory separator (each time first among the files the host
/// supplies, then on disk), then matched ignoring letter case component
/// by component (the first match in directory order wins). Returns the empty text when
/// the file is found nowhere.
std::string FindScriptFile(const TRCParser& parser, const std::string& name,
                           TSearchOrder order = TSearchOrder::WorkingDirectoryFirst);

/// `path` made absolute against `folder` (when relative), with "." and ".." components
/// and doubled slashes removed, as text: links are not followed.
std::string NormalPath(const std::string& path, const std::string& folder);

/// The folder part of `path` up to and including its last "/", or empty.
std::string FolderOf(const std::string& path);

}  // namespace tarvex
