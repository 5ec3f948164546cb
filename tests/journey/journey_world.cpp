#include "tests/journey/journey_world.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <stdexcept>

#include "desktop/commands.h"
#include "desktop/db_connection_page.h"
#include "desktop/fld_mapping_page.h"
#include "desktop/grid/grid_model.h"
#include "desktop/grid/grid_view.h"
#include "desktop/profile_view.h"
#include "desktop/sync_property_page.h"
#include "desktop/sync_type_page.h"
#include "platform/filedb/csv_reader.h"
#include "handheld/store/attachment.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"
#include "profile/sync_settings.h"
#include "tests/support/server_process.h"

namespace velmora::journey {
namespace {

namespace fs = std::filesystem;
using velmora::testing::BuildDir;

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error("journey set-up failed: " + what);
}

std::string Utf16LeToUtf8(const std::string& bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return text::Utf16ToUtf8(units);
}

std::string CellText(const filedb::Cell& cell) {
  if (const auto* s = std::get_if<std::string>(&cell)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&cell)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&cell)) return std::to_string(*d);
  return {};
}

// An RFC 4180 field.
std::string CsvField(const std::string& value) {
  std::string quoted = "\"";
  for (char c : value) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

std::string SqlText(const std::string& value) {
  std::string quoted = "'";
  for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

std::string Identifier(const std::string& name, char quote) {
  std::string quoted(1, quote);
  for (char c : name) quoted += c == quote ? std::string(2, c) : std::string(1, c);
  return quoted + quote;
}

void SqliteExec(const fs::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string why = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << why;
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// A point on an item's label: its start, which stays inside a narrow pane.
QPoint OnText(const QRect& item) {
  return {item.left() + 8, item.center().y()};
}

// What the window system sends for a double click: a click, then the double click.
void DoubleClick(QWidget* widget, QPoint at) {
  QTest::mouseClick(widget, Qt::LeftButton, {}, at);
  QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
}

}  // namespace

const Columns kFancyColumns = {"First Name", "Last \"Family\" Name", "E-mail",
                               "T\xC3\xA9l\xC3\xA9phone"};

std::string PeopleSql(const Columns& columns, char quote) {
  std::string sql = "CREATE TABLE people (";
  for (std::size_t i = 0; i < 4; ++i) {
    sql += (i ? ", " : "") + Identifier(columns[i], quote) + " varchar(80)";
  }
  sql += ");";
  for (const Person& p : DesktopPeople()) {
    sql += "INSERT INTO people VALUES (" + SqlText(p[0]) + ", " + SqlText(p[1]) + ", " +
           SqlText(p[2]) + ", " + SqlText(p[3]) + ");";
  }
  return sql;
}

std::string SelectPeople(const Columns& columns, char quote, const char* if_null) {
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < 4; ++i) {
    sql += std::string(i ? ", " : "") + if_null + "(" + Identifier(columns[i], quote) + ", '')";
  }
  return sql + " FROM people";
}

fs::path MakeSqlitePeople(const fs::path& folder) {
  const fs::path file = folder / "people.mdb";
  SqliteExec(file, PeopleSql(kFancyColumns, '"'));
  return file;
}

People SqlitePeople(const fs::path& file) {
  return SqliteQuery(file, SelectPeople(kFancyColumns, '"', "ifnull"));
}

People SqliteQuery(const fs::path& file, const std::string& sql) {
  People people;
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      Person p;
      for (int c = 0; c < 4; ++c) {
        p[c] = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
      }
      people.push_back(p);
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return Sorted(people);
}

People Sorted(People people) {
  std::sort(people.begin(), people.end());
  return people;
}

People Joined(People a, const People& b) {
  a.insert(a.end(), b.begin(), b.end());
  return Sorted(std::move(a));
}

const People& DesktopPeople() {
  // An apostrophe and a comma, an empty e-mail, non-ASCII letters.
  static const People people = {
      {"Ada", "Lovelace", "ada@example.org", "(555) 123-4567"},
      {"Grace", "Hopper", "", "555-0100"},
      {"S\xC3\xB8ren", "O'Neil, Jr.", "soren@example.org", "+45 12 34 56 78"},
  };
  return people;
}

const People& HandheldPeople() {
  static const People people = {
      {"Zo\xC3\xAB", "\xC3\x93 Briain", "zoe@ceol.example", "+353 1 555 0199"},
      {"Yuki", "Tanaka", "yuki@sakura.example", "+81 3 5555 0123"},
  };
  return people;
}

JourneyWorld::JourneyWorld() : handheld_(data_.path() / "handheld") {
  // The handheld is attached before the desktop manager starts, so that the manager sees it.
  Check(Device({"create", handheld_.string(), "--owner", kUser}).succeeded, "handheld");
  Check(Device({"connect", handheld_.string(), "--wait"}).succeeded, "first connection");
  Check(registry::WriteString(registry::Hive::kCurrentUser,
                              "Software\\Microsoft\\Windows CE Services\\Partners\\P2",
                              "DisplayName", kOtherUser),
        "second partnership");
  // As the installer registers it; this desktop has no display, so the conduit runs unattended.
  const std::string conduit =
      "\"" + (BuildDir() / "bin" / "tavrill").string() + "\" \"connect\" --unattended";
  Check(registry::WriteString(registry::Hive::kLocalMachine, handheld::kAutoStartOnConnectKey,
                              "Tavrill", conduit),
        "conduit registration");

  desktop::StartupOptions options;
  options.user_library = BuildDir() / "lib" / "libpeltrix.so";
  options.rapi_library = (BuildDir() / "lib" / "librapi-emu.so").string();
  options.device_wait = std::chrono::milliseconds(0);
  Check(session_.Start(options) == desktop::StartupFailure::kNone, "desktop manager");
  // The journeys start from a profile database without the sample profiles.
  for (const auto& p : session_.store().AllProfiles()) session_.store().DeleteProfile(p.prof_id);
  frame_ = std::make_unique<desktop::CMainFrame>(session_);
  desktop::CProfileView* tree = frame_->profile_view();
  // Other tests' conduits may run on this machine; none of them is this desktop's.
  tree->conduit_running = [] { return false; };
  tree->run_dialog = [this](QDialog& dialog) {
    return dialogs ? dialogs(dialog) : static_cast<int>(QDialog::Rejected);
  };
  tree->Reload();
  frame_->show();
}

JourneyWorld::~JourneyWorld() {
  frame_.reset();
}

ProgramRun Device(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {(BuildDir() / "bin" / "velmora-device").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  ProgramRun run;
  run.succeeded = velmora::testing::RunProgram(argv, "", &run.output);
  return run;
}

int ConnectHandheld(const fs::path& handheld) {
  const ProgramRun run = Device({"connect", handheld.string(), "--wait"});
  const std::string marker = " ended with exit status ";
  const std::size_t at = run.output.find(marker);
  if (at == std::string::npos) {
    ADD_FAILURE() << "the conduit did not run:\n" << run.output;
    return -1;
  }
  return std::stoi(run.output.substr(at + marker.size()));
}

void PutPeople(const fs::path& handheld, const People& people, const fs::path& scratch) {
  Check(Device({"contacts", handheld.string(), "clear"}).succeeded, "clear the handheld");
  const fs::path file = scratch / "handheld-contacts.csv";
  std::string csv = "First,Last,E-mail,Work tel\r\n";
  for (const Person& p : people) {
    csv += CsvField(p[0]) + "," + CsvField(p[1]) + "," + CsvField(p[2]) + "," + CsvField(p[3]) +
           "\r\n";
  }
  velmora::testing::WriteFileBytes(file, csv);
  const ProgramRun run = Device({"contacts", handheld.string(), "import", file.string()});
  Check(run.succeeded, "import: " + run.output);
}

std::string JourneyWorld::HandheldCsv() {
  const ProgramRun run = Device({"contacts", handheld_.string(), "list", "--csv"});
  EXPECT_TRUE(run.succeeded) << run.output;
  return run.output;
}

People PeopleOn(const fs::path& handheld, const FieldNames& names) {
  const ProgramRun run = Device({"contacts", handheld.string(), "list", "--csv"});
  EXPECT_TRUE(run.succeeded) << run.output;
  std::string problem;
  const auto table = filedb::ParseCsv(run.output, "handheld", &problem);
  if (!table) {
    ADD_FAILURE() << problem << "\n" << run.output;
    return {};
  }
  std::array<std::size_t, 4> at{};
  for (std::size_t i = 0; i < 4; ++i) {
    const auto column =
        std::find_if(table->columns.begin(), table->columns.end(),
                     [&](const filedb::ColumnSpec& c) { return c.name == names[i]; });
    if (column == table->columns.end()) {
      ADD_FAILURE() << "no column " << names[i] << " in\n" << run.output;
      return {};
    }
    at[i] = static_cast<std::size_t>(column - table->columns.begin());
  }
  People people;
  for (const auto& row : table->rows) {
    people.push_back(
        {CellText(row[at[0]]), CellText(row[at[1]]), CellText(row[at[2]]), CellText(row[at[3]])});
  }
  return Sorted(people);
}

int JourneyWorld::HandheldCount() {
  const ProgramRun run = Device({"contacts", handheld_.string(), "count"});
  return run.succeeded ? std::stoi(run.output) : -1;
}

People JourneyWorld::Exported() {
  const std::string bytes = velmora::testing::ReadFileBytes(app_folder() / "ContactDatabase.csv");
  if (bytes.size() < 2 || bytes.substr(0, 2) != "\xFF\xFE") {
    ADD_FAILURE() << "ContactDatabase.csv is missing or has no byte-order mark";
    return {};
  }
  const std::string text = Utf16LeToUtf8(bytes.substr(2));
  People people;
  std::size_t start = text.find("\r\n");  // after the header
  while (start != std::string::npos && start + 2 < text.size()) {
    const std::size_t end = text.find("\r\n", start + 2);
    const std::string line = text.substr(start + 2, end - start - 2);
    std::vector<std::string> columns;
    std::size_t from = 0;
    for (std::size_t comma; (comma = line.find(',', from)) != std::string::npos; from = comma + 1) {
      columns.push_back(line.substr(from, comma - from));
    }
    columns.push_back(line.substr(from));
    // Empty values are written as a blank; columns 2, 4, 20 and 9 are the four.
    const auto value = [&](std::size_t column) {
      const std::string v = column <= columns.size() ? columns[column - 1] : std::string();
      return v == " " ? std::string() : v;
    };
    people.push_back({value(2), value(4), value(20), value(9)});
    start = end;
  }
  return Sorted(people);
}

std::string JourneyWorld::MakeProfile(const WizardChoices& choices) {
  desktop::CProfileView* tree = frame_->profile_view();
  tree->run_wizard = [&](desktop::CProfileWizard& wizard) {
    wizard.show();
    QTest::mouseClick(wizard.sync_type_page()->sync_types()->button(choices.sync_type),
                      Qt::LeftButton);
    ClickNext(wizard);
    desktop::CSyncPropertyPage* properties = wizard.property_page();
    properties->name_edit()->clear();
    properties->name_edit()->insert(Q(choices.name));
    if (choices.sync_type == profile::kExportCsv) {
      ClickFinish(wizard);
      return wizard.result();
    }
    if (choices.file) {
      // The file dialog of Browse hands its choice to this step.
      if (!properties->ChooseFile(Q(choices.file->string()))) return wizard.result();
    } else {
      for (QRadioButton* radio : properties->findChildren<QRadioButton*>()) {
        if (radio->text().startsWith("ODBC")) QTest::mouseClick(radio, Qt::LeftButton);
      }
      Choose(properties->data_sources(), Q(*choices.data_source));
    }
    ClickNext(wizard);
    if (wizard.currentId() != desktop::CProfileWizard::kDBConnectionPage) return wizard.result();
    ClickTable(wizard, choices.table);
    ClickNext(wizard);
    if (wizard.currentId() != desktop::CProfileWizard::kFldMappingPage) return wizard.result();
    for (std::size_t i = 0; i < kPersonFields.size(); ++i) {
      MapColumn(wizard, kPersonFields[i], choices.columns[i]);
    }
    ClickFinish(wizard);
    return wizard.result();
  };
  const std::size_t shown = prompt().Texts().size();
  frame_->action(desktop::kCmdNew)->trigger();
  tree->run_wizard = [](desktop::CProfileWizard&) { return static_cast<int>(QDialog::Rejected); };
  const std::vector<std::string> texts = prompt().Texts();
  std::string said;
  for (std::size_t i = shown; i < texts.size(); ++i) said += (said.empty() ? "" : "\n") + texts[i];
  return said;
}

void JourneyWorld::SelectProfile(const std::string& name) {
  desktop::CProfileView* tree = frame_->profile_view();
  const auto items = tree->findItems(Q(name), Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1) << name;
  tree->scrollToItem(items[0]);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, OnText(tree->visualItemRect(items[0])));
  ASSERT_EQ(tree->currentItem(), items[0]) << name;
}

void JourneyWorld::DeleteProfile(const std::string& name) {
  SelectProfile(name);
  prompt().QueueAnswer(prompt::Answer::kYes);
  frame_->action(desktop::kCmdDelete)->trigger();
}

int JourneyWorld::EditMapping(const std::string& name,
                              const std::function<void(desktop::CProfileWizard&)>& drive) {
  desktop::CProfileView* tree = frame_->profile_view();
  const auto items = tree->findItems(Q(name), Qt::MatchExactly);
  if (items.size() != 1 || items[0]->childCount() < 2) {
    ADD_FAILURE() << "no mapping item under " << name;
    return -1;
  }
  items[0]->setExpanded(true);
  QTreeWidgetItem* mapping = items[0]->child(1);
  int result = -1;
  tree->run_wizard = [&](desktop::CProfileWizard& wizard) {
    wizard.show();
    drive(wizard);
    result = wizard.result();
    return result;
  };
  tree->scrollToItem(mapping);
  DoubleClick(tree->viewport(), OnText(tree->visualItemRect(mapping)));
  tree->run_wizard = [](desktop::CProfileWizard&) { return static_cast<int>(QDialog::Rejected); };
  return result;
}

std::string JourneyWorld::ConduitLog() const {
  const std::string log =
      Utf16LeToUtf8(velmora::testing::ReadFileBytes(app_folder() / "ContactConduitlog.log"));
  const std::size_t last = log.rfind("Before Sync : Start");
  return last == std::string::npos ? log : log.substr(last);
}

void Choose(QComboBox* list, const QString& text) {
  const int index = list->findText(text);
  ASSERT_GE(index, 0) << text.toStdString() << " is not offered";
  list->setCurrentIndex(index);
  emit list->activated(index);
}

void ClickNext(desktop::CProfileWizard& wizard) {
  QTest::mouseClick(wizard.button(QWizard::NextButton), Qt::LeftButton);
}

void ClickFinish(desktop::CProfileWizard& wizard) {
  QTest::mouseClick(wizard.button(QWizard::FinishButton), Qt::LeftButton);
}

void ClickTable(desktop::CProfileWizard& wizard, const std::string& table) {
  QListWidget* tables = wizard.table_page()->tables();
  const auto items = tables->findItems(Q(table), Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1) << "table " << table << " is not listed";
  tables->scrollToItem(items[0]);
  QTest::mouseClick(tables->viewport(), Qt::LeftButton, {},
                    tables->visualItemRect(items[0]).center());
}

std::string Unquoted(const std::string& field_text) {
  if (field_text.size() < 2) return field_text;
  const char quote = field_text.front();
  if ((quote != '"' && quote != '`' && quote != '[') ||
      field_text.back() != (quote == '[' ? ']' : quote)) {
    return field_text;
  }
  std::string bare;
  const std::string inner = field_text.substr(1, field_text.size() - 2);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    bare += inner[i];
    if (inner[i] == quote && i + 1 < inner.size() && inner[i + 1] == quote) ++i;
  }
  return bare;
}

void MapColumn(desktop::CProfileWizard& wizard, const std::string& field_id,
               const std::string& column) {
  desktop::CFldMappingPage* page = wizard.mapping_page();
  const auto rows = page->Rows();
  const auto row =
      std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.field_id == field_id; });
  ASSERT_NE(row, rows.end()) << field_id;
  auto* view = page->findChild<desktop::GridView*>();
  ASSERT_NE(view, nullptr);
  const QModelIndex cell = page->model()->index(static_cast<int>(row - rows.begin()), 1);
  view->scrollTo(cell);
  DoubleClick(view->viewport(), view->visualRect(cell).center());
  // Closed editors of earlier cells linger hidden until they are deleted.
  QComboBox* editor = nullptr;
  for (QComboBox* open : view->viewport()->findChildren<QComboBox*>()) {
    if (open->isVisible()) editor = open;
  }
  ASSERT_NE(editor, nullptr) << "no drop-down on " << field_id;
  QString choice;
  for (int i = 0; i < editor->count(); ++i) {
    if (Unquoted(editor->itemText(i).toStdString()) == column) choice = editor->itemText(i);
  }
  ASSERT_FALSE(choice.isEmpty()) << column << " is not offered for " << field_id;
  Choose(editor, choice);
  ASSERT_EQ(page->model()->Text(cell.row(), 1), choice) << field_id;
}

}  // namespace velmora::journey
