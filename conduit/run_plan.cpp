#include "conduit/run_plan.h"

#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::conduit {
namespace {

bool MovesMappedFields(int sync_type) {
  return profile::IsDesktopToDevice(sync_type) || profile::IsDeviceToDesktop(sync_type);
}

// The sync types whose run tells the handheld's agent its category.
bool SendsCategory(int sync_type) {
  return MovesMappedFields(sync_type) || sync_type == profile::kExportCsv;
}

}  // namespace

std::optional<RunPlan> ReadRunPlan(db::Connection& profile_db, long prof_id) {
  profile::ProfileStore store(profile_db);
  std::optional<profile::ProfileRecord> profile = store.Profile(prof_id);
  if (!profile) return std::nullopt;
  RunPlan plan;
  plan.profile = std::move(*profile);
  plan.table_text = profile::CutToReadLimit(plan.profile.table_name, profile::kTableNameReadLimit);
  if (MovesMappedFields(plan.profile.sync_type)) {
    plan.mapping = ReadMappingPlan(profile_db, prof_id);
  }
  if (plan.profile.HasCategory() && SendsCategory(plan.profile.sync_type)) {
    plan.categories = store.Categories();
  }
  return plan;
}

std::string CategoryName(const RunPlan& plan) {
  if (!plan.profile.HasCategory()) return {};
  for (const profile::Category& category : plan.categories) {
    if (category.id == plan.profile.category_id) return category.name;
  }
  return {};
}

}  // namespace velmora::conduit
