#include "profilecli/profile_migration.h"

#include <map>

#include "db/connection.h"
#include "profile/field_catalogue.h"
#include "profile/password.h"
#include "profile/profile_database.h"
#include "profile/profile_schema.h"
#include "profile/profile_store.h"
#include "db/transaction.h"
#include "profile/server_session.h"
#include "profile/shipped_databases.h"
#include "profilecli/cli_arguments.h"

namespace velmora::profilecli {
namespace {

const profile::ContactField* FieldByHeader(std::string_view name) {
  for (const profile::ContactField& field : profile::ContactFields()) {
    if (field.export_header == name) return &field;
  }
  return nullptr;
}

struct Copied {
  int profiles = 0;
  int mappings = 0;
  int categories = 0;
  int left_out = 0;
};

// The categories of the file on the server: the id of each file category there (a name the
// server has keeps the server's id; a new name takes the next id when merging).
bool CopyCategories(profile::ProfileStore& from, profile::ProfileStore& to, bool merge,
                    std::map<long, long>& ids, Copied& copied) {
  const std::vector<profile::Category> present = to.Categories();
  for (const profile::Category& category : from.Categories()) {
    long id = category.id;
    bool exists = false;
    for (const profile::Category& there : present) {
      if (there.name == category.name) {
        id = there.id;
        exists = true;
      }
    }
    if (!exists) {
      if (merge) id = to.NextCategoryId();
      if (!to.InsertCategory(id, category.name)) return false;
      ++copied.categories;
    }
    ids[category.id] = id;
  }
  return true;
}

bool CopyProfiles(profile::ProfileStore& from, profile::ProfileStore& to, bool merge,
                  const std::map<long, long>& category_ids, Copied& copied) {
  for (profile::ProfileRecord record : from.AllProfiles()) {
    if (merge && to.IsNameTaken(record.user_name, record.prof_name)) {
      ++copied.left_out;
      continue;
    }
    const long old_id = record.prof_id;
    if (merge) record.prof_id = to.NextProfileId();
    if (const auto it = category_ids.find(record.category_id); it != category_ids.end()) {
      record.category_id = it->second;
    }
    // The store scrambles again what it inserts.
    record.db_password = profile::UnscramblePassword(record.db_password);
    std::string error;
    if (!to.InsertProfile(record, &error)) return false;
    if (record.last_sync_date_time.year > 1899) {
      to.RecordRun(record.prof_id, record.last_sync_date_time);
    }
    ++copied.profiles;
    for (const profile::TypedMapping& typed : from.MappingWithTypes(old_id)) {
      const profile::ContactField* field = FieldByHeader(typed.field_name);
      if (field == nullptr) continue;
      const profile::MappingRow row{record.prof_id, std::string(field->field_id),
                                    typed.db_field_name, typed.db_data_type};
      if (!to.InsertMapping(row, &error)) return false;
      ++copied.mappings;
    }
  }
  return true;
}

}  // namespace

int MigrateToServer(const std::filesystem::path& app_folder, const std::string& dsn, bool merge,
                    std::string* message) {
  const std::filesystem::path file = app_folder / std::string(profile::kProfileDatabaseFile);
  db::Connection source(db::Program::kDesktopManager);
  std::string error;
  if (app_folder.empty() ||
      !source.Connect(db::kProfileDsnDesktop, db::kDatabaseAccess, file.string(), "",
                      db::kProfileDatabasePassword, &error, true)) {
    *message = "the profile database " + file.string() + " cannot be opened: " + error;
    return kExitRefused;
  }
  db::Connection server(db::Program::kDesktopManager);
  if (!profile::ConnectProfileServer(server, dsn, &error)) {
    *message = "the data source " + dsn + " cannot be opened: " + error;
    return kExitRefused;
  }
  if (profile::EnsureProfileSchema(server, false, &error) == profile::SchemaOutcome::kFailed) {
    *message = "the profile tables cannot be made on " + dsn + ": " + error;
    return kExitRefused;
  }
  profile::ProfileStore from(source);
  profile::ProfileStore to(server);
  const long present = to.ProfileCount();
  if (present != 0 && !merge) {
    *message = "the data source " + dsn + " holds " + std::to_string(present) +
               " profile(s) already; give --merge to add these to them";
    return kExitRefused;
  }
  Copied copied;
  std::map<long, long> category_ids;
  {
    db::Transaction transaction(server);
    if (!CopyCategories(from, to, merge, category_ids, copied) ||
        !CopyProfiles(from, to, merge, category_ids, copied) || !transaction.Commit()) {
      *message = "the copy into " + dsn + " failed; nothing was copied";
      return kExitRefused;
    }
  }
  if (!profile::WriteProfileDsn(dsn)) {
    *message = "copied, but ProfileDSN could not be written to the registry";
    return kExitRefused;
  }
  *message = "copied " + std::to_string(copied.profiles) + " profile(s), " +
             std::to_string(copied.mappings) + " mapping row(s) and " +
             std::to_string(copied.categories) + " categorie(s) into " + dsn +
             (copied.left_out ? ", left out " + std::to_string(copied.left_out) +
                                    " whose name the user has there"
                              : "") +
             "; ProfileDSN now names it";
  return kExitDone;
}

}  // namespace velmora::profilecli
