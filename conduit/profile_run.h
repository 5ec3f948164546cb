// One profile of a conduit run: the "Opening profile" lines, the connection to the profile's
// custom database and the dispatch by sync type to the transfer, the device-to-desktop run or
// the CSV export. Used by the run's worker loop; never throws, reports through the log.
#pragma once

#include <string>

#include "conduit/run_context.h"
#include "conduit/run_plan.h"
#include "profile/profile_record.h"

namespace velmora::conduit {

// The data source text: DBPath followed by DBDSN for a file database, DBDSN for a DSN.
std::string SourceText(const profile::ProfileRecord& profile);

// Runs the profile as its plan was read; true when it went through without a failure.
bool RunProfile(RunContext& context, const RunPlan& plan);

}  // namespace velmora::conduit
