// A host program built against the installed library: compiles the script named on its
// command line in memory and prints the image size, or the diagnostic's number, file
// and line.
#include <iostream>

#include "statements/compile_api.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: host script.rc\n";
    return 2;
  }
  tarvex::TCompilation result = tarvex::CompileToImage(argv[1]);
  if (result.Succeeded()) {
    std::cout << "image of " << result.image.size() << " bytes\n";
    return 0;
  }
  std::cout << "error " << result.errorNumber << " in " << result.errorFile << " line " << result.errorLine << '\n';
  return 1;
}
