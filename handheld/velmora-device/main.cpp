// velmora-device: the emulated handheld's ActiveSync side; see tool.h.
#include <sys/stat.h>

#include <iostream>

#include "handheld/velmora-device/tool.h"

int main(int argc, char** argv) {
  // A handheld's folder holds its owner's contacts, and the programs started on connect write
  // contact data: all of it private to the user.
  ::umask(077);
  return velmora::device_tool::RunDeviceTool(std::vector<std::string>(argv + 1, argv + argc),
                                             std::cout, std::cerr);
}
