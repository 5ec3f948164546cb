#include "profile/shipped_databases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "profile/field_catalogue.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "tests/profile/profile_db_fixture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace velmora::profile {
namespace {

// Each test works on copies, so the build's files stay as generated.
class ShippedDatabasesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ProcessOdbc();
    const std::filesystem::path share = VELMORA_SHARE_FOLDER;
    for (std::string_view file : {kProfileDatabaseFile, kSampleContactsFile}) {
      const std::filesystem::path source = share / file;
      ASSERT_TRUE(std::filesystem::exists(source)) << source;
      std::filesystem::copy_file(source, dir_ / std::string(file));
    }
  }

  bool Connect(db::Connection& connection, std::string_view file) {
    std::string error;
    const std::string_view dsn =
        file == kProfileDatabaseFile ? db::kProfileDsnDesktop : db::kCustomDsnDesktop;
    const bool ok =
        connection.Connect(dsn, db::kDatabaseAccess, (dir_ / std::string(file)).string(), "",
                           db::kProfileDatabasePassword, &error, false);
    EXPECT_TRUE(ok) << error;
    return ok;
  }

  velmora::testing::TempDir dir_;
};

TEST_F(ShippedDatabasesTest, CatalogueTableHoldsTheExportHeaders) {
  db::Connection connection;
  ASSERT_TRUE(Connect(connection, kProfileDatabaseFile));
  ProfileStore store(connection);
  db::OdbcResultSet rows;
  ASSERT_TRUE(rows.Open(connection, "SELECT * FROM PocketMaster"));
  EXPECT_EQ(rows.RowCount(), kFieldCount);
  for (const ContactField& field : ContactFields()) {
    EXPECT_EQ(store.FieldNameOfFieldId(field.field_id), field.export_header) << field.field_id;
  }
}

TEST_F(ShippedDatabasesTest, SampleProfilesLinkTheSampleContacts) {
  db::Connection profiles;
  ASSERT_TRUE(Connect(profiles, kProfileDatabaseFile));
  ProfileStore store(profiles);
  const std::vector<ProfileRecord> all = store.AllProfiles();
  ASSERT_EQ(all.size(), 2u);
  std::map<long, ProfileRecord> by_id;
  for (const ProfileRecord& r : all) by_id[r.prof_id] = r;
  ASSERT_EQ(by_id.count(kSampleDesktopToDeviceProfile), 1u);
  ASSERT_EQ(by_id.count(kSampleDeviceToDesktopProfile), 1u);
  EXPECT_TRUE(IsDesktopToDevice(by_id[kSampleDesktopToDeviceProfile].sync_type));
  EXPECT_TRUE(IsDeviceToDesktop(by_id[kSampleDeviceToDesktopProfile].sync_type));

  db::Connection contacts;
  ASSERT_TRUE(Connect(contacts, kSampleContactsFile));
  for (const auto& [id, r] : by_id) {
    SCOPED_TRACE(r.prof_name);
    EXPECT_EQ(r.db_type, kAccessDatabase);
    EXPECT_EQ(r.db_dsn, kSampleContactsFile);
    EXPECT_EQ(r.db_path, kSampleDbPathPlaceholder);
    EXPECT_EQ(r.prof_status, kStatusNew);
    EXPECT_EQ(r.last_sync_date_time.year, 1899);
    EXPECT_EQ(TableNameFromQuery(r.query), r.table_name);
    EXPECT_EQ(r.table_name, kSampleContactsTable);

    // Every mapped column exists in the sample table with the type name stored for it.
    db::OdbcResultSet table;
    ASSERT_TRUE(table.Open(contacts, r.query));
    EXPECT_GT(table.RowCount(), 20);
    std::map<std::string, std::string> types;
    for (int c = 0; c < table.ColumnCount(); ++c)
      types[table.ColumnName(c)] = table.ColumnTypeName(c);
    const std::vector<TypedMapping> mappings = store.MappingWithTypes(id);
    EXPECT_GE(mappings.size(), 10u);
    for (const TypedMapping& m : mappings) {
      ASSERT_EQ(types.count(m.db_field_name), 1u) << m.db_field_name;
      EXPECT_EQ(types[m.db_field_name], m.db_data_type) << m.db_field_name;
    }
    EXPECT_EQ(store.MappedColumnOfField(id, "F45"), "Birthday");
  }
}

TEST_F(ShippedDatabasesTest, SampleContactsCarryApostrophesAndNonAsciiNames) {
  db::Connection contacts;
  ASSERT_TRUE(Connect(contacts, kSampleContactsFile));
  db::OdbcResultSet rows;
  ASSERT_TRUE(rows.Open(contacts,
                        "SELECT LastName FROM Contacts WHERE LastName = 'O''Brien' OR "
                        "LastName = 'Müller' OR LastName = 'Nguyễn'"));
  EXPECT_EQ(rows.RowCount(), 3);
}

}  // namespace
}  // namespace velmora::profile
