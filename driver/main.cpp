#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "driver/program.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  return tarvex::RunProgram(argc > 0 ? argv[0] : "tarvex", std::move(args), std::cout, std::cerr);
}
