// Saving a file so that it is either the old file or the whole new one.
//
// The new bytes go into a file that has no name (O_TMPFILE) in the folder of the file
// they replace. Only once they are written and synced does the file get a temporary name
// (linkat), which is at once renamed over the old file; then the folder is synced, so
// that after a power cut the name leads to the new data and never to an empty file. An
// interruption before the rename, even SIGKILL, leaves nothing: a nameless file goes
// with the process. The temporary name exists only between the linkat and the rename.
//
// Where the file system has no nameless files, the new bytes go into a named temporary
// from the start. While it exists, a handler for SIGINT, SIGTERM and SIGHUP (the signals
// with which a user or a build tool stops a build) removes it, restores the handler that
// was there before and raises the signal again, so that the process ends as it would
// have. A handler can only reach static storage, so the names it removes live in a few
// fixed slots.
#include "output/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "reader/diagnostics.h"
#include "reader/file_search.h"

namespace tarvex {

namespace {

std::atomic<bool> useNamedTemporaries{false};

[[noreturn]] void CannotCreate(const std::string& fileName, const std::string& reason) {
  RaiseFailure("Cannot create file " + fileName + ": " + reason);
}

[[noreturn]] void CannotCreate(const std::string& fileName, int error) { CannotCreate(fileName, std::strerror(error)); }

// ---- Removal of named temporaries on a signal

constexpr std::array<int, 3> kCleanupSignals{SIGINT, SIGTERM, SIGHUP};
enum TSlotState : int { kFree, kClaimed, kArmed };

struct TCleanupSlot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};

std::array<TCleanupSlot, 8> cleanupSlots;
std::array<struct sigaction, kCleanupSignals.size()> previousActions;
std::array<bool, kCleanupSignals.size()> handlerInstalled{};
int cleanupUsers = 0;
std::mutex cleanupMutex;

void RemoveTemporariesAndRaise(int signal) {
  for (TCleanupSlot& slot : cleanupSlots)
    if (slot.state.load() == kArmed) unlink(slot.path);
  for (std::size_t i = 0; i < kCleanupSignals.size(); ++i)
    if (kCleanupSignals[i] == signal) sigaction(signal, &previousActions[i], nullptr);
  raise(signal);  // delivered with the old disposition once this handler returns
}

sigset_t CleanupSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kCleanupSignals) sigaddset(&set, signal);
  return set;
}

// Blocks the cleanup signals for its lifetime, so that a file and the slot that names it
// come into being together.
class TSignalsBlocked {
 public:
  TSignalsBlocked() {
    sigset_t set = CleanupSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
  }
  ~TSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  TSignalsBlocked(const TSignalsBlocked&) = delete;
  TSignalsBlocked& operator=(const TSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

// A named temporary that a cleanup signal removes for as long as the object is armed.
// The handlers are in place while any such object lives; a signal the process ignores
// gets none, since it cannot end the process.
class TRemoveOnSignal {
 public:
  TRemoveOnSignal() {
    std::lock_guard<std::mutex> lock(cleanupMutex);
    for (TCleanupSlot& candidate : cleanupSlots) {
      int expected = kFree;
      if (candidate.state.compare_exchange_strong(expected, kClaimed)) {
        slot_ = &candidate;
        break;
      }
    }
    if (cleanupUsers++ == 0) InstallHandlers();
  }
  ~TRemoveOnSignal() {
    if (slot_) slot_->state.store(kFree);
    std::lock_guard<std::mutex> lock(cleanupMutex);
    if (--cleanupUsers == 0) RestoreHandlers();
  }
  TRemoveOnSignal(const TRemoveOnSignal&) = delete;
  TRemoveOnSignal& operator=(const TRemoveOnSignal&) = delete;

  /// From now on a cleanup signal removes `path`. False when no slot was free or the
  /// name is too long to keep.
  bool Arm(const std::string& path) {
    if (!slot_ || path.size() >= sizeof slot_->path) return false;
    slot_->state.store(kClaimed);
    std::memcpy(slot_->path, path.c_str(), path.size() + 1);
    slot_->state.store(kArmed);
    return true;
  }
  void Disarm() {
    if (slot_) slot_->state.store(kClaimed);
  }

 private:
  static void InstallHandlers() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndRaise;
    action.sa_mask = CleanupSignalSet();
    for (std::size_t i = 0; i < kCleanupSignals.size(); ++i) {
      handlerInstalled[i] = false;
      if (sigaction(kCleanupSignals[i], nullptr, &previousActions[i]) != 0) continue;
      if (previousActions[i].sa_handler == SIG_IGN) continue;
      handlerInstalled[i] = sigaction(kCleanupSignals[i], &action, nullptr) == 0;
    }
  }
  static void RestoreHandlers() {
    for (std::size_t i = 0; i < kCleanupSignals.size(); ++i)
      if (handlerInstalled[i]) sigaction(kCleanupSignals[i], &previousActions[i], nullptr);
  }

  TCleanupSlot* slot_ = nullptr;
};

// ---- The file replaced

// The file a save replaces, and what is known of it.
struct TTarget {
  std::string path;    ///< the final target of any symbolic links
  std::string folder;  ///< its folder with a trailing "/", or empty for the working directory
  bool exists = false;
  mode_t mode = 0;  ///< permission bits of the existing file
};

std::string LinkTarget(const std::string& fileName, const std::string& link) {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
  if (length < 0) CannotCreate(fileName, errno);
  if (static_cast<std::size_t>(length) >= buffer.size()) CannotCreate(fileName, ENAMETOOLONG);
  std::string target(buffer.data(), static_cast<std::size_t>(length));
  return target.empty() || target[0] == '/' ? target : FolderOf(link) + target;
}

const char* KindOfSpecialFile(mode_t mode) {
  if (S_ISDIR(mode)) return "Is a directory";
  if (S_ISFIFO(mode)) return "Is a FIFO";
  if (S_ISSOCK(mode)) return "Is a socket";
  if (S_ISCHR(mode)) return "Is a character device";
  if (S_ISBLK(mode)) return "Is a block device";
  return "Is not a regular file";
}

// Follows symbolic links to the file the save replaces and refuses what it must not
// replace. A file with no write bit was made read-only on purpose: refused for root too.
TTarget ResolveTarget(const std::string& fileName) {
  TTarget target{fileName, {}, false, 0};
  struct stat info {};
  for (int links = 0;; ++links) {
    if (lstat(target.path.c_str(), &info) != 0) {
      if (errno != ENOENT) CannotCreate(fileName, errno);
      target.folder = FolderOf(target.path);
      return target;
    }
    if (!S_ISLNK(info.st_mode)) break;
    if (links == 40) CannotCreate(fileName, ELOOP);
    target.path = LinkTarget(fileName, target.path);
  }
  if (!S_ISREG(info.st_mode)) CannotCreate(fileName, KindOfSpecialFile(info.st_mode));
  if ((info.st_mode & 0222) == 0) CannotCreate(fileName, EACCES);
  if (faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) CannotCreate(fileName, errno);
  target.folder = FolderOf(target.path);
  target.exists = true;
  target.mode = info.st_mode & 07777;
  return target;
}

// ---- The new file

// "folder/.tarvex-XXXXXX" with six random letters or digits.
std::string TemporaryName(const std::string& folder) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::array<unsigned char, 6> random{};
  if (getrandom(random.data(), random.size(), GRND_NONBLOCK) != static_cast<ssize_t>(random.size())) {
    auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                static_cast<std::uint64_t>(getpid()) << 32;
    for (unsigned char& byte : random) byte = static_cast<unsigned char>(seed >>= 5);
  }
  std::string name = folder + ".tarvex-";
  for (unsigned char byte : random) name += kLetters[byte % (sizeof kLetters - 1)];
  return name;
}

// A descriptor closed with the object.
class TDescriptor {
 public:
  explicit TDescriptor(int fd = -1) : fd_(fd) {}
  ~TDescriptor() { Close(); }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  int Get() const { return fd_; }
  /// False when the close reports an error of a delayed write.
  bool Close() {
    if (fd_ < 0) return true;
    int result = close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
};

std::string FolderOrDot(const std::string& folder) { return folder.empty() ? std::string(".") : folder; }

// A nameless file in `folder`; -1 with errno set when the file system has none (or the
// tests asked for a named temporary).
int OpenNameless(const std::string& folder) {
  if (useNamedTemporaries.load()) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return open(FolderOrDot(folder).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

// EOPNOTSUPP is what a file system without nameless files answers; kernels older than
// the flag read it as O_DIRECTORY and answer EISDIR.
bool NamelessUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// Creates a new file of a random name in `folder`, with `cleanup` armed for it before
// any signal can see it. Returns the descriptor, or -1 with errno set.
int CreateNamedTemporary(const std::string& folder, TRemoveOnSignal& cleanup, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryName(folder);
    TSignalsBlocked blocked;
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      if (!cleanup.Arm(name)) {
        unlink(name.c_str());
        close(fd);
        errno = ENOMEM;
        return -1;
      }
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Writes every piece in order. One call writes at most 16 MiB: a signal that ends the
// process waits for the write under way, and should not wait for a whole large output.
bool WriteAll(int fd, TBytePieces pieces) {
  constexpr std::size_t kMaxWrite = 16 << 20;
  std::vector<iovec> vectors;
  vectors.reserve(pieces.size());
  for (std::span<const std::uint8_t> piece : pieces)
    for (std::size_t at = 0; at < piece.size(); at += kMaxWrite)
      vectors.push_back({const_cast<std::uint8_t*>(piece.data()) + at, std::min(kMaxWrite, piece.size() - at)});
  std::size_t first = 0;
  while (first < vectors.size()) {
    // As many whole pieces as make up to 16 MiB, and at least one.
    int count = 0;
    for (std::size_t bytes = 0; first + static_cast<std::size_t>(count) < vectors.size() && count < IOV_MAX;) {
      bytes += vectors[first + static_cast<std::size_t>(count)].iov_len;
      if (count > 0 && bytes > kMaxWrite) break;
      ++count;
    }
    ssize_t written = writev(fd, vectors.data() + first, count);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return false;
    if (written == 0) {
      errno = EIO;
      return false;
    }
    // Past the pieces written whole, then into the one written in part.
    auto left = static_cast<std::size_t>(written);
    while (first < vectors.size() && left >= vectors[first].iov_len) left -= vectors[first++].iov_len;
    if (left > 0) {
      vectors[first].iov_base = static_cast<std::uint8_t*>(vectors[first].iov_base) + left;
      vectors[first].iov_len -= left;
    }
  }
  return true;
}

// Gives the nameless file `fd` the name `name`.
bool LinkNameless(int fd, const std::string& name) {
  std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno != ENOENT) return false;
  return linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;  // no /proc mounted
}

// Names the nameless file `fd` and renames it over the target, with `cleanup` armed
// for the moment between the two.
bool PublishNameless(int fd, const TTarget& target, TRemoveOnSignal& cleanup) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TemporaryName(target.folder);
    cleanup.Arm(name);
    if (!LinkNameless(fd, name)) {
      cleanup.Disarm();
      if (errno == EEXIST) continue;
      return false;
    }
    bool renamed = rename(name.c_str(), target.path.c_str()) == 0;
    int error = errno;
    if (!renamed) unlink(name.c_str());
    cleanup.Disarm();
    errno = error;
    return renamed;
  }
  errno = EEXIST;
  return false;
}

// A folder's fsync makes a rename in it durable. Some file systems cannot sync a folder;
// the file is in place by then, so a failure here is not one of the save.
void SyncFolder(const std::string& folder) {
  TDescriptor directory(open(FolderOrDot(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Get() >= 0) fsync(directory.Get());
}

// Whether the file lives in memory (tmpfs). There, reserving room would clear every
// page that the write then fills again; a full tmpfs still fails the write itself, and
// the file, having no name yet, goes with the failure.
bool HeldInMemory(int fd) {
  constexpr decltype(statfs::f_type) kTmpfsMagic = 0x01021994;
  struct statfs info;
  return fstatfs(fd, &info) == 0 && info.f_type == kTmpfsMagic;
}

}  // namespace

struct TPreparedFile::TState {
  std::string fileName;
  TTarget target;
  TRemoveOnSignal cleanup;
  std::string named;  // the named temporary, when there is one
  TDescriptor file;

  ~TState() {
    if (!named.empty()) unlink(named.c_str());
  }
};

TPreparedFile::TPreparedFile(TBytePieces pieces, const std::string& fileName) : state_(std::make_unique<TState>()) {
  TState& state = *state_;
  state.fileName = fileName;
  state.target = ResolveTarget(fileName);
  state.file.Reset(OpenNameless(state.target.folder));
  if (state.file.Get() < 0) {
    if (!NamelessUnsupported(errno)) CannotCreate(fileName, errno);
    state.file.Reset(CreateNamedTemporary(state.target.folder, state.cleanup, state.named));
    if (state.file.Get() < 0) CannotCreate(fileName, errno);
  }
  // Room for the whole file first: a full disk shows before anything is written, and the
  // file system allocates the blocks at once instead of page by page.
  std::uint64_t total = 0;
  for (std::span<const std::uint8_t> piece : pieces) total += piece.size();
  if (total > 0 && !HeldInMemory(state.file.Get()) &&
      fallocate(state.file.Get(), 0, 0, static_cast<off_t>(total)) != 0 && errno == ENOSPC)
    Fail(errno);
  if (!WriteAll(state.file.Get(), pieces)) Fail(errno);
  if (state.target.exists && fchmod(state.file.Get(), state.target.mode) != 0) Fail(errno);
  if (fsync(state.file.Get()) != 0) Fail(errno);
}

TPreparedFile::~TPreparedFile() = default;

void TPreparedFile::Fail(int error) {
  state_->file.Close();
  if (!state_->named.empty()) unlink(state_->named.c_str());
  state_->named.clear();
  CannotCreate(state_->fileName, error);
}

void TPreparedFile::Publish() {
  TState& state = *state_;
  if (state.named.empty()) {
    if (!PublishNameless(state.file.Get(), state.target, state.cleanup)) Fail(errno);
  } else {
    if (rename(state.named.c_str(), state.target.path.c_str()) != 0) Fail(errno);
    state.named.clear();
  }
  state.cleanup.Disarm();
  state.file.Close();  // the data was synced: a failure on close has nothing left to report
  SyncFolder(state.target.folder);
}

void SaveFileAtomically(TBytePieces pieces, const std::string& fileName) { TPreparedFile(pieces, fileName).Publish(); }

void WriteScratchFile(TBytePieces pieces, const std::string& scratchName) {
  std::string folder = FolderOf(scratchName);
  TDescriptor file(OpenNameless(folder));
  if (file.Get() < 0) {
    if (!NamelessUnsupported(errno)) CannotCreate(scratchName, errno);
    // A named file dropped at once: with the signals blocked, no signal can come between.
    TSignalsBlocked blocked;
    for (int attempt = 0; attempt < 100 && file.Get() < 0; ++attempt) {
      std::string name = TemporaryName(folder);
      file.Reset(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
      if (file.Get() >= 0)
        unlink(name.c_str());
      else if (errno != EEXIST)
        break;
    }
    if (file.Get() < 0) CannotCreate(scratchName, errno);
  }
  if (!WriteAll(file.Get(), pieces) || !file.Close()) CannotCreate(scratchName, errno);
}

void UseNamedTemporaryFiles(bool named) { useNamedTemporaries.store(named); }

}  // namespace tarvex
