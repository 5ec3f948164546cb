// Whether a profile is due at a given local date and time, by its schedule (`SyncOn`, `Day`,
// `WeekDay`, `SyncTime`), its last run and its status. Used by the conduit to pre-tick the
// profile list; the user may still change the ticks. Pure: the caller supplies the time.
#pragma once

#include <functional>

#include "profile/profile_record.h"

namespace velmora::conduit {

// The desktop's local date and time, for the due test and the times the run writes.
using Clock = std::function<profile::ProfileDateTime()>;
profile::ProfileDateTime CurrentLocalTime();

bool IsDue(const profile::ProfileRecord& profile, const profile::ProfileDateTime& now);

// Day of the week of a calendar date: 0 Sunday … 6 Saturday.
int WeekDayOf(int year, int month, int day);
// Seconds from `earlier` to `later`, both read as times of the same local clock.
long long SecondsBetween(const profile::ProfileDateTime& earlier,
                         const profile::ProfileDateTime& later);

}  // namespace velmora::conduit
