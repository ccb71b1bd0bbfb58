// Shared test fixtures: a fresh temporary folder per test and whole compilations of
// small scripts written into it.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "statements/compile_api.h"

namespace tarvex::test {

/// A new empty folder under the system's temporary directory, removed with all its
/// content when the object goes.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return path_; }
  /// path/name
  std::string File(const std::string& name) const;
  void Write(const std::string& name, const std::string& contents) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  /// Names of the entries of the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};

/// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

/// Makes `path` the working directory for the lifetime of the object.
class TWorkingDirectory {
 public:
  explicit TWorkingDirectory(const std::string& path);
  ~TWorkingDirectory();
  TWorkingDirectory(const TWorkingDirectory&) = delete;
  TWorkingDirectory& operator=(const TWorkingDirectory&) = delete;

 private:
  std::string previous_;
};

/// Writes `script` as a.rc into `dir` (plus any other files the test wrote there before),
/// compiles it from inside `dir` into a.res and returns what happened, with the image read
/// back from the saved file.
TCompilation CompileInDir(const TTempDir& dir, const std::string& script);

/// The same in a fresh temporary folder.
TCompilation CompileText(const std::string& script);

/// One row of the corpus's scripts.tsv: a script of a real application, how it is
/// compiled, and whether a correct compiler compiles it.
struct TCorpusRow {
  std::string label;                     ///< set/script, for messages
  std::string script;                    ///< the script's path
  std::string workdir;                   ///< the folder to compile it from
  std::vector<std::string> includeDirs;  ///< as paths
  std::vector<std::string> defines;      ///< as NAME or NAME=VALUE
  std::string codePage;                  ///< empty when the row names none
  bool compiles = false;

  /// The native command line's build options and the script: -I, -D, -c, then the path.
  std::vector<std::string> Arguments() const;
};

/// The rows of the corpus beside the sources, in their order; `found` is false (and the
/// list empty) when there is no corpus there.
std::vector<TCorpusRow> CorpusRows(bool& found);

/// Bytes as hex, 16-byte rows of 4-byte groups, for readable byte comparisons.
std::string HexRows(const std::vector<std::uint8_t>& bytes);

/// Hex text with any blanks (as written in tests) to bytes.
std::vector<std::uint8_t> FromHex(const std::string& hex);

/// What `run` threw, or `none` when it returned.
template <class F>
std::string ErrorOf(F&& run, const std::string& none = "") {
  try {
    run();
  } catch (const std::exception& failure) {
    return failure.what();
  }
  return none;
}

}  // namespace tarvex::test
