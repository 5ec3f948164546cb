// Running the programs of the test database servers: as the service account when the tests
// run as root (the servers refuse root), with output caught. A server started here ends with
// its owner, and with the test process too if that dies first. For tests/support only.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace velmora::testing {

// Runs `argv` and waits; true on exit status 0. `as_user` (when not empty and we are root)
// runs it as that account. stdout and stderr go to `output` when given.
bool RunProgram(const std::vector<std::string>& argv, const std::string& as_user = {},
                std::string* output = nullptr);

// Gives `path` and everything below it to `user` (no-op unless we are root).
bool GiveToUser(const std::string& path, const std::string& user);

// A server program run in the foreground as a child of the test process.
class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess() { Stop(); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Starts `argv` with stdout and stderr appended to `log_file`; `as_user` as above. The
  // kernel sends the child `death_signal` should the test process end without stopping it.
  bool Start(const std::vector<std::string>& argv, const std::string& as_user,
             const std::string& log_file, int death_signal);
  // True while the child has not exited.
  bool Running();
  // Sends `signal` and waits for the child to end.
  void Stop(int signal = 0);

 private:
  pid_t pid_ = -1;
  int stop_signal_ = 0;
};

}  // namespace velmora::testing
