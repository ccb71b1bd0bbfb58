// Fuzz target: compiles arbitrary bytes as a resource script. The bytes up to the first
// zero byte are the script; the bytes after it are the text of "unit.pas", so that a
// script that includes "unit.pas" reaches the Pascal unit reader too. Both live in
// anonymous in-memory files, so that no run touches the disk: "unit.pas" is a symbolic
// link, made once in a private temporary folder that becomes the working directory, to
// the in-memory file that holds the unit. Whatever the bytes say, the compilation must
// end in a success or one clean error, never a crash or a hang.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "statements/compile_api.h"

namespace {

void WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t wrote = write(fd, data + done, size - done);
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
}

// The in-memory file behind "unit.pas" in the working directory.
class TUnitFile {
 public:
  TUnitFile() : fd_(memfd_create("unit.pas", 0)) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tarvex-fuzz-XXXXXX";
    if (fd_ < 0 || mkdtemp(folder.data()) == nullptr || chdir(folder.c_str()) != 0) return;
    std::string target = "/proc/self/fd/" + std::to_string(fd_);
    if (symlink(target.c_str(), "unit.pas") != 0) return;
  }
  void Replace(const std::uint8_t* data, std::size_t size) const {
    if (fd_ < 0 || ftruncate(fd_, 0) != 0) return;
    lseek(fd_, 0, SEEK_SET);
    WriteAll(fd_, data, size);
  }

 private:
  int fd_;
};

const TUnitFile& UnitFile() {
  static const TUnitFile unit;
  return unit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
  std::size_t scriptSize = zero == nullptr ? size : static_cast<std::size_t>(zero - data);
  std::size_t unitStart = zero == nullptr ? size : scriptSize + 1;
  UnitFile().Replace(data + unitStart, size - unitStart);
  int fd = memfd_create("script.rc", 0);
  if (fd < 0) return 0;
  WriteAll(fd, data, scriptSize);
  std::string name = "/proc/self/fd/" + std::to_string(fd);
  tarvex::CompileToImage(name);
  close(fd);
  return 0;
}
