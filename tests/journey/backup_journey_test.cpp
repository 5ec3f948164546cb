// The safety nets a user relies on: the handheld's contacts saved with Backup, overwritten by a
// profile, the handheld cleared, and every field of every contact back after Restore; and a
// table that the conduit overwrote put back from the conduit's backup in the Restore Contents
// dialog.
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "desktop/restore_contents_dialog.h"
#include "desktop/commands.h"
#include "desktop/grid/result_set_table_model.h"
#include "profile/sync_settings.h"
#include "tests/journey/journey_world.h"

namespace velmora::journey {
namespace {

// Contacts with a value in each of the handheld's fields: the field's name and the contact.
std::string EveryFieldCsv(const std::string& header) {
  std::vector<std::string> fields;
  for (std::size_t from = 0, comma = 0; comma != std::string::npos; from = comma + 1) {
    comma = header.find(',', from);
    fields.push_back(header.substr(from, comma - from));
  }
  std::string csv = header + "\r\n";
  for (const char* who : {"Zo\xC3\xAB", "Yuki"}) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      std::string value = fields[i] + " of " + who;
      if (fields[i] == "Birthday") value = "1984-05-17";
      if (fields[i] == "Anniversary") value = "2010-06-30";
      csv += (i ? "," : "") + std::string("\"") + value + "\"";
    }
    csv += "\r\n";
  }
  return csv;
}

TEST(BackupJourney, HandheldContactsComeBackAfterBackupOverwriteClearAndRestore) {
  JourneyWorld world;
  const std::string empty = world.HandheldCsv();
  const std::string header = empty.substr(0, empty.find_first_of("\r\n"));
  const auto file = world.data() / "every-field.csv";
  velmora::testing::WriteFileBytes(file, EveryFieldCsv(header));
  ASSERT_TRUE(Device({"contacts", world.handheld().string(), "import", file.string()}).succeeded);
  const std::string before = world.HandheldCsv();
  ASSERT_EQ(world.HandheldCount(), 2);

  world.frame().action(desktop::kCmdBackupDevice)->trigger();
  EXPECT_EQ(world.prompt().Texts().back(), "Backup is taken successfully.");

  // A profile overwrites the handheld with the desktop's people, then the handheld is cleared.
  WizardChoices choices;
  choices.sync_type = profile::kDesktopOverwritesDevice;
  choices.name = "Ann's people";
  choices.file = MakeSqlitePeople(world.data());
  choices.table = "people";
  choices.columns = kFancyColumns;
  ASSERT_NE(world.MakeProfile(choices).find("created successfully"), std::string::npos);
  EXPECT_EQ(world.Connect(), 0) << world.ConduitLog();
  EXPECT_EQ(world.OnHandheld(), Sorted(DesktopPeople()));
  ASSERT_TRUE(Device({"contacts", world.handheld().string(), "clear"}).succeeded);
  ASSERT_EQ(world.HandheldCount(), 0);

  world.frame().action(desktop::kCmdRestoreDevice)->trigger();
  EXPECT_EQ(world.prompt().Texts().back(), "Backup is restored successfully.");
  EXPECT_EQ(world.HandheldCsv(), before);
}

// The conduit names its backups for a profile name with a "/" in it; the dialog finds them.
TEST(BackupJourney, ATableOverwrittenByTheConduitIsRestoredFromItsBackup) {
  JourneyWorld world;
  WizardChoices choices;
  choices.sync_type = profile::kDeviceOverwritesDesktop;
  choices.name = "Home/Work";
  choices.file = MakeSqlitePeople(world.data());
  choices.table = "people";
  choices.columns = kFancyColumns;
  ASSERT_NE(world.MakeProfile(choices).find("created successfully"), std::string::npos);
  world.PutOnHandheld(HandheldPeople());
  ASSERT_EQ(world.Connect(), 0) << world.ConduitLog();
  EXPECT_EQ(SqlitePeople(*choices.file), Sorted(HandheldPeople()));

  world.SelectProfile(choices.name);
  long backup_rows = -1;
  world.dialogs = [&](QDialog& dialog) {
    auto* restore = dynamic_cast<desktop::RestoreContentsDialog*>(&dialog);
    if (restore == nullptr) return static_cast<int>(QDialog::Rejected);
    backup_rows = restore->backup_rows()->rowCount();
    world.prompt().QueueAnswer(prompt::Answer::kYes);
    QTest::mouseClick(restore->restore_button(), Qt::LeftButton);
    return static_cast<int>(QDialog::Accepted);
  };
  world.frame().action(desktop::kCmdRestoreContents)->trigger();
  world.dialogs = nullptr;
  EXPECT_EQ(backup_rows, 3) << "the last sync's backup holds the three desktop people";
  EXPECT_EQ(SqlitePeople(*choices.file), Sorted(DesktopPeople()));
}

}  // namespace
}  // namespace velmora::journey
