// The input files of the fuzz targets: the bytes up to the first zero byte are the script,
// the rest the text of "unit.pas" and, again, of "unit.h" (so that the Pascal unit reader
// and a C header, read for its directives only, are reached too). All are in-memory files
// reached through symbolic links "script.rc", "unit.pas" and "unit.h" in a private
// temporary folder, so that no run touches the disk; the working directory, where the
// fuzzer keeps its seeds, corpus and crash inputs, is left alone.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tarvex_fuzz {

inline void WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t wrote = write(fd, data + done, size - done);
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
}

// One in-memory file, reached through a symbolic link of the given name in `folder`.
class TMemoryFile {
 public:
  TMemoryFile(const std::string& folder, const char* name) : fd_(memfd_create(name, 0)), path_(folder + "/" + name) {
    std::string target = "/proc/self/fd/" + std::to_string(fd_);
    if (fd_ < 0 || symlink(target.c_str(), path_.c_str()) != 0) path_.clear();
  }
  void Replace(const std::uint8_t* data, std::size_t size) const {
    if (fd_ < 0 || ftruncate(fd_, 0) != 0) return;
    lseek(fd_, 0, SEEK_SET);
    WriteAll(fd_, data, size);
  }
  const std::string& Path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

inline std::string MakePrivateFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tarvex-fuzz-XXXXXX";
  return mkdtemp(folder.data()) == nullptr ? std::string() : folder;
}

// The script, the unit and the header, side by side in the private folder.
struct TInputFiles {
  std::string folder = MakePrivateFolder();
  TMemoryFile script{folder, "script.rc"};
  TMemoryFile unit{folder, "unit.pas"};
  TMemoryFile header{folder, "unit.h"};

  ~TInputFiles() {
    unlink(script.Path().c_str());
    unlink(unit.Path().c_str());
    unlink(header.Path().c_str());
    rmdir(folder.c_str());
  }

  bool Usable() const { return !folder.empty() && !script.Path().empty(); }

  // Splits one fuzzer input into the script and the text of the unit and the header.
  void Fill(const std::uint8_t* data, std::size_t size) const {
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
    std::size_t scriptSize = zero == nullptr ? size : static_cast<std::size_t>(zero - data);
    std::size_t unitStart = zero == nullptr ? size : scriptSize + 1;
    script.Replace(data, scriptSize);
    unit.Replace(data + unitStart, size - unitStart);
    header.Replace(data + unitStart, size - unitStart);
  }
};

inline const TInputFiles& InputFiles() {
  static const TInputFiles files;
  return files;
}

}  // namespace tarvex_fuzz
