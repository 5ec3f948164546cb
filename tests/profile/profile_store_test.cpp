#include "profile/profile_store.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/odbc_result_set.h"
#include "platform/text/utf.h"
#include "profile/password.h"
#include "profile/statements.h"
#include "profile/sync_settings.h"
#include "tests/profile/profile_db_fixture.h"

namespace velmora::profile::testing {
namespace {

ProfileRecord Profile(long id, std::string user, int sync_type, long category = 0) {
  ProfileRecord r;
  r.prof_id = id;
  r.prof_name = "Profile " + std::to_string(id);
  r.db_path = "/srv/data/";
  r.db_type = kAccessDatabase;
  r.db_dsn = "contacts.mdb";
  r.sync_type = sync_type;
  r.user_name = std::move(user);
  r.sync_time = TimeOfDayOnDayZero(9, 30);
  r.query = "SELECT * FROM \"People\"";
  r.table_name = "People";
  r.category_id = category;
  return r;
}

using ProfileStoreTest = ProfileDatabaseTest;

TEST_P(ProfileStoreTest, InsertedProfileReadsBackColumnByColumn) {
  ProfileRecord r;
  r.prof_id = store_->NextProfileId();
  r.prof_name = "Seán's list";
  r.db_path = "/home/d'arcy/Données/";
  r.db_type = kAccessDatabase;
  r.db_dsn = "O'Hara.mdb";
  r.db_user = "d'arcy";
  r.db_password = "Pa'ss Wörd9";
  r.sync_type = kDeviceOverwritesDesktop;
  r.user_type = 7;  // always stored as 1
  r.user_name = "Zoë O'Neil";
  r.sync_on = kOnceWeekly;
  r.day = 31;
  r.week_day = 6;
  r.sync_time = TimeOfDayOnDayZero(7, 5);
  r.last_sync_date_time = ProfileDateTime{2020, 1, 1, 1, 1, 1};  // a new profile ignores it
  r.prof_status = kStatusSynchronized;                           // a new profile is new
  r.query = "SELECT * FROM \"Kontakte\" WHERE Name <> 'x'";
  r.table_name = "Kontakte";
  r.connection_type = kMySqlKind;
  r.category_id = 4;
  ASSERT_EQ(r.prof_id, 1);
  std::string error;
  ASSERT_TRUE(store_->InsertProfile(r, &error)) << error;

  const std::vector<ProfileRecord> all = store_->AllProfiles();
  ASSERT_EQ(all.size(), 1u);
  ProfileRecord expected = r;
  expected.db_password = ScramblePassword(r.db_password);
  expected.user_type = 1;
  expected.last_sync_date_time = ProfileDateTime{1899, 12, 30, 7, 5, 0};
  expected.prof_status = kStatusNew;
  EXPECT_EQ(all[0], expected);
  EXPECT_EQ(UnscramblePassword(all[0].db_password), "Pa'ss Wörd9");
  EXPECT_EQ(QueryText("SELECT SyncTime FROM DBProfile"), "7:5");
  EXPECT_EQ(store_->ProfileCount(), 1);
  EXPECT_EQ(store_->NextProfileId(), 2);
}

TEST_P(ProfileStoreTest, CsvExportProfileHasNoTable) {
  ProfileRecord r = Profile(1, "ann", kExportCsv);
  r.db_type = kNoDatabase;
  r.connection_type = kTextKind;
  ASSERT_TRUE(store_->InsertProfile(r, nullptr));
  EXPECT_EQ(store_->TableName(1), " ");
  EXPECT_EQ(store_->ConnectionTypeOf(1), 0);
  EXPECT_EQ(store_->SyncTypeOf(1), kExportCsv);
}

TEST_P(ProfileStoreTest, IdsGrowFromOneAndADeletedHighestIdIsReused) {
  EXPECT_EQ(store_->NextProfileId(), 1);
  EXPECT_EQ(store_->NextCategoryId(), 1);
  for (long id = 1; id <= 3; ++id) {
    ASSERT_TRUE(store_->InsertProfile(Profile(id, "ann", 0), nullptr));
    ASSERT_TRUE(store_->InsertCategory(id, "Category " + std::to_string(id)));
  }
  ASSERT_TRUE(store_->DeleteProfile(2));
  ASSERT_TRUE(store_->DeleteCategory(2));
  EXPECT_EQ(store_->NextProfileId(), 4);
  EXPECT_EQ(store_->NextCategoryId(), 4);
  ASSERT_TRUE(store_->DeleteProfile(3));
  ASSERT_TRUE(store_->DeleteCategory(3));
  EXPECT_EQ(store_->NextProfileId(), 2);
  EXPECT_EQ(store_->NextCategoryId(), 2);
}

TEST_P(ProfileStoreTest, SingleValueReadsGiveTheirFailureValues) {
  EXPECT_EQ(store_->TableName(9), kTableNameReadFailed);
  EXPECT_EQ(store_->SyncTypeOf(9), -1);
  EXPECT_EQ(store_->ConnectionTypeOf(9), -1);
  EXPECT_EQ(store_->CategoryIdOf(9), 0);
  EXPECT_EQ(store_->QueryForWizard(9), "");
  EXPECT_EQ(store_->SyncTypeOfUsersFirstProfile("nobody"), std::nullopt);
  EXPECT_EQ(store_->MappedColumnOfField(9, "F1"), "NONE");

  connection_.Disconnect();
  EXPECT_EQ(store_->TableName(1), "");
  EXPECT_EQ(store_->SyncTypeOf(1), -1);
  EXPECT_EQ(store_->ProfileCount(), -1);
  EXPECT_EQ(store_->NextProfileId(), -1);
  EXPECT_TRUE(store_->AllProfiles().empty());
  std::string error;
  EXPECT_FALSE(store_->InsertProfile(Profile(1, "ann", 0), &error));
  EXPECT_EQ(error, "Could not save Database Profile.");
  EXPECT_FALSE(store_->InsertMapping({1, "F4", "Owner's Name", "SQL_CHAR"}, &error));
  EXPECT_EQ(error, "Could not save Field Mapping Owner's Name");
  EXPECT_FALSE(store_->RecordRun(1, ProfileDateTime{}));
}

TEST_P(ProfileStoreTest, LongQueriesAreCutAtTheReadersLimits) {
  ProfileRecord r = Profile(1, "ann", 0);
  r.query = "SELECT * FROM \"People\" WHERE Name IN ('";
  while (r.query.size() < 2400) r.query += "Åsa','";
  r.query += "x')";
  ASSERT_TRUE(store_->InsertProfile(r, nullptr));
  const std::u16string wide_content = text::Utf8ToUtf16(store_->QueryForContent(1));
  const std::u16string wide_wizard = text::Utf8ToUtf16(store_->QueryForWizard(1));
  EXPECT_EQ(wide_content.size(), 499u);
  EXPECT_EQ(wide_wizard.size(), 999u);
  EXPECT_EQ(r.query.rfind(store_->QueryForWizard(1), 0), 0u);
  EXPECT_EQ(store_->AllProfiles().at(0).query, r.query);
}

TEST_P(ProfileStoreTest, DuplicateProfileIdIsRefused) {
  ASSERT_TRUE(store_->InsertProfile(Profile(1, "ann", 0), nullptr));
  std::string error;
  EXPECT_FALSE(store_->InsertProfile(Profile(1, "bob", 2), &error));
  EXPECT_EQ(error, "Could not save Database Profile.");
  EXPECT_EQ(store_->ProfileCount(), 1);
}

TEST_P(ProfileStoreTest, MappingRowsAreReadBackThroughEveryView) {
  ASSERT_TRUE(store_->InsertProfile(Profile(1, "ann", 0), nullptr));
  ASSERT_TRUE(store_->InsertProfile(Profile(2, "ann", 2), nullptr));
  const MappingRow rows[] = {
      {1, "F2", "First", "SQL_CHAR"},
      {1, "F16", "Owner's Fax", "SQL_CHAR"},
      {1, "F45", "Born", "SQL_DATE"},
      {1, "F9", "X", ""},  // one character: mapped for the conduit, not for the views
      {2, "F2", "Given", "SQL_CHAR"},
      {2, "F4", "\"Family \"\"Name\"\"\"", "SQL_CHAR"},  // quoted, as earlier profiles hold it
  };
  for (const MappingRow& row : rows) {
    std::string error;
    ASSERT_TRUE(store_->InsertMapping(row, &error)) << error;
  }
  const std::vector<MappedField> named = store_->MappedFieldNames(1);
  EXPECT_EQ(named.size(), 4u);
  EXPECT_NE(std::find(named.begin(), named.end(), MappedField{"Work fax", "Owner's Fax"}),
            named.end());
  EXPECT_EQ(store_->MappedFieldCountForDesktop(1), 3);
  EXPECT_EQ(store_->MappedFieldCountForConduit(1), 4);
  EXPECT_TRUE(store_->IsColumnMapped("Owner's Fax", 1));
  EXPECT_FALSE(store_->IsColumnMapped("Owner's Fax", 2));
  EXPECT_TRUE(store_->IsColumnMapped("Family \"Name\"", 2));
  EXPECT_EQ(store_->DeviceFieldOfColumn("Family \"Name\"", 2), "Last");
  EXPECT_EQ(store_->DeviceFieldOfColumn("Owner's Fax", 1), "Work fax");
  EXPECT_EQ(store_->DeviceFieldOfColumn("Nothing", 1), "");
  EXPECT_EQ(store_->FieldNameOfFieldId("F24"), "Bstreet");
  EXPECT_EQ(store_->MappedColumnOfField(1, "F16"), "Owner's Fax");
  EXPECT_EQ(store_->MappedColumnOfField(1, "F10"), "NONE");

  const std::vector<TypedMapping> typed = store_->MappingWithTypes(1);
  EXPECT_NE(std::find(typed.begin(), typed.end(), TypedMapping{"Born", "SQL_DATE", "Birthday"}),
            typed.end());

  for (const bool with_types : {true, false}) {
    db::OdbcResultSet display;
    ASSERT_TRUE(display.Open(connection_, sql::SelectMappingForDisplay(1, with_types)));
    EXPECT_EQ(display.ColumnCount(), with_types ? 3 : 2);
    EXPECT_EQ(display.RowCount(), 4);
  }
}

TEST_P(ProfileStoreTest, TheLastStoredMappingOfAFieldWins) {
  ASSERT_TRUE(store_->InsertMapping({1, "F4", "Surname", "SQL_CHAR"}, nullptr));
  ASSERT_TRUE(store_->InsertMapping({1, "F4", "Family", "SQL_CHAR"}, nullptr));
  EXPECT_EQ(store_->MappedColumnOfField(1, "F4"), "Family");
}

TEST_P(ProfileStoreTest, DeletesTakeTheMappingRowsWithThem) {
  for (long id = 1; id <= 3; ++id) {
    ASSERT_TRUE(store_->InsertProfile(Profile(id, "ann", 0), nullptr));
  }
  ASSERT_TRUE(store_->InsertMapping({1, "F2", "First", "SQL_CHAR"}, nullptr));
  ASSERT_TRUE(store_->InsertMapping({2, "F2", "First", "SQL_CHAR"}, nullptr));
  ASSERT_TRUE(store_->InsertMapping({3, "F2", "First", "SQL_CHAR"}, nullptr));

  EXPECT_TRUE(store_->DeleteProfile(1));
  EXPECT_TRUE(store_->DeleteBeforeResave(2));
  EXPECT_EQ(store_->ProfileCount(), 1);
  EXPECT_EQ(store_->MappedFieldCountForConduit(1), 0);
  EXPECT_EQ(store_->MappedFieldCountForConduit(2), 0);
  EXPECT_EQ(store_->MappedFieldCountForConduit(3), 1);

  // A profile left without mapping rows can still be re-saved and deleted.
  ASSERT_TRUE(store_->InsertProfile(Profile(2, "ann", 0), nullptr));
  EXPECT_TRUE(store_->DeleteBeforeResave(2));
  EXPECT_TRUE(store_->InsertProfile(Profile(2, "ann", 1), nullptr));
  EXPECT_EQ(store_->SyncTypeOf(2), 1);
  EXPECT_TRUE(store_->DeleteProfile(2));
  EXPECT_EQ(store_->SyncTypeOf(2), -1);
}

TEST_P(ProfileStoreTest, EditingSyncSettingsMarksTheProfileModifiedUnlessNew) {
  ASSERT_TRUE(store_->InsertProfile(Profile(1, "ann", 0), nullptr));
  ProfileRecord edited = store_->AllProfiles().at(0);
  edited.sync_type = kDesktopOverwritesDevice;
  edited.user_name = "Bob O'Dell";
  edited.sync_on = kOnceMonthly;
  edited.day = 15;
  edited.week_day = 3;
  edited.sync_time = TimeOfDayOnDayZero(7, 5);
  ASSERT_TRUE(store_->UpdateSyncSettings(edited));
  ProfileRecord stored = store_->AllProfiles().at(0);
  EXPECT_EQ(stored.prof_status, kStatusNew);
  EXPECT_EQ(stored.sync_type, kDesktopOverwritesDevice);
  EXPECT_EQ(stored.user_name, "Bob O'Dell");
  EXPECT_EQ(stored.sync_on, kOnceMonthly);
  EXPECT_EQ(stored.day, 15);
  EXPECT_EQ(stored.week_day, 3);
  EXPECT_EQ(stored.sync_time, (ProfileDateTime{1899, 12, 30, 7, 5, 0}));
  EXPECT_EQ(QueryText("SELECT SyncTime FROM DBProfile"), "7:5");

  ASSERT_TRUE(store_->RecordRun(1, ProfileDateTime{2026, 2, 3, 4, 5, 6}));
  stored = store_->AllProfiles().at(0);
  stored.sync_on = kEveryTime;
  ASSERT_TRUE(store_->UpdateSyncSettings(stored));
  EXPECT_EQ(store_->AllProfiles().at(0).prof_status, kStatusModified);
}

TEST_P(ProfileStoreTest, RecordingARunStoresTheLocalDateAndTime) {
  ASSERT_TRUE(store_->InsertProfile(Profile(1, "ann", 0), nullptr));
  ASSERT_TRUE(store_->InsertProfile(Profile(2, "ann", 0), nullptr));
  const ProfileDateTime when{2026, 12, 31, 23, 59, 58};
  ASSERT_TRUE(store_->RecordRun(2, when));
  const std::vector<ProfileRecord> all = store_->ProfilesOfUser("ann");
  ASSERT_EQ(all.size(), 2u);
  for (const ProfileRecord& r : all) {
    if (r.prof_id == 2) {
      EXPECT_EQ(r.last_sync_date_time, when);
      EXPECT_EQ(r.prof_status, kStatusSynchronized);
    } else {
      EXPECT_EQ(r.last_sync_date_time, (ProfileDateTime{1899, 12, 30, 9, 30, 0}));
      EXPECT_EQ(r.prof_status, kStatusNew);
    }
  }
}

TEST_P(ProfileStoreTest, RenamingAndMovingProfiles) {
  ASSERT_TRUE(store_->InsertProfile(Profile(1, "ann", 0), nullptr));
  ASSERT_TRUE(store_->InsertProfile(Profile(2, "ann", 2), nullptr));
  ASSERT_TRUE(store_->RecordRun(1, ProfileDateTime{2026, 1, 2, 3, 4, 5}));
  ASSERT_TRUE(store_->RenameProfile(1, "Ann's phone"));
  EXPECT_TRUE(store_->IsNameTaken("ann", "Ann's phone"));
  EXPECT_FALSE(store_->IsNameTaken("bob", "Ann's phone"));
  EXPECT_EQ(store_->AllProfiles().at(0).prof_status, kStatusNew);

  ASSERT_TRUE(store_->MoveProfileToUserAndPath(1, "Mary O'Hara", "/opt/velmora/"));
  ASSERT_TRUE(store_->MoveProfileToUser(2, "Mary O'Hara"));
  const std::vector<ProfileRecord> moved = store_->ProfilesOfUser("Mary O'Hara");
  ASSERT_EQ(moved.size(), 2u);
  for (const ProfileRecord& r : moved) {
    EXPECT_EQ(r.db_path, r.prof_id == 1 ? "/opt/velmora/" : "/srv/data/");
  }
  EXPECT_TRUE(store_->ProfilesOfUser("ann").empty());
}

TEST_P(ProfileStoreTest, CategoriesAndTheCategoryNameOfAProfile) {
  ASSERT_TRUE(store_->InsertCategory(1, "Kids' club"));
  ASSERT_TRUE(store_->InsertCategory(2, "Work"));
  ASSERT_TRUE(store_->InsertProfile(Profile(1, "ann", 0, 1), nullptr));
  ASSERT_TRUE(store_->InsertProfile(Profile(2, "ann", 0, 2), nullptr));
  ASSERT_TRUE(store_->InsertProfile(Profile(3, "ann", 0, 0), nullptr));
  ASSERT_TRUE(store_->InsertProfile(Profile(4, "ann", 0, -1), nullptr));
  EXPECT_EQ(store_->CategoryNameOf(1), "Kids' club");
  EXPECT_EQ(store_->CategoryIdForMappingPage(2), 2);
  EXPECT_EQ(store_->CategoryNameOf(3), "");
  EXPECT_EQ(store_->CategoryNameOf(4), "");

  ASSERT_TRUE(store_->UpdateCategory(1, 1, "Family & friends'"));
  EXPECT_EQ(store_->CategoryNameOf(1), "Family & friends'");
  ASSERT_TRUE(store_->DeleteCategory(2));
  EXPECT_EQ(store_->CategoryIdOf(2), 2);  // the profile keeps its id
  EXPECT_EQ(store_->CategoryNameOf(2), "");
  EXPECT_EQ(store_->Categories(), (std::vector<Category>{{1, "Family & friends'"}}));
}

TEST_P(ProfileStoreTest, OwnerNamesMatchOnlyTheirOwnProfiles) {
  const char* owners[] = {"a_c", "abc", "50%", "50 off", "O'Neil", "x!y", "xzy"};
  long id = 1;
  for (const char* owner : owners) {
    ASSERT_TRUE(store_->InsertProfile(Profile(id, owner, id % 2 ? 1 : 4), nullptr)) << owner;
    ++id;
  }
  for (const char* owner : owners) {
    const std::vector<ProfileRecord> found = store_->ProfilesOfUser(owner);
    ASSERT_EQ(found.size(), 1u) << owner;
    EXPECT_EQ(found[0].user_name, owner);
    EXPECT_EQ(store_->SyncTypeOfUsersFirstProfile(owner), found[0].sync_type) << owner;
  }
  EXPECT_EQ(store_->CountOverwritingProfilesOfUser("O'Neil"), 1);
  EXPECT_EQ(store_->CountOverwritingProfilesOfUser("50 off"), 0);
  EXPECT_TRUE(store_->ProfilesOfUser("%").empty());
  EXPECT_TRUE(store_->ProfilesOfUser("___").empty());
}

struct ConflictCase {
  const char* name;
  std::vector<ProfileRecord> stored;
  ProfileRecord candidate;
  bool new_conflicts;
  EditConflict edit_conflict;
};

ProfileRecord Target(long id, int sync_type, std::string table = "People") {
  ProfileRecord r = Profile(id, "ann", sync_type);
  r.table_name = std::move(table);
  return r;
}

TEST_P(ProfileStoreTest, RunOrderConflicts) {
  const ConflictCase cases[] = {
      {"adding to the device is never refused",
       {Profile(1, "ann", 1)},
       Profile(5, "ann", 0),
       false,
       EditConflict::kNone},
      {"overwriting after another desktop profile",
       {Profile(1, "ann", 0)},
       Profile(5, "ann", 1),
       true,
       EditConflict::kEarlierProfileExists},
      {"other category",
       {Profile(1, "ann", 0, 2)},
       Profile(5, "ann", 1, 3),
       false,
       EditConflict::kNone},
      {"other owner", {Profile(1, "bob", 0)}, Profile(5, "ann", 1), false, EditConflict::kNone},
      {"owner with an apostrophe",
       {Profile(1, "O'Neil", 0)},
       Profile(5, "O'Neil", 1),
       true,
       EditConflict::kEarlierProfileExists},
      {"device profiles do not count",
       {Profile(1, "ann", 2)},
       Profile(5, "ann", 1),
       false,
       EditConflict::kNone},
      {"later overwriting desktop profile",
       {Profile(9, "ann", 1)},
       Profile(5, "ann", 0),
       false,
       EditConflict::kLaterOverwritingExists},
      {"device adds before a later overwrite",
       {Target(9, 3)},
       Target(5, 2),
       false,
       EditConflict::kLaterOverwritingExists},
      {"device adds after an earlier one",
       {Target(1, 3)},
       Target(5, 2),
       false,
       EditConflict::kNone},
      {"device overwrites after an earlier one",
       {Target(1, 2)},
       Target(5, 3),
       true,
       EditConflict::kEarlierProfileExists},
      {"other table", {Target(1, 2, "Staff")}, Target(5, 3), false, EditConflict::kNone},
      {"table with an apostrophe",
       {Target(1, 2, "Ann's")},
       Target(5, 3, "Ann's"),
       true,
       EditConflict::kEarlierProfileExists},
      {"do nothing never conflicts",
       {Target(1, 3), Profile(9, "ann", 1)},
       Profile(5, "ann", 4),
       false,
       EditConflict::kNone},
  };
  for (const ConflictCase& c : cases) {
    SCOPED_TRACE(c.name);
    MustRun("DELETE FROM DBProfile");
    for (const ProfileRecord& r : c.stored) ASSERT_TRUE(store_->InsertProfile(r, nullptr));
    EXPECT_EQ(store_->NewProfileConflicts(c.candidate), c.new_conflicts);
    EXPECT_EQ(store_->EditedProfileConflict(c.candidate), c.edit_conflict);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, ProfileStoreTest,
                         ::testing::Values(Engine::kSqlite, Engine::kPostgres), EngineName);

}  // namespace
}  // namespace velmora::profile::testing
