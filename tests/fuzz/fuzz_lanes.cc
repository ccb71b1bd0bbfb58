// Fuzz target: compiles every input twice, once with the lanes of the reader on and once
// with them off (every token through the layers), and stops the fuzzer with the input
// when the two differ in anything a user sees: the image, the diagnostic with its number,
// file, line, column, source line and notes, the files opened and the resources
// announced. Half of the inputs (those of odd size) are read with line markers, whose
// file and line changes the lanes must follow too. The input is split into a script and
// the text of a Pascal unit and a C header as memory_files.h tells.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "statements/compile_api.h"
#include "tests/fuzz/memory_files.h"

namespace {

struct TRun {
  tarvex::TCompilation result;
  std::vector<std::string> announced;  ///< one line per notification: name, count, type
};

TRun Compile(const std::string& script, bool lanes, bool lineMarkers) {
  TRun run;
  tarvex::TCompileOptions options;
  options.lanes = lanes;
  options.lineMarkers = lineMarkers;
  options.defineNames = true;
  auto announce = [&run](tarvex::TRCParser&, const std::string& name, std::int32_t count, const std::string& type) {
    run.announced.push_back(name + " " + std::to_string(count) + " " + type);
  };
  run.result = tarvex::CompileToImage(script, announce, options);
  return run;
}

// The first thing in which the two runs differ, or nullptr when they agree.
const char* Difference(const TRun& on, const TRun& off) {
  const tarvex::TCompilation& a = on.result;
  const tarvex::TCompilation& b = off.result;
  if (a.image != b.image) return "image";
  if (a.errorText != b.errorText) return "error text";
  if (a.errorNumber != b.errorNumber) return "error number";
  if (a.errorLine != b.errorLine) return "error line";
  if (a.errorFile != b.errorFile) return "error file";
  if (a.detail.message != b.detail.message) return "detail message";
  if (a.detail.where != b.detail.where) return "detail place (file, line, column, source line)";
  if (!(a.detail == b.detail)) return "notes";
  if (a.dependencies != b.dependencies) return "files opened";
  if (a.defineNames != b.defineNames) return "defined names";
  if (on.announced != off.announced) return "resources announced";
  return nullptr;
}

void Describe(const char* title, const TRun& run) {
  const tarvex::TCompilation& c = run.result;
  std::fprintf(stderr, "%s: image %zu bytes, error %d line %d file \"%s\" column %d\n  %s\n", title, c.image.size(),
               c.errorNumber, c.errorLine, c.errorFile.c_str(), c.detail.where.column, c.errorText.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tarvex_fuzz::TInputFiles& files = tarvex_fuzz::InputFiles();
  if (!files.Usable()) return 0;
  files.Fill(data, size);
  bool lineMarkers = (size & 1) != 0;
  TRun on = Compile(files.script.Path(), true, lineMarkers);
  TRun off = Compile(files.script.Path(), false, lineMarkers);
  if (const char* what = Difference(on, off)) {
    std::fprintf(stderr, "The lanes and the layers differ in the %s (line markers %s).\n", what,
                 lineMarkers ? "on" : "off");
    Describe("lanes on", on);
    Describe("lanes off", off);
    std::abort();
  }
  return 0;
}
