#include "profilecli/profile_commands.h"

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/sql_literal.h"
#include "device/desktop_settings.h"
#include "platform/prompt/console_prompt.h"
#include "profile/data_source.h"
#include "profile/field_catalogue.h"
#include "profile/mapping_rules.h"
#include "profile/password.h"
#include "profile/profile_database.h"
#include "profile/profile_ids.h"
#include "profile/profile_messages.h"
#include "profile/profile_rules.h"
#include "profile/profile_store.h"
#include "db/transaction.h"
#include "profile/sync_settings.h"
#include "profilecli/conduit_launch.h"
#include "profilecli/json_text.h"
#include "profilecli/profile_migration.h"

namespace velmora::profilecli {
namespace {

constexpr std::string_view kUnableToConnectSource = "Unable to Connect to Source Database.";
constexpr std::string_view kSelectValidCategory = "Please select valid category";
constexpr std::string_view kTwoTables = "Not allowe two table in case of device to desktop.";

// A refusal (status 1) or a bad argument (status 2), with its text.
struct Stop {
  int status = kExitRefused;
  std::string message;
};

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string Trim(std::string_view text) {
  return IsBlank(text) ? std::string() : std::string(text);
}

std::string TimeText(const profile::ProfileDateTime& t) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d:%02d", t.hour, t.minute);
  return buffer;
}

std::string DateTimeText(const profile::ProfileDateTime& t) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return buffer;
}

std::string StatusText(int status) {
  switch (status) {
    case profile::kStatusSynchronized:
      return "synchronized";
    case profile::kStatusNew:
      return "new";
    case profile::kStatusModified:
      return "modified";
    default:
      return std::to_string(status);
  }
}

int TableCount(std::string_view table_name) {
  if (IsBlank(table_name)) return 0;
  int count = 1;
  for (const char c : table_name) count += c == ',' ? 1 : 0;
  return count;
}

class Commands {
 public:
  Commands(const Arguments& arguments, std::FILE* out, std::FILE* err)
      : a_(arguments), out_(out), err_(err) {}

  int Run();

 private:
  int Finish(const std::optional<Stop>& stop);
  std::optional<Stop> Open();
  std::optional<Stop> ReadSettingsFile();
  std::optional<Stop> Find(const std::string& operand, profile::ProfileRecord* record);

  std::optional<Stop> List();
  std::optional<Stop> Show();
  std::optional<Stop> Create();
  std::optional<Stop> Edit();
  std::optional<Stop> Rename();
  std::optional<Stop> Delete();
  std::optional<Stop> RunNow();
  std::optional<Stop> Migrate();

  std::optional<Stop> ApplySettings(profile::ProfileRecord& r, std::string& password,
                                    std::string* table);
  std::optional<Stop> ConnectSource(const profile::ProfileRecord& r, const std::string& password);
  std::optional<Stop> ChooseQuery(profile::ProfileRecord& r, const std::string& table);
  std::optional<Stop> BuildMapping(const profile::ProfileRecord& r,
                                   std::vector<profile::MappingListRow>& rows);
  std::optional<Stop> SaveWithMapping(profile::ProfileRecord& r, const std::string& password,
                                      const std::vector<profile::MappingListRow>& rows,
                                      bool replace);
  std::vector<std::pair<std::string, std::string>> StoredMapping(long prof_id);
  std::vector<std::pair<std::string, std::string>> SettingsOf(const profile::ProfileRecord& r);
  void Say(const std::string& text, const JsonObject& json);

  const Arguments& a_;
  std::FILE* out_;
  std::FILE* err_;
  ProfileSettings settings_;
  std::filesystem::path app_folder_;
  db::Connection database_{db::Program::kDesktopManager};
  std::optional<profile::ProfileStore> store_;
  db::Connection linked_{db::Program::kDesktopManager};
};

int Commands::Run() {
  if (auto stop = ReadSettingsFile()) return Finish(stop);
  if (a_.command != "migrate") {
    if (auto stop = Open()) return Finish(stop);
  }
  prompt::ConsolePrompt console(prompt::Answer::kNo, err_);
  prompt::SetCurrentPrompt(&console);
  const std::pair<const char*, std::optional<Stop> (Commands::*)()> table[] = {
      {"list", &Commands::List},  {"show", &Commands::Show},      {"create", &Commands::Create},
      {"edit", &Commands::Edit},  {"rename", &Commands::Rename},  {"delete", &Commands::Delete},
      {"run", &Commands::RunNow}, {"migrate", &Commands::Migrate}};
  std::optional<Stop> stop = Stop{kExitBadArguments, "unknown command: " + a_.command};
  for (const auto& [name, command] : table) {
    if (a_.command == name) stop = (this->*command)();
  }
  prompt::SetCurrentPrompt(nullptr);
  return Finish(stop);
}

int Commands::Finish(const std::optional<Stop>& stop) {
  if (!stop) return kExitDone;
  if (a_.json) {
    const char* key = stop->status == kExitBadArguments ? "error" : "refused";
    std::fprintf(out_, "%s\n", JsonObject().Text(key, stop->message).Str().c_str());
  } else {
    std::fprintf(err_, "%s\n", stop->message.c_str());
  }
  return stop->status;
}

void Commands::Say(const std::string& text, const JsonObject& json) {
  std::fprintf(out_, "%s\n", a_.json ? json.Str().c_str() : text.c_str());
}

std::optional<Stop> Commands::ReadSettingsFile() {
  if (!a_.settings_file.empty()) {
    std::ifstream file(a_.settings_file, std::ios::binary);
    if (!file) return Stop{kExitBadArguments, "cannot read " + a_.settings_file};
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    auto parsed = ParseSettingsText(text.str(), &error);
    if (!parsed) return Stop{kExitBadArguments, a_.settings_file + ": " + error};
    if (auto problem = SettingsSyntaxProblem(*parsed)) {
      return Stop{kExitBadArguments, a_.settings_file + ": " + *problem};
    }
    settings_ = std::move(*parsed);
  }
  settings_.Overlay(a_.settings);
  return std::nullopt;
}

std::optional<Stop> Commands::Open() {
  app_folder_ = a_.folder.empty() ? std::filesystem::path(device::ReadAppPath())
                                  : std::filesystem::path(a_.folder);
  if (app_folder_.empty() && profile::ReadProfileDsn().empty()) {
    return Stop{kExitRefused, "no application folder (AppPath) in the registry; see --folder"};
  }
  std::string error;
  if (!profile::OpenProfileDatabase(database_, db::kProfileDsnDesktop, app_folder_, &error)) {
    return Stop{kExitRefused, "the profile database " + profile::ProfileDatabaseName(app_folder_) +
                                  " cannot be opened: " + error};
  }
  store_.emplace(database_);
  return std::nullopt;
}

std::optional<Stop> Commands::Find(const std::string& operand, profile::ProfileRecord* record) {
  const bool is_id = !operand.empty() && operand.size() < 10 &&
                     operand.find_first_not_of("0123456789") == std::string::npos;
  if (is_id) {
    if (auto found = store_->Profile(std::stol(operand))) {
      *record = *found;
      return std::nullopt;
    }
    return Stop{kExitRefused, "there is no profile " + operand};
  }
  std::vector<profile::ProfileRecord> matches;
  for (profile::ProfileRecord& r : store_->AllProfiles()) {
    const bool user_matches = a_.command == "edit" || a_.user.empty() || r.user_name == a_.user;
    if (r.prof_name == operand && user_matches) matches.push_back(std::move(r));
  }
  if (matches.empty()) return Stop{kExitRefused, "there is no profile called \"" + operand + "\""};
  if (matches.size() > 1) {
    return Stop{kExitRefused,
                "several users have a profile called \"" + operand + "\"; give its id or --user"};
  }
  *record = std::move(matches.front());
  return std::nullopt;
}

std::optional<Stop> Commands::List() {
  std::vector<std::string> items;
  std::string text;
  for (const profile::ProfileRecord& r : store_->AllProfiles()) {
    if (!a_.user.empty() && r.user_name != a_.user) continue;
    items.push_back(JsonObject()
                        .Number("id", r.prof_id)
                        .Text("name", r.prof_name)
                        .Text("user", r.user_name)
                        .Number("sync_type", r.sync_type)
                        .Text("sync_type_text", profile::SyncTypeText(r.sync_type))
                        .Text("sync_on", profile::SyncOnText(r.sync_on))
                        .Text("status", StatusText(r.prof_status))
                        .Str());
    text += std::to_string(r.prof_id) + "\t" + r.prof_name + "\t" + r.user_name + "\t" +
            std::string(profile::SyncTypeText(r.sync_type)) + "\t" +
            std::string(profile::SyncOnText(r.sync_on)) + "\n";
  }
  std::fputs(a_.json ? (JsonArray(items) + "\n").c_str() : text.c_str(), out_);
  return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> Commands::StoredMapping(long prof_id) {
  std::vector<std::pair<std::string, std::string>> mapping;
  for (const profile::MappingListRow& row : profile::UnmappedRows(false)) {
    const std::string column = store_->MappedColumnOfField(prof_id, row.field_id);
    if (column != profile::kUnmapped) {
      mapping.emplace_back(row.field_name, profile::StoredColumnName(column));
    }
  }
  return mapping;
}

std::vector<std::pair<std::string, std::string>> Commands::SettingsOf(
    const profile::ProfileRecord& r) {
  std::vector<std::pair<std::string, std::string>> values = {
      {"name", r.prof_name},
      {"user", r.user_name},
      {"sync-type", std::string(profile::SyncTypeText(r.sync_type))},
      {"sync-on", std::string(profile::SyncOnText(r.sync_on))},
      {"day", std::to_string(r.day)},
      {"weekday", std::string(profile::WeekDayText(r.week_day))},
      {"time", TimeText(r.sync_time)},
      {"category", r.HasCategory() ? store_->CategoryNameOf(r.prof_id) : "none"}};
  if (r.db_type == profile::kDsnDatabase) {
    values.emplace_back("dsn", r.db_dsn);
  } else if (r.db_type != profile::kNoDatabase) {
    values.emplace_back("source", r.db_path + r.db_dsn);
  }
  if (!IsBlank(r.db_user)) values.emplace_back("db-user", r.db_user);
  if (!IsBlank(r.query)) values.emplace_back("query", r.query);
  return values;
}

std::optional<Stop> Commands::Show() {
  profile::ProfileRecord r;
  if (auto stop = Find(a_.operands[0], &r)) return stop;
  const auto values = SettingsOf(r);
  const auto mapping = StoredMapping(r.prof_id);
  if (!a_.json) {
    std::fprintf(out_, "# profile %ld, %s, last run %s, table %s\n%s", r.prof_id,
                 StatusText(r.prof_status).c_str(), DateTimeText(r.last_sync_date_time).c_str(),
                 Trim(r.table_name).c_str(), SettingsText(values, mapping).c_str());
    return std::nullopt;
  }
  JsonObject json;
  json.Number("id", r.prof_id);
  for (const auto& [name, value] : values) json.Text(name, value);
  json.Number("sync_type_number", r.sync_type)
      .Text("table", Trim(r.table_name))
      .Text("status", StatusText(r.prof_status))
      .Text("last_run", DateTimeText(r.last_sync_date_time));
  std::vector<std::string> items;
  for (const auto& [field, column] : mapping) {
    items.push_back(JsonObject().Text("field", field).Text("column", column).Str());
  }
  json.Raw("mapping", JsonArray(items));
  std::fprintf(out_, "%s\n", json.Str().c_str());
  return std::nullopt;
}

std::optional<Stop> Commands::ApplySettings(profile::ProfileRecord& r, std::string& password,
                                            std::string* table) {
  const ProfileSettings& s = settings_;
  if (auto v = s.Value("name")) r.prof_name = *v;
  if (auto v = s.Value("user")) r.user_name = *v;
  if (auto v = s.Value("sync-type")) r.sync_type = *ParseSyncType(*v);
  if (auto v = s.Value("sync-on")) r.sync_on = *ParseSyncOn(*v);
  if (auto v = s.Value("day")) r.day = *ParseNumberIn(*v, 1, 31);
  if (auto v = s.Value("weekday")) r.week_day = *ParseWeekDay(*v);
  if (auto v = s.Value("time")) {
    const profile::TimeOfDay time = *profile::ParseSyncTime(*v);
    r.sync_time = profile::TimeOfDayOnDayZero(time.hour, time.minute);
  }
  if (auto v = s.Value("category")) {
    r.category_id = 0;
    if (*v != "none" && !v->empty()) {
      for (const profile::Category& category : store_->Categories()) {
        if (category.name == *v) r.category_id = category.id;
      }
      if (r.category_id == 0) return Stop{kExitRefused, std::string(kSelectValidCategory)};
    }
  }
  if (auto v = s.Value("source")) {
    const std::string path = std::filesystem::absolute(*v).lexically_normal().string();
    const std::optional<int> type = profile::DatabaseTypeOfFile(path);
    if (!type) return Stop{kExitBadArguments, *v + " is not an .mdb, .xls, .dbf or .csv file"};
    const profile::DataSourceChoice choice = profile::FileDataSource(path, *type);
    r.db_type = choice.db_type;
    r.db_dsn = choice.db_dsn;
    r.db_path = choice.db_path;
  }
  if (auto v = s.Value("dsn")) {
    const profile::DataSourceChoice choice = profile::NamedDataSource(*v);
    r.db_type = choice.db_type;
    r.db_dsn = choice.db_dsn;
    r.db_path = choice.db_path;
  }
  if (auto v = s.Value("db-user")) r.db_user = *v;
  if (auto v = s.Value("db-password")) password = *v;
  if (auto v = s.Value("query")) r.query = *v;
  if (auto v = s.Value("table")) *table = *v;
  return std::nullopt;
}

std::optional<Stop> Commands::ConnectSource(const profile::ProfileRecord& r,
                                            const std::string& password) {
  if (r.db_type == profile::kNoDatabase || (IsBlank(r.db_dsn) && IsBlank(r.db_path))) {
    return Stop{kExitBadArguments, "give the desktop database: --source FILE or --dsn NAME"};
  }
  const std::string source = r.db_type == profile::kDsnDatabase ? r.db_dsn : r.db_path + r.db_dsn;
  std::string error;
  if (!linked_.Connect(db::kCustomDsnDesktop, r.db_type, source, Trim(r.db_user), password, &error,
                       true)) {
    return Stop{kExitRefused, std::string(kUnableToConnectSource) + "\n" + error};
  }
  return std::nullopt;
}

std::optional<Stop> Commands::ChooseQuery(profile::ProfileRecord& r, const std::string& table) {
  if (!table.empty()) {
    r.query =
        "SELECT * FROM " + db::SourceIdentifier(table, linked_.DatabaseKind() == db::kKindMySql);
  }
  if (IsBlank(r.query))
    return Stop{kExitBadArguments, "give the rows: --query SQL or --table NAME"};
  db::OdbcResultSet rows;
  if (!rows.Open(linked_, r.query, db::OdbcResultSet::Counting::kNone)) {
    return Stop{kExitRefused, "the query cannot be run on the desktop database: " + r.query};
  }
  r.table_name = profile::TableNameFromQuery(r.query);
  r.connection_type = linked_.DatabaseKind();
  if (profile::IsDeviceToDesktop(r.sync_type) && TableCount(r.table_name) > 1) {
    return Stop{kExitRefused, std::string(kTwoTables)};
  }
  return std::nullopt;
}

std::optional<Stop> Commands::BuildMapping(const profile::ProfileRecord& r,
                                           std::vector<profile::MappingListRow>& rows) {
  rows = profile::UnmappedRows(r.HasCategory());
  for (const auto& [field, column] : settings_.mapping) {
    const int number = FieldNumberOf(field);
    bool placed = false;
    for (profile::MappingListRow& row : rows) {
      if (row.field_number != number) continue;
      row.column = column;
      placed = true;
    }
    if (!placed) {
      return Stop{kExitRefused, "a profile bound to a category cannot map \"" + field + "\""};
    }
  }
  return std::nullopt;
}

std::optional<Stop> Commands::SaveWithMapping(profile::ProfileRecord& r,
                                              const std::string& password,
                                              const std::vector<profile::MappingListRow>& rows,
                                              bool replace) {
  const auto mapped = profile::MappedRows(rows);
  const profile::ColumnTypeLookup type_of = profile::LinkedColumnTypes(linked_, r.query);
  if (auto refusal = profile::MappingRefusal(mapped, r.connection_type, type_of)) {
    return Stop{kExitRefused, *refusal};
  }
  // The wizard offers only the query's own columns; a typed name must be one of them.
  for (const profile::MappingListRow* row : mapped) {
    if (type_of(row->column).empty()) {
      return Stop{kExitRefused,
                  "the query has no column \"" + profile::StoredColumnName(row->column) + "\""};
    }
  }
  profile::ProfileRecord stored = r;
  stored.db_password = password;
  const profile::ProfileWrite write =
      replace ? profile::WriteProfileWithMapping(database_, *store_, stored, mapped, true,
                                                 TableCount(r.table_name), type_of,
                                                 [](std::string_view) {})
              : profile::WriteNewProfileWithMapping(database_, *store_, stored, mapped,
                                                    TableCount(r.table_name), type_of,
                                                    [](std::string_view) {});
  r.prof_id = stored.prof_id;
  if (!write.ok) {
    std::string message;
    for (const std::string& m : write.messages) message += m + "\n";
    return Stop{kExitRefused, message + "the profile was not saved"};
  }
  return std::nullopt;
}

std::optional<Stop> Commands::Create() {
  profile::ProfileRecord r;
  r.prof_name = "MyProfile";
  r.sync_type = profile::kDesktopOverwritesDevice;
  r.sync_time = profile::TimeOfDayOnDayZero(0, 0);
  r.user_type = profile::kUserType;
  r.db_type = profile::kNoDatabase;
  r.db_path = r.db_dsn = r.db_user = r.query = " ";
  std::string password;
  std::string table;
  if (!settings_.Value("user")) return Stop{kExitBadArguments, "create needs --user USER"};
  if (auto stop = ApplySettings(r, password, &table)) return stop;
  if (r.sync_type == profile::kExportCsv) {
    if (settings_.mapping_given) {
      return Stop{kExitBadArguments, "a CSV export profile has no mapping"};
    }
    r.query = r.db_path = r.db_user = r.db_dsn = " ";
    password = " ";
    r.db_type = profile::kNoDatabase;
    if (auto refusal = profile::NewProfileRefusal(*store_, r)) {
      return Stop{kExitRefused, std::string(*refusal)};
    }
    r.db_password = password;
    std::string error;
    if (!profile::InsertNewProfile(*store_, r, &error)) return Stop{kExitRefused, error};
  } else {
    if (auto stop = ConnectSource(r, password)) return stop;
    if (auto stop = ChooseQuery(r, table)) return stop;
    if (auto refusal = profile::NewProfileRefusal(*store_, r)) {
      return Stop{kExitRefused, std::string(*refusal)};
    }
    std::vector<profile::MappingListRow> rows;
    if (auto stop = BuildMapping(r, rows)) return stop;
    if (auto stop = SaveWithMapping(r, password, rows, false)) return stop;
  }
  Say("created profile " + std::to_string(r.prof_id) + " \"" + r.prof_name + "\"",
      JsonObject().Number("id", r.prof_id).Text("name", r.prof_name).Text("user", r.user_name));
  return std::nullopt;
}

std::optional<Stop> Commands::Edit() {
  profile::ProfileRecord stored;
  if (auto stop = Find(a_.operands[0], &stored)) return stop;
  profile::ProfileRecord r = stored;
  std::string password = profile::UnscramblePassword(stored.db_password);
  std::string table;
  if (auto stop = ApplySettings(r, password, &table)) return stop;
  const bool renamed = r.prof_name != stored.prof_name;
  const bool new_user = r.user_name != stored.user_name;
  if (renamed) {
    if (auto refusal = profile::RenameRefusal(*store_, stored, r.prof_name)) {
      return Stop{kExitRefused, std::string(*refusal)};
    }
  }
  if (new_user) {
    if (auto refusal = profile::UserChangeRefusal(*store_, r)) {
      return Stop{kExitRefused, std::string(*refusal)};
    }
  }
  const bool source_changed = r.db_type != stored.db_type || r.db_dsn != stored.db_dsn ||
                              r.db_path != stored.db_path || r.db_user != stored.db_user ||
                              password != profile::UnscramblePassword(stored.db_password);
  const bool resave = source_changed || r.query != stored.query || !table.empty() ||
                      settings_.mapping_given || r.category_id != stored.category_id;
  if (resave) {
    if (r.sync_type == profile::kExportCsv) {
      return Stop{kExitRefused, "a CSV export profile has no desktop database or mapping"};
    }
    if (auto stop = ConnectSource(r, password)) return stop;
    if (auto stop = ChooseQuery(r, table)) return stop;
  }
  // A CSV export profile keeps its type, as in the properties pane.
  if (r.sync_type != stored.sync_type && stored.sync_type == profile::kExportCsv) {
    return Stop{kExitRefused, std::string(profile::kCannotChange)};
  }
  if (r.sync_type != stored.sync_type) {
    const profile::SyncTypeChange change = profile::ChangeSyncType(r, r.sync_type, *store_);
    if (!change.allowed) return Stop{kExitRefused, change.message};
  }
  if (resave) {
    // The stored mapping with the fields given mapped anew ("NONE" unmaps one); a column that
    // a changed query lacks is refused by the save.
    ProfileSettings mapping;
    mapping.mapping = StoredMapping(stored.prof_id);
    mapping.Overlay(settings_);
    settings_.mapping = mapping.mapping;
    std::vector<profile::MappingListRow> rows;
    if (auto stop = BuildMapping(r, rows)) return stop;
    if (auto stop = SaveWithMapping(r, password, rows, true)) return stop;
  } else {
    db::Transaction transaction(database_);
    bool ok = !renamed || store_->RenameProfile(r.prof_id, r.prof_name);
    r.prof_status =
        renamed || new_user ? profile::kStatusNew : profile::StatusAfterEdit(stored.prof_status);
    ok = ok && store_->UpdateSyncSettings(r) && transaction.Commit();
    if (!ok) return Stop{kExitRefused, "the profile could not be changed"};
  }
  Say("changed profile " + std::to_string(r.prof_id) + " \"" + r.prof_name + "\"",
      JsonObject().Number("id", r.prof_id).Text("name", r.prof_name));
  return std::nullopt;
}

std::optional<Stop> Commands::Rename() {
  profile::ProfileRecord r;
  if (auto stop = Find(a_.operands[0], &r)) return stop;
  ProfileSettings named;
  named.values["name"] = a_.operands[1];
  if (auto problem = SettingsSyntaxProblem(named)) return Stop{kExitBadArguments, *problem};
  if (auto refusal = profile::RenameRefusal(*store_, r, a_.operands[1])) {
    return Stop{kExitRefused, std::string(*refusal)};
  }
  if (!store_->RenameProfile(r.prof_id, a_.operands[1])) {
    return Stop{kExitRefused, "the profile could not be renamed"};
  }
  Say("renamed profile " + std::to_string(r.prof_id) + " to \"" + a_.operands[1] + "\"",
      JsonObject().Number("id", r.prof_id).Text("name", a_.operands[1]));
  return std::nullopt;
}

std::optional<Stop> Commands::Delete() {
  profile::ProfileRecord r;
  if (auto stop = Find(a_.operands[0], &r)) return stop;
  if (!profile::DeleteProfileAndBackups(r, *store_, app_folder_)) {
    return Stop{kExitRefused, "the profile could not be deleted"};
  }
  Say("deleted profile " + std::to_string(r.prof_id) + " \"" + r.prof_name + "\"",
      JsonObject().Number("id", r.prof_id).Text("name", r.prof_name));
  return std::nullopt;
}

std::optional<Stop> Commands::RunNow() {
  profile::ProfileRecord r;
  if (auto stop = Find(a_.operands[0], &r)) return stop;
  // The conduit opens the profile database itself.
  database_.Disconnect();
  std::string conduit;
  const int exit_code = RunThroughConduit(r.prof_id, a_.backup, &conduit);
  if (exit_code < 0) return Stop{kExitRefused, "cannot start " + conduit};
  if (exit_code != 0) {
    return Stop{kExitRefused, "the run of profile " + std::to_string(r.prof_id) +
                                  " failed (tavrill ended with " + std::to_string(exit_code) + ")"};
  }
  if (a_.json) Say("", JsonObject().Number("id", r.prof_id).Bool("succeeded", true));
  return std::nullopt;
}

std::optional<Stop> Commands::Migrate() {
  app_folder_ = a_.folder.empty() ? std::filesystem::path(device::ReadAppPath())
                                  : std::filesystem::path(a_.folder);
  std::string message;
  const int status = MigrateToServer(app_folder_, a_.to_dsn, a_.merge, &message);
  if (status != kExitDone) return Stop{status, message};
  Say(message, JsonObject().Text("dsn", a_.to_dsn).Text("result", message));
  return std::nullopt;
}

}  // namespace

int RunProfileCommand(const Arguments& arguments, std::FILE* out, std::FILE* err) {
  Commands commands(arguments, out, err);
  return commands.Run();
}

}  // namespace velmora::profilecli
