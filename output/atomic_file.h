// Saving an output file so that it is either the old file or the whole new one, and so
// that no interruption leaves a temporary file behind.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tarvex {

/// Bytes written one piece after the other, without joining them first.
using TBytePieces = std::span<const std::span<const std::uint8_t>>;

/// Saves `pieces`, in order, as the whole content of `fileName`. The bytes go into a
/// nameless file in the folder of the file replaced, which is synced, given a temporary
/// name and renamed over it; the folder is synced last. Where the file system has no
/// nameless files, a named temporary is used, removed should SIGINT, SIGTERM or SIGHUP
/// arrive before the rename (the process then ends with that signal).
/// A symbolic link is followed: the file it finally names is replaced, the link stays.
/// An existing file keeps its permission bits; a new one gets 0666 less the umask.
/// Refused, leaving whatever is there as it was: a directory, FIFO, socket or device, and
/// a file the user may not write or that has no write bit at all (also for root).
/// Throws TCompileError "Cannot create file <fileName>: <reason>".
void SaveFileAtomically(TBytePieces pieces, const std::string& fileName);

/// SaveFileAtomically in two steps, so that other work can go on between them: the
/// bytes are written and synced first, without changing anything a reader of the folder
/// sees; Publish then puts them in place under the name. Dropped unpublished, the file
/// leaves nothing behind. Both steps throw as SaveFileAtomically does.
class TPreparedFile {
 public:
  TPreparedFile(TBytePieces pieces, const std::string& fileName);
  ~TPreparedFile();
  TPreparedFile(const TPreparedFile&) = delete;
  TPreparedFile& operator=(const TPreparedFile&) = delete;
  void Publish();

 private:
  struct TState;
  [[noreturn]] void Fail(int error);
  std::unique_ptr<TState> state_;
};

/// Writes `pieces` into a nameless file in the folder of `scratchName` and drops it: the
/// output of a syntax check, which must leave nothing behind whatever ends the process.
/// Throws TCompileError "Cannot create file <scratchName>: <reason>" when the folder
/// cannot hold it or a write fails.
void WriteScratchFile(TBytePieces pieces, const std::string& scratchName);

/// For tests: makes saves take the path of file systems without nameless files.
void UseNamedTemporaryFiles(bool named);

}  // namespace tarvex
