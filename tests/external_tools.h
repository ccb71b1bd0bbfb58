// Running the programs that consume .res files (lld-link, llvm-readobj, llvm-cvtres)
// as black-box checks of what the compiler writes.
#pragma once

#include <string>
#include <vector>

namespace tarvex::test {

/// The full path of `program` found on PATH (also under its "-<version>" names such as
/// lld-link-14), or empty when it is not installed.
std::string FindTool(const std::string& program);

/// Runs `arguments` (the program first) with standard output and error captured into
/// `output`, without a shell, in `workingDirectory` when one is given. Returns the exit
/// status, or 128 + signal number when the program was killed; a program still running
/// after `timeoutSeconds` is killed (status 128 + 9).
int RunTool(const std::vector<std::string>& arguments, std::string& output, int timeoutSeconds = 60,
            const std::string& workingDirectory = "");

}  // namespace tarvex::test
