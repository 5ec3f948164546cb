// What the conduit's run logic tells its window (or the unattended front end): the status line,
// the owner shown in the menu, the rows of the profile list with their ticks, the activity bar,
// the log to open after a failed run, and the end of the run. Implemented by the window and the
// unattended mode; called from the window thread and from the run's worker thread.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::conduit {

// One row of the profile list: texts of the columns "Sync" (empty: only the check box shows),
// "Link Database", "Database Information", "Sync Direction", "Sync Type".
struct ProfileListRow {
  std::array<std::string, 5> texts;
  bool ticked = false;
};

enum class RunEnding { kSucceeded, kFailed };

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void StatusChanged(std::string_view /*text*/) {}
  // The owner name, or "Not Connected".
  virtual void OwnerChanged(std::string_view /*owner*/) {}
  virtual void ProfilesListed(const std::vector<ProfileListRow>& /*rows*/) {}
  virtual void ActivityStarted() {}
  virtual void ActivityStopped() {}
  // A failed run wants the user to read the log.
  virtual void OpenLog(const std::filesystem::path& /*log_file*/) {}
  // The run is over; the window closes itself.
  virtual void RunFinished(RunEnding /*ending*/) {}
};

}  // namespace velmora::conduit
