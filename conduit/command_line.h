// The conduit's command line. ActiveSync-style registrations start it with the quoted word
// connect or disconnect; a shell or velmora-device hands that word over as the only argument
// (the quotes are gone by then), and an argument that still carries its quotes counts the same.
// Also the unattended options. Used by tavrill's main; pure parsing.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora::conduit {

struct CommandLine {
  bool disconnect = false;  // tell a running conduit the handheld is gone, then end
  bool unattended = false;
  // Answer to the device backup question when unattended; the question comes only when the
  // owner has a profile that overwrites the device, so nothing is lost unless asked for.
  bool backup = true;
  long profile = 0;  // unattended: run this profile alone, due or not (0: the due ones)
  bool help = false;
  std::string error;  // a usage error; empty when the line is fine
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);  // without argv[0]

extern const char* const kUsage;

}  // namespace velmora::conduit
