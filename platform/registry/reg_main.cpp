// velmora-reg: the registry stand-in's command-line tool (see reg_tool.h).
#include <iostream>
#include <string>
#include <vector>

#include "platform/registry/reg_tool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return velmora::registry::RunRegTool(args, std::cin, std::cout, std::cerr);
}
