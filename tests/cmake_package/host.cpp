// A host program built against the installed library and its one public header. It
// compiles the script named on its command line, with "memory.h" supplied from memory,
// into a .res image and a COFF object and prints their sizes, or prints the
// diagnostic's number, file and line.
#include <tarvex/tarvex.h>

#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: host script.rc\n";
    return 2;
  }
  tarvex::TScriptOptions options;
  options.files = [](const std::string& path, std::string& contents) {
    if (path != "memory.h") return false;
    contents = "#define FROM_MEMORY 42\n";
    return true;
  };
  tarvex::TScriptResult res = tarvex::CompileScriptFile(argv[1], options);
  if (!res.Succeeded()) {
    std::cout << "error " << res.errorNumber << " in " << res.errorFile << " line " << res.errorLine << '\n';
    return 1;
  }
  options.coff = true;
  tarvex::TScriptResult object = tarvex::CompileScriptFile(argv[1], options);
  std::cout << "res of " << res.image.size() << " bytes, object of " << object.image.size() << " bytes\n";
  return object.Succeeded() ? 0 : 1;
}
