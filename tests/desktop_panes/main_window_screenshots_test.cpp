// Pictures of the main window with a profile of each sync type selected in turn (tree, form and
// grid filled) under build/screenshots, and what each of them shows in the content pane.
#include <gtest/gtest.h>

#include <QLabel>

#include "desktop/content_grid.h"
#include "desktop/properties_view.h"
#include "tests/desktop_panes/panes_fixture.h"
#include "tests/support_qt/screenshot.h"

namespace velmora::desktop {
namespace {

class MainWindowScreenshots : public testing::PanesTest {};

TEST_F(MainWindowScreenshots, EverySyncTypeSelectedInTurn) {
  const struct {
    const char* name;
    int sync_on;
    ContentKind content;
  } profiles[] = {
      {"Sales adds to Pocket PC", profile::kEveryTime, ContentKind::kRows},
      {"Sales overwrites Pocket PC", profile::kOnceEveryDay, ContentKind::kRows},
      {"Pocket PC adds to Sales", profile::kOnceWeekly, ContentKind::kMapping},
      {"Pocket PC overwrites Sales", profile::kOnceMonthly, ContentKind::kMapping},
      {"Sales, nothing to do", profile::kOnlyOnce, ContentKind::kRows},
      {"Pocket PC to CSV", profile::kEveryTime, ContentKind::kEmpty},
  };
  for (int type = 0; type < 6; ++type) {
    Store(SampleProfile(type + 1, profiles[type].name, type, profiles[type].sync_on));
  }
  auto frame = Frame();
  frame->resize(1100, 720);
  for (int type = 0; type < 6; ++type) {
    frame->profile_view()->SelectProfileRow(type);
    EXPECT_EQ(frame->profile_view()->current_profile()->sync_type, type);
    EXPECT_EQ(frame->properties_view()->heading()->text().toStdString(), profiles[type].name);
    EXPECT_EQ(frame->content_grid()->shown(), profiles[type].content) << type;
    EXPECT_FALSE(velmora::testing::SaveScreenshot(
                     frame.get(), "brisklet_profile_sync_type_" + std::to_string(type))
                     .empty());
  }
}

}  // namespace
}  // namespace velmora::desktop
