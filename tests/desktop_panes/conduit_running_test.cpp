// The refusal to load a profile while a process named like the conduit runs on this test's
// registry folder (the fake conduit inherits the test's environment).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QLabel>
#include <chrono>
#include <thread>

#include "desktop/conduit_process.h"
#include "desktop/content_grid.h"
#include "desktop/properties_view.h"
#include "tests/desktop_panes/panes_fixture.h"
#include "tests/support/temp_dir.h"

namespace velmora::desktop {
namespace {

// A process of the conduit's name, ended when the test ends.
class FakeConduit {
 public:
  explicit FakeConduit(const std::filesystem::path& folder) {
    const std::filesystem::path program = folder / "tavrill";
    std::filesystem::copy_file("/bin/sleep", program);
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    char name[] = "tavrill";
    char seconds[] = "60";
    char* argv[] = {name, seconds, nullptr};
    if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~FakeConduit() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

class ConduitRunningTest : public testing::PanesTest {};

// The highlighted item changes, but nothing is loaded: form and grid stay as they were.
TEST_F(ConduitRunningTest, SelectingWhileTavrillRunsKeepsFormAndGrid) {
  Store(SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice));
  Store(SampleProfile(2, "Back Office", profile::kDeviceAddsDesktop));
  auto frame = Frame();
  CProfileView* view = frame->profile_view();
  const QString heading = frame->properties_view()->heading()->text();
  const int rows = frame->content_grid()->model()->rowCount();
  ASSERT_GT(rows, 0);
  view->conduit_running = [] { return IsConduitRunning(); };
  velmora::testing::TempDir bin;
  {
    FakeConduit conduit(bin.path());
    ASSERT_TRUE(conduit.started());
    // The new process shows in the process table once it has executed the program.
    for (int tries = 0; tries < 10000 && !IsConduitRunning(); ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(IsConduitRunning());
    view->SelectProfileRow(1);
  }
  EXPECT_EQ(view->currentItem(), view->topLevelItem(1));
  EXPECT_TRUE(session_.suspend_content);
  EXPECT_EQ(view->current_profile()->prof_name, "Sales Team");
  EXPECT_EQ(session_.current_prof_id, 1);
  EXPECT_EQ(frame->properties_view()->heading()->text(), heading);
  EXPECT_EQ(frame->content_grid()->model()->rowCount(), rows);

  // Once the conduit has gone, the next selection loads again.
  view->conduit_running = [] { return false; };
  view->SelectProfileRow(0);
  EXPECT_FALSE(session_.suspend_content);
  EXPECT_EQ(frame->content_grid()->shown(), ContentKind::kRows);
}

}  // namespace
}  // namespace velmora::desktop
