// The world of a user's journey through the real programs: a hermetic desktop (registry,
// application folder with the shipped databases, ODBC configuration, scripted message boxes),
// the desktop manager's main window on it, an emulated handheld made by the velmora-device
// program and the conduit registered to start, unattended, when that handheld connects. The
// journey tests act only through the windows and the programs; this world reads back what
// landed where: on the handheld, in a table, in the exported CSV file.
#pragma once

#include <QComboBox>
#include <QString>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/desktop_session.h"
#include "desktop/main_frame.h"
#include "desktop/profile_wizard.h"
#include "tests/desktop/desktop_world.h"
#include "tests/support/temp_dir.h"

namespace velmora::journey {

using desktop::testing::kUser;

// The four values every journey follows: First name, Last name, E-mail, Work tel.
using Person = std::array<std::string, 4>;
using People = std::vector<Person>;  // compared sorted

People Sorted(People people);
People Joined(People a, const People& b);  // a and b together, sorted

// The people of the desktop sources and of the handheld at the start of each journey.
const People& DesktopPeople();
const People& HandheldPeople();

// The device field ids of the four values, and their names on the handheld.
inline constexpr std::array<const char*, 4> kPersonFields = {"F2", "F4", "F20", "F9"};
using FieldNames = std::array<const char*, 4>;
inline constexpr FieldNames kPersonNames = {"First", "Last", "E-mail", "Work tel"};

// Column names with a blank, double quotes and non-ASCII letters.
using Columns = std::array<std::string, 4>;
extern const Columns kFancyColumns;

// CREATE TABLE people and an INSERT per desktop person, identifiers quoted with `quote`.
std::string PeopleSql(const Columns& columns, char quote);
// SELECT of the four columns of people, NULL read as empty through `if_null`.
std::string SelectPeople(const Columns& columns, char quote, const char* if_null);
// folder/people.mdb, an SQLite file with the table people of the desktop people.
std::filesystem::path MakeSqlitePeople(const std::filesystem::path& folder);
People SqlitePeople(const std::filesystem::path& file);
// The first four columns of the rows of `sql` on an SQLite file, sorted.
People SqliteQuery(const std::filesystem::path& file, const std::string& sql);

// The second handheld user of this desktop.
inline constexpr const char* kOtherUser = "Bob Stone";

// What the user does in the profile wizard.
struct WizardChoices {
  int sync_type = 0;
  std::string name;
  std::optional<std::filesystem::path> file;  // a file chosen with Browse
  std::optional<std::string> data_source;     // or an ODBC data source from the list
  std::string table;
  Columns columns;  // the column mapped to each of kPersonFields
};

// A program's exit status and its standard output and error.
struct ProgramRun {
  bool succeeded = false;
  std::string output;
};

// The emulated handheld in `handheld`, through the velmora-device program.
ProgramRun Device(const std::vector<std::string>& args);
// Connects it: the registered conduit runs as its own process. Returns the conduit's exit
// status (-1 when it did not run).
int ConnectHandheld(const std::filesystem::path& handheld);
// Replaces its contacts by `people` (through a CSV file written into `scratch`).
void PutPeople(const std::filesystem::path& handheld, const People& people,
               const std::filesystem::path& scratch);
People PeopleOn(const std::filesystem::path& handheld, const FieldNames& fields = kPersonNames);

class JourneyWorld {
 public:
  JourneyWorld();
  ~JourneyWorld();
  JourneyWorld(const JourneyWorld&) = delete;
  JourneyWorld& operator=(const JourneyWorld&) = delete;

  std::filesystem::path app_folder() const { return desktop_world_.app_folder(); }
  const std::filesystem::path& data() const { return data_.path(); }
  std::filesystem::path handheld() const { return handheld_; }
  prompt::ScriptedPrompt& prompt() { return desktop_world_.prompt(); }
  desktop::DesktopSession& session() { return session_; }
  desktop::CMainFrame& frame() { return *frame_; }

  // --- this world's handheld ---
  int Connect() { return ConnectHandheld(handheld_); }
  void PutOnHandheld(const People& people) { PutPeople(handheld_, people, data()); }
  People OnHandheld(const FieldNames& fields = kPersonNames) { return PeopleOn(handheld_, fields); }
  // Every contact with every field, as `velmora-device contacts DIR list --csv` prints them.
  std::string HandheldCsv();
  int HandheldCount();

  // ContactDatabase.csv of the application folder: its four columns, sorted.
  People Exported();

  // --- the desktop manager ---
  // New Profile: the wizard, page by page, as a user fills it in. Returns the last message.
  std::string MakeProfile(const WizardChoices& choices);
  // Clicks the profile's item in the tree.
  void SelectProfile(const std::string& name);
  // Delete Profile, answering Yes.
  void DeleteProfile(const std::string& name);
  // The wizard of the Field Editing command on the profile's mapping item, driven by `drive`.
  int EditMapping(const std::string& name,
                  const std::function<void(desktop::CProfileWizard&)>& drive);

  // The conduit log of the last connection, read as text.
  std::string ConduitLog() const;

  // Runs the modal dialogs that the profile commands open (Rejected when not set).
  std::function<int(QDialog&)> dialogs;

 private:
  desktop::testing::DesktopWorld desktop_world_;
  testing::TempDir data_;
  std::filesystem::path handheld_;
  desktop::DesktopSession session_;
  std::unique_ptr<desktop::CMainFrame> frame_;
};

// --- driving widgets as a user does ---
// Picks `text` from a drop-down list, as a click on the entry does.
void Choose(QComboBox* list, const QString& text);
void ClickNext(desktop::CProfileWizard& wizard);
void ClickFinish(desktop::CProfileWizard& wizard);
// The table page: clicks the table in the table list.
void ClickTable(desktop::CProfileWizard& wizard, const std::string& table);
// The mapping page: double-clicks the device field's cell and picks the entry naming `column`.
void MapColumn(desktop::CProfileWizard& wizard, const std::string& field_id,
               const std::string& column);

// A field text as the table page shows it ("\"Last \"\"Q\"\" Name\"", `a b`, name), unquoted.
std::string Unquoted(const std::string& field_text);

}  // namespace velmora::journey
