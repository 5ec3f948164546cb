#include "tests/conduit/conduit_world.h"

#include <sqlite3.h>

#include <cstdlib>
#include <stdexcept>

#include "db/odbc_result_set.h"
#include "device/desktop_settings.h"
#include "device/rapi_library.h"
#include "handheld/store/attachment.h"
#include "handheld/store/handheld_layout.h"
#include "handheld/store/link_state.h"
#include "platform/prompt/prompt.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"
#include "profile/profile_store.h"
#include "profile/statements.h"

namespace velmora::testing {
namespace {

class RecordingObserver final : public conduit::RunObserver {
 public:
  explicit RecordingObserver(const std::function<void(std::string_view)>& on_status)
      : on_status_(on_status) {}
  void StatusChanged(std::string_view text) override {
    if (on_status_) on_status_(text);
  }
  void ProfilesListed(const std::vector<conduit::ProfileListRow>& rows) override { rows_ = rows; }
  void OpenLog(const std::filesystem::path&) override { opened_log_ = true; }
  std::vector<conduit::ProfileListRow> rows_;
  bool opened_log_ = false;

 private:
  const std::function<void(std::string_view)>& on_status_;
};

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error("test set-up failed: " + what);
}

}  // namespace

ConduitWorld::ConduitWorld(std::string owner) : owner_(std::move(owner)) {
  if (const char* old = std::getenv("VELMORA_REGISTRY")) saved_registry_ = old;
  ::setenv("VELMORA_REGISTRY", (root_.path() / "registry").c_str(), 1);
  app_ = root_.path() / "app";
  handheld_ = root_.path() / "handheld";
  std::filesystem::create_directories(app_);
  std::filesystem::copy_file(BuildDir() / "share" / "Orvendel.mdb", app_ / "Orvendel.mdb");
  Check(registry::WriteString(registry::Hive::kCurrentUser, device::kAppKey, "AppPath",
                              app_.string()),
        "AppPath");
  std::string error;
  Check(handheld::CreateHandheld(handheld_, owner_, BuildDir() / "bin" / "sorrelin", &error),
        "handheld: " + error);
  Check(handheld::AttachHandheld(handheld_), "attach");
  Check(profile_db_.Connect(db::kProfileDsnDesktop, db::kDatabaseAccess,
                            (app_ / "Orvendel.mdb").string(), "", db::kProfileDatabasePassword,
                            nullptr, false),
        "profile database");
}

ConduitWorld::~ConduitWorld() {
  profile_db_.Disconnect();
  if (saved_registry_) {
    ::setenv("VELMORA_REGISTRY", saved_registry_->c_str(), 1);
  } else {
    ::unsetenv("VELMORA_REGISTRY");
  }
}

long ConduitWorld::AddProfile(profile::ProfileRecord record, const std::vector<Mapping>& mappings) {
  profile::ProfileStore store(profile_db_);
  record.prof_id = store.NextProfileId();
  record.user_name = owner_;
  std::string error;
  Check(store.InsertProfile(record, &error), "profile: " + error);
  for (const Mapping& m : mappings) {
    Check(
        store.InsertMapping({record.prof_id, m.field_id, m.db_field_name, m.db_data_type}, &error),
        "mapping: " + error);
  }
  return record.prof_id;
}

profile::ProfileRecord ConduitWorld::StoredProfile(long prof_id) {
  db::OdbcResultSet rows;
  Check(rows.Open(profile_db_, "Select * from DBProfile where ProfID=" + std::to_string(prof_id)),
        "read profile");
  Check(rows.MoveToRow(0), "profile row");
  return profile::ProfileFromCurrentRow(rows);
}

bool ConduitWorld::AddCategory(long id, const std::string& name) {
  return profile::ProfileStore(profile_db_).InsertCategory(id, name);
}

std::filesystem::path ConduitWorld::MakeSqliteDatabase(const std::string& file_name,
                                                       const std::string& sql) {
  std::filesystem::path file = root_.path() / "data" / file_name;
  std::filesystem::create_directories(file.parent_path());
  sqlite3* db = nullptr;
  Check(sqlite3_open(file.c_str(), &db) == SQLITE_OK, "sqlite open");
  char* message = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string why = message ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  Check(rc == SQLITE_OK, "sqlite: " + why);
  return file;
}

std::vector<std::string> SqliteRows(const std::filesystem::path& file, const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return rows;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::string row;
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        if (c > 0) row += "|";
        const unsigned char* text = sqlite3_column_text(statement, c);
        row += text ? reinterpret_cast<const char*>(text) : "NULL";
      }
      rows.push_back(row);
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

void ConduitWorld::SetDeviceContacts(const std::vector<handheld::Contact>& contacts) {
  auto store = handheld::ContactStore::Open(handheld_, false);
  Check(store != nullptr, "contacts store");
  handheld::ContactChange change;
  change.remove_all = true;
  change.add = contacts;
  Check(store->Apply(change), "contacts");
}

std::vector<handheld::Contact> ConduitWorld::DeviceContacts() {
  auto store = handheld::ContactStore::Open(handheld_, false);
  if (!store) return {};
  return store->All().value_or(std::vector<handheld::Contact>{});
}

void ConduitWorld::SetFault(const std::string& name, const std::string& value) {
  auto link = handheld::LinkState::Open(handheld_, true);
  Check(link != nullptr, "link state");
  std::string error;
  Check(link->SetFault(name, value, &error), "fault: " + error);
}

void ConduitWorld::SetAgentTimeoutSeconds(std::uint32_t seconds) {
  Check(
      registry::WriteDword(registry::Hive::kCurrentUser, device::kAppKey, "AgentTimeout", seconds),
      "AgentTimeout");
}

ConduitRun ConduitWorld::Run(bool backup, conduit::RunSettings settings,
                             profile::ProfileDateTime now) {
  ConduitRun run;
  prompt::ScriptedPrompt prompt;
  if (backup) prompt.QueueAnswer(prompt::Answer::kYes);
  prompt::SetCurrentPrompt(&prompt);
  RecordingObserver observer(on_status);
  {
    device::RapiLibrary rapi(device::RapiLibraryName());
    conduit::SessionSettings session_settings;
    session_settings.clock = [now] { return now; };
    session_settings.run = settings;
    conduit::ConduitSession session(rapi, observer, session_settings);
    run.start = session.Start();
    if (run.start == conduit::StartUp::kShowWindow) {
      session.HandleConnect();
      if (before_synchronize) before_synchronize();
      if (session.Synchronize()) run.ending = session.WaitForRun();
    }
    session.Finish();
  }
  prompt::SetCurrentPrompt(nullptr);
  run.messages = prompt.Texts();
  run.rows = observer.rows_;
  run.opened_log = observer.opened_log_;
  return run;
}

std::string ConduitWorld::LogBytes() const {
  return ReadFileBytes(app_ / "ContactConduitlog.log");
}

std::string ConduitWorld::LogText() const {
  std::string bytes = LogBytes();
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return text::Utf16ToUtf8(units);
}

handheld::Contact MakeContact(const std::string& first, const std::string& last,
                              const std::string& company, const std::string& birthday) {
  handheld::Contact contact;
  contact.fields[1] = first;
  contact.fields[3] = last;
  contact.fields[7] = company;
  contact.fields[44] = birthday;
  return contact;
}

}  // namespace velmora::testing
