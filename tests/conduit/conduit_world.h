// A whole conduit world for one test: its own registry folder, ODBC configuration, application
// folder (with a copy of the shipped profile database), an emulated handheld attached to this
// desktop, and helpers to add profiles, fill the handheld, set faults and run the conduit the
// way a connection does. Used by the conduit's end-to-end tests and benchmarks.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conduit/conduit_session.h"
#include "db/connection.h"
#include "handheld/store/contact_store.h"
#include "platform/prompt/scripted_prompt.h"
#include "profile/profile_record.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {

struct Mapping {
  std::string field_id;       // "F4"
  std::string db_field_name;  // "LastName"
  std::string db_data_type;   // "SQL_CHAR"
};

struct ConduitRun {
  conduit::StartUp start = conduit::StartUp::kShowWindow;
  std::optional<conduit::RunEnding> ending;
  std::vector<std::string> messages;  // message-box texts in order
  std::vector<conduit::ProfileListRow> rows;
  bool opened_log = false;
};

class ConduitWorld {
 public:
  explicit ConduitWorld(std::string owner = "Ann Example");
  ~ConduitWorld();

  const std::filesystem::path& AppFolder() const { return app_; }
  const std::filesystem::path& Handheld() const { return handheld_; }
  const std::string& Owner() const { return owner_; }
  OdbcEnvironment& Odbc() { return odbc_; }
  std::filesystem::path Root() const { return root_.path(); }

  // The profile database as the desktop manager sees it (for set-up and checks).
  db::Connection& ProfileDb() { return profile_db_; }
  // Stores the profile (owner, id taken from the store) and its mappings; returns its id.
  long AddProfile(profile::ProfileRecord record, const std::vector<Mapping>& mappings);
  profile::ProfileRecord StoredProfile(long prof_id);
  bool AddCategory(long id, const std::string& name);

  // An SQLite file in the root folder, made with `sql`.
  std::filesystem::path MakeSqliteDatabase(const std::string& file_name, const std::string& sql);

  void SetDeviceContacts(const std::vector<handheld::Contact>& contacts);
  std::vector<handheld::Contact> DeviceContacts();
  void SetFault(const std::string& name, const std::string& value = "");
  void SetAgentTimeoutSeconds(std::uint32_t seconds);

  // Start-up, connect handler, Synchronize (answering the backup question with `backup`), the
  // run and the end, as one connection of the handheld does.
  ConduitRun Run(bool backup = false, conduit::RunSettings settings = {},
                 profile::ProfileDateTime now = {2024, 3, 4, 12, 0, 0});

  // Called by Run after the list is filled and before Synchronize, as a user's changes in the
  // desktop manager may come while the conduit window is open.
  std::function<void()> before_synchronize;
  // Called with every status line text, from the thread that shows it.
  std::function<void(std::string_view)> on_status;

  // The log decoded from UTF-16LE, and its raw bytes.
  std::string LogText() const;
  std::string LogBytes() const;

 private:
  TempDir root_;
  std::optional<std::string> saved_registry_;
  std::filesystem::path app_;
  std::filesystem::path handheld_;
  std::string owner_;
  OdbcEnvironment odbc_;
  db::Connection profile_db_{db::Program::kDesktopManager};
};

handheld::Contact MakeContact(const std::string& first, const std::string& last,
                              const std::string& company = "", const std::string& birthday = "");

// Rows of an SQLite file as text ("a|b|c"), by `sql`.
std::vector<std::string> SqliteRows(const std::filesystem::path& file, const std::string& sql);

}  // namespace velmora::testing
