// The program stopped by a signal while it saves a large output, as Ctrl-C or a build
// tool stopping a build does: the old output stays as it was, and nothing else is left
// in the output's folder or, for a syntax check, in $TMPDIR.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;

// True when process `pid` has a file open in `folder` that has no name there yet (a
// nameless file, or a temporary name): its save has begun.
bool SavingInto(pid_t pid, const std::string& folder) {
  try {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
      std::string path = std::filesystem::read_symlink(entry.path()).string();
      if (path.starts_with(folder + "/") &&
          (path.ends_with(" (deleted)") || path.substr(folder.size() + 1).starts_with(".tarvex-")))
        return true;
    }
  } catch (const std::filesystem::filesystem_error&) {  // the process ended, or a descriptor was closed
  }
  return false;
}

// Runs the program in `dir` with `args` (and TMPDIR set to `tmpdir`), sends it `signal`
// once it writes into `watched`, and returns its wait status.
int RunAndInterrupt(const TTempDir& dir, std::vector<std::string> args, const std::string& watched,
                    const std::string& tmpdir, int signal) {
  args.insert(args.begin(), TARVEX_BINARY);
  std::vector<char*> argv;
  for (std::string& argument : args) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    for (int caught : {SIGINT, SIGTERM, SIGHUP}) std::signal(caught, SIG_DFL);  // as a shell's `&` may ignore them
    int null = open("/dev/null", O_WRONLY);
    if (chdir(dir.Path().c_str()) != 0 || null < 0 || dup2(null, 1) < 0 || setenv("TMPDIR", tmpdir.c_str(), 1) != 0)
      _exit(126);
    execv(TARVEX_BINARY, argv.data());
    _exit(127);
  }
  for (int i = 0; i < 200000 && !SavingInto(child, watched); ++i) usleep(50);  // up to 10 s
  kill(child, signal);
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

// The output is a 128 MB copy of a sparse file: long enough to be caught while it is
// being written. A compilation keeps the old output; a syntax check leaves $TMPDIR empty.
TEST(InterruptedRunTest, SaveStoppedBySignalLeavesNothing) {
  for (bool check : {false, true}) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
      TTempDir dir;
      dir.Write("a.rc", "1 RCDATA big.bin\n");
      dir.Write("big.bin", "");
      ASSERT_EQ(truncate(dir.File("big.bin").c_str(), 128 << 20), 0);
      std::filesystem::create_directory(dir.File("tmp"));
      dir.Write("a.res", "old output");
      std::string watched = check ? dir.File("tmp") : dir.Path();
      int status =
          RunAndInterrupt(dir, check ? std::vector<std::string>{"-d", "a.rc"} : std::vector<std::string>{"a.rc"},
                          watched, dir.File("tmp"), signal);
      std::string label = std::string(check ? "-d, " : "") + strsignal(signal);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << label << ", status " << status;
      EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.rc", "a.res", "big.bin", "tmp"})) << label;
      EXPECT_EQ(dir.Read("a.res"), "old output") << label;
      EXPECT_TRUE(std::filesystem::is_empty(dir.File("tmp"))) << label;
    }
  }
}

}  // namespace
}  // namespace tarvex
