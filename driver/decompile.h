// Decompiling: a .res file, a program or DLL, or a COFF object back into a script and
// the files it names, checked by compiling the script again.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace tarvex {

/// What kind of input to read; Any judges by the first bytes.
enum class TDecompileInput { Any, Res, Coff, Program };

struct TDecompileRequest {
  std::string input;
  std::string script;       ///< empty: the input's name with ".rc" in the current folder
  std::string namesHeader;  ///< a header whose #defines name ids; empty: none
  TDecompileInput kind = TDecompileInput::Any;
  bool force = false;     ///< replace an existing script and folder
  bool toStream = false;  ///< the script to `stream`, the files to the current folder
};

/// What a decompilation wrote and how well it compiles back.
struct TDecompileResult {
  std::string script;            ///< the script's name ("-" for the stream)
  std::string folder;            ///< the folder of its files; empty when none was needed
  std::size_t resources = 0;     ///< resources read
  std::size_t files = 0;         ///< files written beside the script
  std::size_t statements = 0;    ///< resources written as their statement
  std::size_t paddingBytes = 0;  ///< zero bytes the compiled data gained up to a multiple of 4
  std::size_t scriptBytes = 0;
  /// What does not compile back to the same bytes, for people ("RCDATA abc 0x0409 does not ...")
  std::vector<std::string> differences;
};

/// Reads the input, writes the script (into `stream` with toStream) and its folder.
/// Everything is written whole or not at all; an existing script or folder is kept unless
/// `force`. Throws std::runtime_error with the text to print after "tarvex: error: ".
TDecompileResult Decompile(const TDecompileRequest& request, std::ostream* stream = nullptr);

/// The one line a run prints about `result`: "Wrote app.rc (12 resources) and 3 files in app/".
std::string DecompileSummary(const TDecompileResult& result);

}  // namespace tarvex
