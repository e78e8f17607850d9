// tessapack: builds and inspects installation packages (see pack/cli.h).
#include <iostream>

#include "pack/cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return RunTessapack(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
