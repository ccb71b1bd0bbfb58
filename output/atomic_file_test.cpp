#include "output/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "reader/diagnostics.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;

std::span<const std::uint8_t> Piece(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void Save(const std::string& text, const std::string& fileName) {
  std::span<const std::uint8_t> pieces[] = {Piece(text)};
  SaveFileAtomically(pieces, fileName);
}

// What a save failed with, or "saved".
std::string SaveFailure(const std::string& text, const std::string& fileName) {
  try {
    Save(text, fileName);
  } catch (const TCompileError& error) {
    return error.what();
  }
  return "saved";
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

// The pieces replace the file, which keeps its permissions; nothing else is left behind.
TEST_P(AtomicSaveTest, ReplacesTheFileAndLeavesNoTemporary) {
  dir.Write("a.res", "old contents");
  chmod(dir.File("a.res").c_str(), 0640);
  std::span<const std::uint8_t> pieces[] = {Piece("new "), Piece(""), Piece("con"), Piece("tents")};
  SaveFileAtomically(pieces, dir.File("a.res"));
  EXPECT_EQ(dir.Read("a.res"), "new contents");
  struct stat info {};
  ASSERT_EQ(stat(dir.File("a.res").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.res"});
}

// A link is followed: the file it names is replaced and the link stays.
TEST_P(AtomicSaveTest, SymbolicLinksAreFollowedAndKept) {
  dir.Write("real/a.res", "old");
  ASSERT_EQ(symlink("real/a.res", dir.File("link.res").c_str()), 0);
  Save("new", dir.File("link.res"));
  EXPECT_EQ(dir.Read("real/a.res"), "new");
  EXPECT_EQ(std::filesystem::read_symlink(dir.File("link.res")), "real/a.res");
}

// A file without write permission (refused to root too) and a directory are refused and
// left as they were.
TEST_P(AtomicSaveTest, OutputsThatMustNotBeReplacedAreRefusedAndKept) {
  dir.Write("readonly.res", "protected");
  ASSERT_EQ(chmod(dir.File("readonly.res").c_str(), 0444), 0);
  dir.Write("dir.res/keep", "inside");
  for (const auto& [name, reason] : {std::pair{"readonly.res", "Permission denied"}, {"dir.res", "Is a directory"}})
    EXPECT_EQ(SaveFailure("new", dir.File(name)), "Cannot create file " + dir.File(name) + ": " + reason);
  EXPECT_EQ(dir.Read("readonly.res"), "protected");
  EXPECT_EQ(dir.Read("dir.res/keep"), "inside");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"dir.res", "readonly.res"}));
}

// A save stopped by SIGTERM as soon as its named temporary appears: the signal removes the
// temporary and the old file stays.
TEST(InterruptedSaveTest, SignalsRemoveTheNamedTemporary) {
  UseNamedTemporaryFiles(true);
  TTempDir dir;
  dir.Write("a.res", "old contents");
  pid_t child = fork();
  if (child == 0) {
    static const std::vector<std::uint8_t> block(1 << 20, 0x5A);
    std::vector<std::span<const std::uint8_t>> pieces(256, block);
    SaveFileAtomically(pieces, dir.File("a.res"));
    _exit(0);
  }
  auto started = [&] {
    for (const std::string& name : dir.List())
      if (name.rfind(".tarvex-", 0) == 0) return true;
    return false;
  };
  for (int i = 0; i < 20000 && !started(); ++i) std::this_thread::sleep_for(std::chrono::microseconds(100));
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  UseNamedTemporaryFiles(false);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.res"});
  EXPECT_EQ(dir.Read("a.res"), "old contents");
}

}  // namespace
}  // namespace tarvex
