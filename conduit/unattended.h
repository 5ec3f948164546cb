// tavrill's unattended mode: the whole connection without a window or a display, for timers,
// scripts and tests. Message boxes become lines on standard output; the exit status tells how
// the run ended. Used by tavrill's main once it holds the single-instance lock. Qt-free.
#pragma once

namespace velmora::conduit {

inline constexpr int kExitSucceeded = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitCannotStart = 2;

// Start-up, connect handler, then Synchronize as with AutoSync on; `backup` answers the
// device backup question. A `profile` id other than 0 runs that profile of the owner alone.
int RunUnattended(bool backup, long profile = 0);

}  // namespace velmora::conduit
