// Fuzz target: compiles arbitrary bytes as a resource script, which must end in a success
// or one clean error, never a crash or a hang. The input is split into a script and the
// text of a Pascal unit and a C header as memory_files.h tells.
#include <cstddef>
#include <cstdint>

#include "statements/compile_api.h"
#include "tests/fuzz/memory_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tarvex_fuzz::TInputFiles& files = tarvex_fuzz::InputFiles();
  if (!files.Usable()) return 0;
  files.Fill(data, size);
  tarvex::CompileToImage(files.script.Path());
  return 0;
}
