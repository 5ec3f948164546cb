// sorrelin HANDHELD_FOLDER: the emulated handheld's contacts agent, started by the emulated
// RAPI library when the desktop starts "Sorrelin" on that handheld.
#include <cstdio>
#include <cstring>

#include "platform/sorrelin/agent.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(
        argc == 2 ? stdout : stderr,
        "usage: sorrelin HANDHELD_FOLDER\n"
        "Carries out the request code in the handheld's SyncFlag on its contacts and\n"
        "sets Flag = 1. Started by the emulated RAPI library; not meant to be run by hand.\n");
    return argc == 2 ? 0 : 2;
  }
  return velmora::sorrelin::RunAgent(argv[1]);
}
