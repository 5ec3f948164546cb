#include <iostream>
#include <string>
#include <vector>

#include "transfer/inspect.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return velmora::transfer::RunInspect(args, std::cout, std::cerr);
}
