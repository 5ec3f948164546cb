// velmora-device: the emulated handheld's ActiveSync side; see tool.h.
#include <iostream>

#include "platform/velmora-device/tool.h"

int main(int argc, char** argv) {
  return velmora::device_tool::RunDeviceTool(std::vector<std::string>(argv + 1, argv + argc),
                                             std::cout, std::cerr);
}
