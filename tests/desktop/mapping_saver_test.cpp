// Saving a profile from the mapping page: the refusals, the rows read back from the profile
// database, and re-saving an existing profile, which replaces it whole or leaves it alone.
#include "desktop/mapping_saver.h"

#include <gtest/gtest.h>

#include "db/odbc_result_set.h"
#include "db/statements.h"
#include "desktop/sync_page_rules.h"
#include "profile/field_catalogue.h"
#include "profile/sync_settings.h"
#include "tests/desktop/desktop_world.h"

namespace velmora::desktop {
namespace {

using testing::DesktopWorld;

class MappingSaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world_.ConnectProfiles(connection_));
    std::string error;
    ASSERT_TRUE(linked_.Connect("TestLinkedDSN", db::kDatabaseAccess,
                                world_.contacts_file().string(), "", "", &error, true))
        << error;
    data_.record.prof_id = store_.NextProfileId();
    data_.record.prof_name = "Sales";
    data_.record.user_name = testing::kUser;
    data_.record.db_type = db::kDatabaseAccess;
    data_.record.db_dsn = "SampleContactsDB.mdb";
    data_.record.db_path = world_.app_folder().string() + "/";
    data_.record.query = "Select * from \"Contacts\"";
    data_.record.table_name = "Contacts";
    data_.table_count = 1;
    types_ = LinkedColumnTypes(linked_, data_.record.query);
  }

  std::vector<MappingListRow> Rows(std::initializer_list<std::pair<const char*, const char*>> map) {
    std::vector<MappingListRow> rows = UnmappedRows(false);
    for (const auto& [field_id, column] : map) {
      for (MappingListRow& row : rows) {
        if (row.field_id == field_id) row.column = column;
      }
    }
    return rows;
  }

  std::vector<profile::MappingRow> StoredMapping(long prof_id) {
    std::vector<profile::MappingRow> out;
    db::OdbcResultSet rows;
    EXPECT_TRUE(rows.Open(connection_,
                          "Select ProfID, FieldID, DBFieldName, DBDataType from \"Transaction\" "
                          "where ProfID=" +
                              std::to_string(prof_id) + " order by FieldID"));
    for (long r = 0; r < rows.RowCount() && rows.MoveToRow(r); ++r) {
      out.push_back({prof_id, rows.ValueText(r, 1), rows.ValueText(r, 2), rows.ValueText(r, 3)});
    }
    return out;
  }

  MappingSaveResult Save(const std::vector<MappingListRow>& rows, int kind = db::kKindOther) {
    MappingSaver saver(connection_, store_, log_);
    return saver.Save(data_, rows, kind, types_);
  }

  DesktopWorld world_;
  db::Connection connection_;
  db::Connection linked_;
  profile::ProfileStore store_{connection_};
  DesktopErrorLog log_{world_.app_folder()};
  WizardData data_;
  ColumnTypeLookup types_;
};

TEST_F(MappingSaverTest, NewProfileIsStoredWithItsMappingRowByRow) {
  const MappingSaveResult result =
      Save(Rows({{"F1", "\"FirstName\""}, {"F16", "\"WorkPhone\""}, {"F45", "\"Birthday\""}}));
  ASSERT_TRUE(result.finished);
  EXPECT_FALSE(result.errors);
  EXPECT_EQ(result.messages.back(), "Database Synchronization profile created successfully.");

  const auto profiles = store_.AllProfiles();
  ASSERT_EQ(profiles.size(), 1u);
  EXPECT_EQ(profiles[0].prof_name, "Sales");
  EXPECT_EQ(profiles[0].query, data_.record.query);
  EXPECT_EQ(profiles[0].prof_status, profile::kStatusNew);
  const long id = profiles[0].prof_id;
  EXPECT_EQ(StoredMapping(id),
            (std::vector<profile::MappingRow>{{id, "F1", "FirstName", "SQL_CHAR"},
                                              {id, "F16", "WorkPhone", "SQL_CHAR"},
                                              {id, "F45", "Birthday", "SQL_DATE"}}));
  const std::string log = velmora::testing::ReadFileBytes(log_.file());
  EXPECT_NE(log.find(std::string("P\0R\0O\0F\0I\0L\0E\0", 14)), std::string::npos);
}

TEST_F(MappingSaverTest, TwoTablesStoreEmptyTypeNames) {
  data_.table_count = 2;
  ASSERT_TRUE(Save(Rows({{"F1", "\"FirstName\""}})).finished);
  const auto stored = StoredMapping(data_.record.prof_id);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].db_data_type, "");
}

TEST_F(MappingSaverTest, RefusalsStayOnThePageAndWriteNothing) {
  struct Case {
    std::vector<MappingListRow> rows;
    int kind;
    std::string message;
  };
  const Case cases[] = {
      {Rows({}), db::kKindOther, "Select atleast one field to create profile"},
      {Rows({{"F1", "\"FirstName\""}, {"F45", "\"Notes\""}}), db::kKindOther,
       "Not a valid field mapping for Birth date field"},
      {Rows({{"F45", "\"Birthday\""}, {"F46", "\"Visits\""}}), db::kKindOther,
       "Not a valid field mapping for Anniversary field"},
      {Rows({{"F11", "\"MobilePhone\""}, {"F12", "\"MobilePhone\""}}), db::kKindOther,
       "Column \"MobilePhone\" is mapped twice to Pocket PC Contacts fields\"" +
           std::string(profile::FieldById("F11")->display_name) + "\" and \"" +
           std::string(profile::FieldById("F12")->display_name) +
           "\"; Please assign your custom database field to only one Pocket PC contacts Field."},
  };
  for (const Case& c : cases) {
    const MappingSaveResult result = Save(c.rows, c.kind);
    EXPECT_FALSE(result.finished) << c.message;
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0], c.message);
    EXPECT_TRUE(store_.AllProfiles().empty());
  }
}

TEST_F(MappingSaverTest, TextDatabasesMayMapBirthdayToAnyColumn) {
  EXPECT_TRUE(Save(Rows({{"F45", "\"Notes\""}}), db::kKindText).finished);
}

TEST_F(MappingSaverTest, FixedCategoryListHasNoCategoriesRow) {
  const auto rows = UnmappedRows(true);
  EXPECT_EQ(rows.size(), 45u);
  for (const auto& row : rows) EXPECT_NE(row.field_id, "F40");
}

class MappingModeTest : public MappingSaverTest {
 protected:
  void SetUp() override {
    MappingSaverTest::SetUp();
    ASSERT_TRUE(Save(Rows({{"F1", "\"FirstName\""}, {"F16", "\"WorkPhone\""}})).finished);
    data_.mode = WizardMode::kFieldMapping;
    stored_ = store_.AllProfiles().at(0);
    stored_mapping_ = StoredMapping(stored_.prof_id);
  }
  profile::ProfileRecord stored_;
  std::vector<profile::MappingRow> stored_mapping_;
};

TEST_F(MappingModeTest, StoredMappingIsShownWhileTheQueryIsUnchanged) {
  std::vector<MappingListRow> rows = UnmappedRows(false);
  ShowStoredMapping(store_, stored_.prof_id, data_.record.query, rows);
  for (const auto& row : rows) {
    if (row.field_id == "F16") {
      EXPECT_EQ(row.column, "WorkPhone");
    } else if (row.field_id == "F2") {
      EXPECT_EQ(row.column, "NONE");
    }
  }
  // A mapping stored in double quotes reads as the same bare column.
  ASSERT_TRUE(
      store_.InsertMapping({stored_.prof_id, "F4", "\"Last \"\"Q\"\" Name\"", ""}, nullptr));
  rows = UnmappedRows(false);
  ShowStoredMapping(store_, stored_.prof_id, data_.record.query, rows);
  for (const auto& row : rows) {
    if (row.field_id == "F4") {
      EXPECT_EQ(row.column, "Last \"Q\" Name");
    }
  }
  rows = UnmappedRows(false);
  ShowStoredMapping(store_, stored_.prof_id, "Select \"FirstName\" from \"Contacts\"", rows);
  for (const auto& row : rows) EXPECT_EQ(row.column, "NONE");
}

TEST_F(MappingModeTest, ResaveReplacesProfileAndMappingUnderTheSameId) {
  const MappingSaveResult result = Save(Rows({{"F2", "\"LastName\""}}));
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.messages.back(), "Database Synchronization profile saved successfully.");
  const auto profiles = store_.AllProfiles();
  ASSERT_EQ(profiles.size(), 1u);
  EXPECT_EQ(profiles[0].prof_id, stored_.prof_id);
  EXPECT_EQ(StoredMapping(stored_.prof_id),
            (std::vector<profile::MappingRow>{{stored_.prof_id, "F2", "LastName", "SQL_CHAR"}}));
}

TEST_F(MappingModeTest, RefusedResaveLeavesTheStoredProfileAsItWas) {
  for (const auto& rows : {Rows({{"F45", "\"Notes\""}}),
                           Rows({{"F11", "\"MobilePhone\""}, {"F12", "\"MobilePhone\""}})}) {
    EXPECT_FALSE(Save(rows).finished);
    ASSERT_EQ(store_.AllProfiles().size(), 1u);
    EXPECT_EQ(store_.AllProfiles()[0], stored_);
    EXPECT_EQ(StoredMapping(stored_.prof_id), stored_mapping_);
  }
}

TEST_F(MappingModeTest, FailedResaveRollsBackToTheStoredProfile) {
  // A mapping row the Transaction table cannot take (FieldID longer than its column allows is
  // not refused by SQLite, so the insert is made to fail by a trigger).
  db::Execute(connection_,
              "CREATE TRIGGER refuse_f3 BEFORE INSERT ON \"Transaction\" WHEN NEW.FieldID='F3' "
              "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  const MappingSaveResult result = Save(Rows({{"F2", "\"LastName\""}, {"F3", "\"Title\""}}));
  EXPECT_TRUE(result.finished);
  EXPECT_TRUE(result.errors);
  EXPECT_EQ(result.messages.back(),
            "Database Synchronization profile was not saved; the stored profile is unchanged.");
  ASSERT_EQ(store_.AllProfiles().size(), 1u);
  EXPECT_EQ(store_.AllProfiles()[0], stored_);
  EXPECT_EQ(StoredMapping(stored_.prof_id), stored_mapping_);
}

}  // namespace
}  // namespace velmora::desktop
