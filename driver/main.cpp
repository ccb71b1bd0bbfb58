#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "driver/driver.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  return tarvex::RunDriver(args, std::cout);
}
