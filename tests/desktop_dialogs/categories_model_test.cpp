// The Categories rules on a real profile database: IDs, exact name comparison, the refusals
// of New and Rename, names with apostrophes, and Delete.
#include "desktop/categories_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/prompt/scripted_prompt.h"
#include "tests/profile/profile_db_fixture.h"

namespace velmora::desktop {
namespace {

using profile::testing::Engine;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CategoriesModelTest : public profile::testing::ProfileDatabaseTest {
 protected:
  void SetUp() override {
    ProfileDatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    prompt::SetCurrentPrompt(&prompt_);
    model_ = std::make_unique<CategoriesModel>(*store_);
  }
  void TearDown() override { prompt::SetCurrentPrompt(nullptr); }

  std::vector<std::pair<long, std::string>> Rows() {
    std::vector<std::pair<long, std::string>> rows;
    for (const auto& c : store_->Categories()) rows.emplace_back(c.id, c.name);
    return rows;
  }

  prompt::ScriptedPrompt prompt_;
  std::unique_ptr<CategoriesModel> model_;
};

using Row = std::pair<long, std::string>;

TEST_P(CategoriesModelTest, NewCategoriesTakeTheLargestIdPlusOne) {
  EXPECT_EQ(model_->Create("Business"), NameOutcome::kStored);
  EXPECT_EQ(model_->Create("Personal"), NameOutcome::kStored);
  EXPECT_EQ(model_->Create("Holiday"), NameOutcome::kStored);
  model_->Delete("Personal");
  model_->Delete("Holiday");
  EXPECT_EQ(model_->Create("Travel"), NameOutcome::kStored);
  EXPECT_EQ(model_->stored_name(), "Travel");
  EXPECT_THAT(Rows(), ElementsAre(Row{1, "Business"}, Row{2, "Travel"}));
  EXPECT_THAT(prompt_.Texts(), IsEmpty());
}

TEST_P(CategoriesModelTest, NamesAreComparedExactly) {
  ASSERT_EQ(model_->Create("Work"), NameOutcome::kStored);
  EXPECT_EQ(model_->Create("work"), NameOutcome::kStored);
  EXPECT_EQ(model_->Create("Work "), NameOutcome::kStored);
  EXPECT_EQ(model_->IdOf("work"), 2);
  EXPECT_EQ(model_->IdOf("Nope"), 0);
}

TEST_P(CategoriesModelTest, NewAndRenameRefuseEmptyAndExistingNames) {
  ASSERT_EQ(model_->Create("Work"), NameOutcome::kStored);
  ASSERT_EQ(model_->Create("Home"), NameOutcome::kStored);
  struct Case {
    const char* what;
    bool rename;
    const char* name;
    std::string_view message;
  };
  const Case cases[] = {
      {"new, empty", false, "", kEnterValidCategory},
      {"new, existing", false, "Work", kCategoryExists},
      {"rename, empty", true, "", kEnterValidCategory},
      {"rename, to another's name", true, "Work", kCategoryExists},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prompt::ScriptedPrompt prompt;
    prompt::SetCurrentPrompt(&prompt);
    const NameOutcome outcome = c.rename ? model_->Rename("Home", c.name) : model_->Create(c.name);
    EXPECT_EQ(outcome, NameOutcome::kRefused);
    EXPECT_THAT(prompt.Texts(), ElementsAre(std::string(c.message)));
    EXPECT_EQ(model_->stored_name(), "");
    EXPECT_THAT(Rows(), ElementsAre(Row{1, "Work"}, Row{2, "Home"}));
  }
  prompt::SetCurrentPrompt(&prompt_);
}

TEST_P(CategoriesModelTest, ApostrophesAreStoredAsTyped) {
  EXPECT_EQ(model_->Create("Ann's friends"), NameOutcome::kStored);
  EXPECT_EQ(model_->Rename("Ann's friends", "Bob's 'mates'"), NameOutcome::kStored);
  EXPECT_THAT(Rows(), ElementsAre(Row{1, "Bob's 'mates'"}));
  EXPECT_THAT(prompt_.Texts(), IsEmpty());
}

TEST_P(CategoriesModelTest, RenameKeepsTheIdAndToItsOwnNameChangesNothing) {
  ASSERT_EQ(model_->Create("Work"), NameOutcome::kStored);
  ASSERT_EQ(model_->Create("Home"), NameOutcome::kStored);
  EXPECT_EQ(model_->Rename("Home", "House"), NameOutcome::kStored);
  EXPECT_EQ(model_->Rename("Work", "Work"), NameOutcome::kStored);
  EXPECT_THAT(Rows(), ElementsAre(Row{1, "Work"}, Row{2, "House"}));
}

TEST_P(CategoriesModelTest, DeletingAnUnknownNameChangesNothing) {
  ASSERT_EQ(model_->Create("Work"), NameOutcome::kStored);
  model_->Delete("");
  model_->Delete("Nope");
  EXPECT_THAT(model_->Names(), ElementsAre("Work"));
}

TEST_P(CategoriesModelTest, FailedInsertIsReported) {
  MustRun("DROP TABLE CategoryMaster");
  EXPECT_EQ(model_->Create("Work"), NameOutcome::kFailed);
  EXPECT_THAT(prompt_.Texts(), ElementsAre(std::string(kCouldNotSaveCategory)));
  EXPECT_EQ(model_->stored_name(), "");
}

INSTANTIATE_TEST_SUITE_P(Engines, CategoriesModelTest,
                         ::testing::Values(Engine::kSqlite, Engine::kPostgres),
                         profile::testing::EngineName);

}  // namespace
}  // namespace velmora::desktop
