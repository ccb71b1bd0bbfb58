#include "tests/external_tools.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace tarvex::test {

// The program on PATH, or its newest version of the form program-NN.
std::string FindTool(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');)
    for (int version = 31; version >= 10 && !folder.empty(); --version) {
      std::string candidate = folder + "/" + program + (version == 31 ? "" : "-" + std::to_string(version));
      std::error_code ignored;
      if (std::filesystem::is_regular_file(candidate, ignored) && access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
  return {};
}

int RunTool(const std::vector<std::string>& arguments, std::string& output, int timeoutSeconds,
            const std::string& workingDirectory) {
  output.clear();
  int pipeEnds[2];
  if (arguments.empty() || pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    dup2(pipeEnds[1], 1);
    dup2(pipeEnds[1], 2);
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  char buffer[4096];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(child, SIGKILL);
      break;
    }
    pollfd ready{pipeEnds[0], POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
    ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    output.append(buffer, static_cast<std::size_t>(got));
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace tarvex::test
