// The "Edit Profile" rename rules on a real profile database: empty names, names the user
// already has (the current one included), other users' names, quotes and the length limit.
#include "desktop/rename_profile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop/messages.h"
#include "platform/prompt/scripted_prompt.h"
#include "tests/profile/profile_db_fixture.h"

namespace velmora::desktop {
namespace {

using profile::testing::Engine;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RenameProfileTest : public profile::testing::ProfileDatabaseTest {
 protected:
  void SetUp() override {
    ProfileDatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ann_ = AddProfile(1, "Friends", "Ann");
    AddProfile(2, "Work", "Ann");
    AddProfile(3, "Club", "Bob");
  }
  void TearDown() override { prompt::SetCurrentPrompt(nullptr); }

  profile::ProfileRecord AddProfile(long id, const std::string& name, const std::string& user) {
    profile::ProfileRecord record;
    record.prof_id = id;
    record.prof_name = name;
    record.user_name = user;
    record.db_path = " ";
    record.db_dsn = "SomeDSN";
    record.query = "Select * from People";
    record.table_name = "People";
    std::string error;
    EXPECT_TRUE(store_->InsertProfile(record, &error)) << error;
    return record;
  }

  profile::ProfileRecord ann_;
};

TEST_P(RenameProfileTest, RefusedNamesKeepTheProfileAsItWas) {
  struct Case {
    const char* what;
    std::string name;
    std::string_view message;
  };
  const Case cases[] = {
      {"empty", "", kEnterProfileName},
      {"its own current name", "Friends", kNameTaken},
      {"another profile of the same user", "Work", kNameTaken},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prompt::ScriptedPrompt prompt;
    prompt::SetCurrentPrompt(&prompt);
    profile::ProfileRecord record = ann_;
    EXPECT_EQ(RenameProfile(*store_, record, c.name), RenameOutcome::kRefused);
    EXPECT_THAT(prompt.Texts(), ElementsAre(std::string(c.message)));
    EXPECT_EQ(record.prof_name, "Friends");
    EXPECT_EQ(QueryText("Select ProfName from DBProfile where ProfID=1"), "Friends");
  }
}

TEST_P(RenameProfileTest, StoredNamesAreKeptAsTyped) {
  struct Case {
    const char* what;
    std::string typed;
    std::string stored;
  };
  const Case cases[] = {
      {"another user's name", "Club", "Club"},
      {"single quotes", "Ann's 'best' friends", "Ann's 'best' friends"},
      {"longer than the edit reads", std::string(60, 'x'), std::string(50, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prompt::ScriptedPrompt prompt;
    prompt::SetCurrentPrompt(&prompt);
    MustRun("update DBProfile set ProfStatus=0 where ProfID=1");
    profile::ProfileRecord record = ann_;
    EXPECT_EQ(RenameProfile(*store_, record, c.typed), RenameOutcome::kRenamed);
    EXPECT_THAT(prompt.Texts(), IsEmpty());
    EXPECT_EQ(record.prof_name, c.stored);
    EXPECT_EQ(QueryText("Select ProfName from DBProfile where ProfID=1"), c.stored);
    EXPECT_EQ(QueryText("Select ProfStatus from DBProfile where ProfID=1"), "1");
    ann_.prof_name = record.prof_name;
  }
}

TEST(ProfileNameFromEdit, CutsAtFiftyCharactersNotBytes) {
  const std::string accented = std::string(49, 'a') + "\xC3\xA9\xC3\xA9";  // 51 characters
  EXPECT_EQ(ProfileNameFromEdit(accented), std::string(49, 'a') + "\xC3\xA9");
}

INSTANTIATE_TEST_SUITE_P(Engines, RenameProfileTest,
                         ::testing::Values(Engine::kSqlite, Engine::kPostgres),
                         profile::testing::EngineName);

}  // namespace
}  // namespace velmora::desktop
