#include "output/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

#include "output/res_writer.h"
#include "reader/diagnostics.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;

std::span<const std::uint8_t> Piece(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// What a save failed with, or "saved".
std::string SaveFailure(const std::string& text, const std::string& fileName,
                        void (*save)(TBytePieces, const std::string&) = SaveFileAtomically) {
  std::span<const std::uint8_t> pieces[] = {Piece(text)};
  return test::ErrorOf([&] { save(std::span(pieces), fileName); }, "saved");
}

// What stands at `path`, enough to tell that nothing of it changed: type and permission
// bits in octal, a device's number, a link's target, a file's content.
std::string Describe(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return "nothing";
  char text[256] = {};
  if (S_ISLNK(info.st_mode))
    return "link to " + std::string(text, static_cast<std::size_t>(readlink(path.c_str(), text, sizeof text)));
  std::snprintf(text, sizeof text, "%06o %lu ", static_cast<unsigned>(info.st_mode), info.st_rdev);
  return S_ISREG(info.st_mode) ? text + test::ReadFile(path) : text;
}

// Runs each test twice: with nameless temporaries and with named ones, as on a file
// system that has no nameless files.
class AtomicSaveTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { UseNamedTemporaryFiles(GetParam()); }
  void TearDown() override { UseNamedTemporaryFiles(false); }
  TTempDir dir;
};

INSTANTIATE_TEST_SUITE_P(Temporaries, AtomicSaveTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Named" : "Nameless"; });

TEST_P(AtomicSaveTest, ReplacesTheFileWithThePiecesAndKeepsItsPermissions) {
  dir.Write("a.res", "old contents");
  std::span<const std::uint8_t> pieces[] = {Piece("new "), Piece(""), Piece("con"), Piece("tents")};
  SaveFileAtomically(pieces, dir.File("a.res"));
  EXPECT_EQ(dir.Read("a.res"), "new contents");
  test::TWorkingDirectory cwd(dir.Path());
  SaveOutput(TOutputBuffer(), "a.res");
  EXPECT_EQ(dir.Read("a.res"), "");
  mode_t previous = umask(022);
  EXPECT_EQ(SaveFailure("x", "new.res"), "saved");  // a relative name
  chmod(dir.File("a.res").c_str(), 0640);
  EXPECT_EQ(SaveFailure("y", dir.File("a.res")), "saved");
  umask(previous);
  EXPECT_EQ(Describe(dir.File("new.res")), "100644 0 x");
  EXPECT_EQ(Describe(dir.File("a.res")), "100640 0 y");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.res", "new.res"}));
  // A folder in memory (tmpfs) is written without reserving room first.
  if (struct stat shm{}; stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode)) {
    std::string inMemory = "/dev/shm/tarvex-save-" + std::to_string(getpid()) + ".res";
    EXPECT_EQ(SaveFailure(std::string(70000, 'm'), inMemory), "saved");
    EXPECT_EQ(SaveFailure("short", inMemory), "saved");
    EXPECT_EQ(test::ReadFile(inMemory), "short");
    unlink(inMemory.c_str());
  }
  // A scratch file leaves nothing.
  EXPECT_EQ(SaveFailure("scratch", dir.File("tarvex-check-XXXXXX"), WriteScratchFile), "saved");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.res", "new.res"}));
  EXPECT_EQ(SaveFailure("scratch", dir.File("missing/tarvex-check-XXXXXX"), WriteScratchFile),
            "Cannot create file " + dir.File("missing/tarvex-check-XXXXXX") + ": No such file or directory");
  if (geteuid() == 0) return;  // permissions do not bind root
  dir.Write("sub/b.res", "old");
  chmod(dir.File("sub").c_str(), 0555);
  EXPECT_EQ(SaveFailure("x", dir.File("sub/b.res")),
            "Cannot create file " + dir.File("sub/b.res") + ": Permission denied");
  chmod(dir.File("sub").c_str(), 0755);
  EXPECT_EQ(dir.Read("sub/b.res"), "old");
}

// A prepared file replaces nothing before it is published, and dropped unpublished it
// leaves nothing behind.
TEST_P(AtomicSaveTest, APreparedFileTakesEffectOnlyWhenPublished) {
  dir.Write("a.rc", "old");
  std::span<const std::uint8_t> pieces[] = {Piece("new "), Piece("text")};
  { TPreparedFile dropped(pieces, dir.File("a.rc")); }
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.rc"}));
  TPreparedFile kept(pieces, dir.File("a.rc"));
  EXPECT_EQ(dir.Read("a.rc"), "old");
  kept.Publish();
  EXPECT_EQ(dir.Read("a.rc"), "new text");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.rc"}));
  EXPECT_EQ(test::ErrorOf([&] { TPreparedFile(pieces, dir.File("missing/a.rc")); }),
            "Cannot create file " + dir.File("missing/a.rc") + ": No such file or directory");
}

TEST_P(AtomicSaveTest, SymbolicLinksAreFollowedAndKept) {
  dir.Write("real/a.res", "old");
  ASSERT_EQ(symlink(dir.File("real/a.res").c_str(), dir.File("absolute.res").c_str()), 0);
  ASSERT_EQ(symlink("real/a.res", dir.File("relative.res").c_str()), 0);
  ASSERT_EQ(symlink("relative.res", dir.File("chain.res").c_str()), 0);
  ASSERT_EQ(symlink("real/new.res", dir.File("dangling.res").c_str()), 0);
  for (const char* link : {"absolute.res", "relative.res", "chain.res"}) {
    EXPECT_EQ(SaveFailure(link, dir.File(link)), "saved");
    EXPECT_EQ(dir.Read("real/a.res"), link);
  }
  EXPECT_EQ(SaveFailure("new", dir.File("dangling.res")), "saved");
  EXPECT_EQ(dir.Read("real/new.res"), "new");
  EXPECT_EQ(Describe(dir.File("absolute.res")), "link to " + dir.File("real/a.res"));
  EXPECT_EQ(Describe(dir.File("chain.res")), "link to relative.res");
  EXPECT_EQ(Describe(dir.File("dangling.res")), "link to real/new.res");
  EXPECT_EQ(dir.List(),
            (std::vector<std::string>{"absolute.res", "chain.res", "dangling.res", "real", "relative.res"}));
}

TEST_P(AtomicSaveTest, OutputsThatMustNotBeReplacedAreRefusedAndKept) {
  dir.Write("dir.res/keep", "inside");
  ASSERT_EQ(mkfifo(dir.File("fifo.res").c_str(), 0644), 0);
  dir.Write("readonly.res", "protected");
  ASSERT_EQ(chmod(dir.File("readonly.res").c_str(), 0444), 0);
  ASSERT_EQ(symlink("fifo.res", dir.File("tofifo.res").c_str()), 0);
  int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string socketPath = dir.File("socket.res");
  bool haveSocket = socketPath.size() < sizeof address.sun_path;
  if (haveSocket) {
    socketPath.copy(address.sun_path, socketPath.size());
    haveSocket = bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  // A device node needs root, as CI has; mknod is refused to other users.
  bool haveDevice = mknod(dir.File("device.res").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  // The read-only file is refused also to root: it has no write bit at all.
  for (const auto& [name, reason, present] :
       {std::tuple{"dir.res", "Is a directory", true}, std::tuple{"fifo.res", "Is a FIFO", true},
        std::tuple{"tofifo.res", "Is a FIFO", true}, std::tuple{"socket.res", "Is a socket", haveSocket},
        std::tuple{"device.res", "Is a character device", haveDevice},
        std::tuple{"readonly.res", "Permission denied", true},
        std::tuple{"missing/a.res", "No such file or directory", true}}) {
    if (!present) continue;
    std::vector<std::string> before = dir.List();
    std::string state = Describe(dir.File(name));
    EXPECT_EQ(SaveFailure("new", dir.File(name)), "Cannot create file " + dir.File(name) + ": " + reason);
    EXPECT_EQ(Describe(dir.File(name)), state) << name;
    EXPECT_EQ(dir.List(), before) << name;
  }
  close(sock);
  EXPECT_EQ(dir.Read("dir.res/keep"), "inside");
  EXPECT_EQ(Describe(dir.File("readonly.res")), "100444 0 protected");
}

// A save of `megabytes` in a child process, stopped by `signal` as soon as its new file
// is open in the folder; returns how the child ended.
int InterruptedSave(const TTempDir& dir, int signal, int megabytes) {
  pid_t child = fork();
  if (child == 0) {
    std::signal(SIGINT, SIG_DFL);  // as a shell's `&` may ignore it
    static const std::vector<std::uint8_t> block(1 << 20, 0x5A);
    std::vector<std::span<const std::uint8_t>> pieces(static_cast<std::size_t>(megabytes), block);
    try {
      SaveFileAtomically(pieces, dir.File("a.res"));
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  // The named temporary appears when the save begins; the child is then writing.
  auto started = [&] {
    return std::ranges::any_of(dir.List(), [](auto& name) { return name.starts_with(".tarvex-"); });
  };
  for (int i = 0; i < 20000 && !started(); ++i) std::this_thread::sleep_for(std::chrono::microseconds(100));
  kill(child, signal);
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

// Signals remove the named temporary; an ignored signal (as nohup leaves SIGHUP) stays ignored.
TEST(InterruptedSaveTest, SignalsRemoveTheNamedTemporary) {
  UseNamedTemporaryFiles(true);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, 0}) {
    TTempDir dir;
    dir.Write("a.res", "old contents");
    if (signal == 0) std::signal(SIGHUP, SIG_IGN);
    int status = InterruptedSave(dir, signal ? signal : SIGHUP, signal ? 256 : 16);
    std::signal(SIGHUP, SIG_DFL);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"a.res"}) << signal;
    if (signal == 0) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
      EXPECT_EQ(dir.Read("a.res").size(), 16u << 20);
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << strsignal(signal) << " status " << status;
      EXPECT_EQ(dir.Read("a.res"), "old contents");
    }
  }
  UseNamedTemporaryFiles(false);
}

}  // namespace
}  // namespace tarvex
