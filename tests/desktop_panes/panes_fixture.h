// A started desktop manager session on a hermetic desktop (tests/desktop/desktop_world.h) with
// no profiles, and helpers that store profiles on the sample contacts database with a field
// mapping. Used by the profile tree, content pane and screenshot tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "desktop/desktop_session.h"
#include "desktop/main_frame.h"
#include "desktop/profile_view.h"
#include "profile/profile_record.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "tests/desktop/desktop_world.h"

namespace velmora::desktop::testing {

// Device field id → desktop column of the sample contacts table.
inline const std::vector<std::pair<std::string, std::string>> kSampleMapping = {
    {"F2", "FirstName"}, {"F4", "LastName"}, {"F8", "Company"}, {"F20", "Email"}};

class PanesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartupOptions options;
    options.user_library = velmora::testing::BuildDir() / "lib" / "libpeltrix.so";
    options.rapi_library = (velmora::testing::BuildDir() / "lib" / "librapi-emu.so").string();
    options.device_wait = std::chrono::milliseconds(0);
    ASSERT_EQ(session_.Start(options), StartupFailure::kNone);
    for (const auto& p : session_.store().AllProfiles()) session_.store().DeleteProfile(p.prof_id);
  }

  // A profile on the sample contacts database (an Access file of the application folder).
  profile::ProfileRecord SampleProfile(long id, const std::string& name, int sync_type,
                                       int sync_on = profile::kEveryTime) const {
    profile::ProfileRecord r;
    r.prof_id = id;
    r.prof_name = name;
    r.user_name = kUser;
    r.sync_type = sync_type;
    r.sync_on = sync_on;
    r.db_type = profile::kAccessDatabase;
    r.db_path = world_.app_folder().string() + "/";
    r.db_dsn = "SampleContactsDB.mdb";
    r.query = "Select * from \"Contacts\" Where \"Visits\" > 0 Order By \"LastName\"";
    r.table_name = "Contacts";
    if (sync_type == profile::kExportCsv) {
      r.db_type = profile::kNoDatabase;
      r.db_path = " ";
      r.db_dsn = " ";
      r.query = " ";
    }
    return r;
  }

  void Store(const profile::ProfileRecord& record, bool with_mapping = true) {
    ASSERT_TRUE(session_.store().InsertProfile(record, nullptr));
    if (!with_mapping || record.sync_type == profile::kExportCsv) return;
    for (const auto& [field, column] : kSampleMapping) {
      ASSERT_TRUE(
          session_.store().InsertMapping({record.prof_id, field, column, "SQL_CHAR"}, nullptr));
    }
  }

  // The main window after its initial update, with no conduit seen running.
  std::unique_ptr<CMainFrame> Frame() {
    auto frame = std::make_unique<CMainFrame>(session_);
    frame->profile_view()->conduit_running = [this] { return conduit_running_; };
    frame->profile_view()->Reload();
    return frame;
  }

  DesktopWorld world_;
  DesktopSession session_;
  bool conduit_running_ = false;
};

}  // namespace velmora::desktop::testing
