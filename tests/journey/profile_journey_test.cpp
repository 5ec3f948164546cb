// A profile's later life in the desktop manager: its sync type, schedule, handheld user and
// mapping changed in the properties pane and the Field Editing wizard, a new name in the Edit
// Profile dialog, and each change seen at the next connection of the handheld.
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "desktop/commands.h"
#include "desktop/db_connection_page.h"
#include "desktop/profile_view.h"
#include "desktop/properties_view.h"
#include "profile/sync_settings.h"
#include "tests/journey/journey_world.h"

namespace velmora::journey {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

WizardChoices SqliteProfile(JourneyWorld& world, int sync_type, const std::string& name) {
  WizardChoices choices;
  choices.sync_type = sync_type;
  choices.name = name;
  choices.file = MakeSqlitePeople(world.data());
  choices.table = "people";
  choices.columns = kFancyColumns;
  return choices;
}

// The desktop people with their phone number as home tel instead of work tel.
const FieldNames kHomeTel = {"First", "Last", "E-mail", "Home tel"};

TEST(ProfileJourney, ChangesInThePropertiesPaneAndRenamingTakeEffectAtTheNextConnection) {
  JourneyWorld world;
  const std::string name = "Ann's people";
  ASSERT_NE(world.MakeProfile(SqliteProfile(world, profile::kDesktopAddsDevice, name))
                .find("created successfully"),
            std::string::npos);
  desktop::CPropertiesView* pane = world.frame().properties_view();
  const auto connect_and_expect = [&](const People& expected, const FieldNames& fields,
                                      const char* step) {
    SCOPED_TRACE(step);
    world.PutOnHandheld(HandheldPeople());
    EXPECT_EQ(world.Connect(), 0) << world.ConduitLog();
    EXPECT_EQ(world.OnHandheld(fields), expected)
        << world.ConduitLog() << ::testing::PrintToString(world.prompt().Texts());
  };
  connect_and_expect(Joined(HandheldPeople(), DesktopPeople()), kPersonNames, "as made");

  world.SelectProfile(name);
  Choose(pane->sync_type_list(), Q(profile::SyncTypeText(profile::kDesktopOverwritesDevice)));
  connect_and_expect(Sorted(DesktopPeople()), kPersonNames, "overwriting");

  // Monthly on a day that is not today: not due.
  const int other_day = QDate::currentDate().day() == 1 ? 2 : 1;
  Choose(pane->sync_on_list(), Q(profile::SyncOnText(profile::kOnceMonthly)));
  Choose(pane->date_list(), QString::number(other_day));
  connect_and_expect(Sorted(HandheldPeople()), kPersonNames, "not due");
  Choose(pane->sync_on_list(), Q(profile::SyncOnText(profile::kEveryTime)));

  // Another user's profile does not run for Ann's handheld.
  world.prompt().QueueAnswer(prompt::Answer::kOk);  // "Are you sure to change Handheld User?"
  Choose(pane->user_list(), kOtherUser);
  connect_and_expect(Sorted(HandheldPeople()), kPersonNames, "Bob's profile");
  world.prompt().QueueAnswer(prompt::Answer::kOk);
  Choose(pane->user_list(), kUser);

  // The phone number goes to Home tel now.
  const int edited = world.EditMapping(name, [&](desktop::CProfileWizard& wizard) {
    ClickNext(wizard);
    MapColumn(wizard, "F9", "NONE");
    MapColumn(wizard, "F11", kFancyColumns[3]);
    ClickFinish(wizard);
  });
  EXPECT_EQ(edited, QDialog::Accepted) << world.prompt().Texts().back();
  People no_work_tel = DesktopPeople();
  for (Person& p : no_work_tel) p[3] = "";
  connect_and_expect(Sorted(DesktopPeople()), kHomeTel, "home tel");
  EXPECT_EQ(world.OnHandheld(), Sorted(no_work_tel));

  // Edit Profile: a new name, with a slash and non-ASCII letters.
  const std::string renamed = "Ann's Caf\xC3\xA9/Home";
  world.dialogs = [&](QDialog& dialog) {
    auto* edit = dialog.findChild<QLineEdit*>();
    edit->clear();
    edit->insert(QString::fromStdString(renamed));
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
      if (button->text() == "Change") QTest::mouseClick(button, Qt::LeftButton);
    }
    return dialog.result();
  };
  world.SelectProfile(name);
  world.frame().action(desktop::kCmdRename)->trigger();
  world.dialogs = nullptr;
  connect_and_expect(Sorted(DesktopPeople()), kHomeTel, "renamed");
  EXPECT_NE(world.ConduitLog().find("Opening profile \"" + renamed + "\""), std::string::npos)
      << world.ConduitLog();
}

// Mapping mode on a profile that overwrites its table: the profile itself is no conflict.
TEST(ProfileJourney, TheFieldsOfATableOverwritingProfileCanBeEdited) {
  JourneyWorld world;
  const std::string name = "Ann's table";
  const WizardChoices choices = SqliteProfile(world, profile::kDeviceOverwritesDesktop, name);
  ASSERT_NE(world.MakeProfile(choices).find("created successfully"), std::string::npos);
  world.PutOnHandheld(HandheldPeople());
  ASSERT_EQ(world.Connect(), 0) << world.ConduitLog();
  EXPECT_EQ(SqlitePeople(*choices.file), Sorted(HandheldPeople()));

  // Work tel is no longer brought back.
  const int edited = world.EditMapping(name, [&](desktop::CProfileWizard& wizard) {
    ClickNext(wizard);
    if (wizard.currentId() != desktop::CProfileWizard::kFldMappingPage) return;
    MapColumn(wizard, "F9", "NONE");
    ClickFinish(wizard);
  });
  EXPECT_EQ(edited, QDialog::Accepted) << world.prompt().Texts().back();
  EXPECT_EQ(world.frame().profile_view()->topLevelItemCount(), 1);
  ASSERT_EQ(world.Connect(), 0) << world.ConduitLog();
  People without_tel = HandheldPeople();
  for (Person& p : without_tel) p[3] = "";
  EXPECT_EQ(SqlitePeople(*choices.file), Sorted(without_tel));
}

}  // namespace
}  // namespace velmora::journey
