// Tells the handheld's agent which contact category a profile run is bound to: writes the
// category line to "category.css" in the owner's Update folder and copies it to the device
// folder. Used before every agent run of the conduit; a failure here is logged and the run goes on.
#pragma once

#include "conduit/run_context.h"
#include "conduit/run_plan.h"

namespace velmora::conduit {

void SendCategoryList(RunContext& context, const RunPlan& plan);

}  // namespace velmora::conduit
