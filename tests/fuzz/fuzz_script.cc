// Fuzz target: compiles arbitrary bytes as a resource script. The script lives in an
// anonymous in-memory file so that no run touches the disk; whatever the bytes say,
// the compilation must end in a success or one clean error, never a crash or a hang.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "statements/compile_api.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int fd = memfd_create("script.rc", 0);
  if (fd < 0) return 0;
  std::size_t done = 0;
  while (done < size) {
    ssize_t wrote = write(fd, data + done, size - done);
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
  std::string name = "/proc/self/fd/" + std::to_string(fd);
  tarvex::CompileToImage(name);
  close(fd);
  return 0;
}
