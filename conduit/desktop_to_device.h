// The desktop-to-device transfer (sync types 0 and 1): the rows of the profile's query become a
// contact PDB file with the mapped columns under their device field names, the category list
// is sent, the file goes to the device as "test.pdb" and the agent takes it in.
// Used by the profile run; every failed step is logged and sets the run error flag.
#pragma once

#include "conduit/run_context.h"
#include "conduit/run_plan.h"

namespace velmora::db {
class Connection;
class OdbcResultSet;
}  // namespace velmora::db

namespace velmora::conduit {

// The transfer file: work folder + "Update/" + profile name + ".pdb".
std::filesystem::path TransferFilePath(const RunContext& context, std::string_view prof_name);

void RunDesktopToDevice(RunContext& context, const RunPlan& plan, db::Connection& custom_db,
                        db::OdbcResultSet& rows);

}  // namespace velmora::conduit
