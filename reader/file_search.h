// Where files named by a script are found.
#pragma once

#include <string>

namespace tarvex {

struct TRCParser;

/// The path under which a file named by the script (an included file or a resource
/// file) is opened. Looked for relative to the working directory; then relative to the
/// folder of the file that names it (the current file, or the file its line markers
/// name in preprocessed input); then in each include directory
/// of the options, in order. In each place the name is tried as written, then with every
/// backslash read as a directory separator (each time first among the files the host
/// supplies, then on disk), then matched on disk ignoring letter case component by
/// component (the first match in directory order wins). Returns the empty text when the
/// file is found nowhere.
std::string FindScriptFile(const TRCParser& parser, const std::string& name);

/// The folder part of `path` up to and including its last "/", or empty.
std::string FolderOf(const std::string& path);

}  // namespace tarvex
