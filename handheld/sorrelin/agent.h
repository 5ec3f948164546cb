// The emulated handheld's contacts agent: reads the request code the desktop left in
// `SyncFlag`, carries it out on the handheld's contacts store, leaves its outcome in `Outcome`
// (1 carried out, 2 failed) and then sets `Flag` = 1, whatever the outcome. What it did and what
// went wrong go to its own log on the handheld. Used by the sorrelin program; never touches the
// desktop.
#pragma once

#include <filesystem>

namespace velmora::sorrelin {

// Returns the process exit code: 0 when `Flag` could be set, 1 when `handheld` holds no handheld
// (nothing is created then) or its registry cannot be reached.
int RunAgent(const std::filesystem::path& handheld);

}  // namespace velmora::sorrelin
