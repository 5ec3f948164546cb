// The device-to-desktop run (sync types 2 and 3): the handheld's contacts are fetched and each
// becomes a row of the profile's table, after every row was deleted for type 3. Two writers:
// INSERT statements from the stored type names (FoxPro sources) and typed parameters bound by
// the table's column types (every other source). Used by the profile run; logs every step.
#pragma once

#include "conduit/run_context.h"
#include "conduit/run_plan.h"

namespace velmora::db {
class Connection;
}

namespace velmora::conduit {

enum class DesktopWriter { kStatement, kCursor };

// Resolves the table and the mapping, takes the table backup, then fetches and writes the
// device contacts. `query_ran` tells whether the profile's query could be opened: without it,
// and without a whole backup, no row is deleted.
void RunDeviceToDesktop(RunContext& context, const RunPlan& plan, db::Connection& custom_db,
                        DesktopWriter writer, bool query_ran);

}  // namespace velmora::conduit
