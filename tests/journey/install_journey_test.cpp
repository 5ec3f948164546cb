// A fresh installation as a user makes it: the handheld connected once (so the desktop knows
// its owner), the installer run unattended from build/bundle, the second sample profile set to
// run at every connection in the installed desktop manager, and the handheld connected again:
// both shipped sample profiles move their values.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "desktop/commands.h"
#include "desktop/profile_view.h"
#include "desktop/properties_view.h"
#include "handheld/store/attachment.h"
#include "platform/registry/registry.h"
#include "profile/sync_settings.h"
#include "tests/journey/journey_world.h"
#include "tests/support/server_process.h"

namespace velmora::journey {
namespace {

namespace fs = std::filesystem;
using velmora::testing::BuildDir;

// Runs the installer of build/bundle in its own folder, as its README says.
ProgramRun Install(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"/bin/sh", "-c", "cd \"$0\" && exec ./installer \"$@\"",
                                   (BuildDir() / "bundle").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  ProgramRun run;
  run.succeeded = velmora::testing::RunProgram(argv, "", &run.output);
  return run;
}

// The four values of the sample contacts database's people.
People SamplePeople(const fs::path& file) {
  return SqliteQuery(file,
                     "SELECT ifnull(FirstName,''), ifnull(LastName,''), ifnull(Email,''), "
                     "ifnull(WorkPhone,'') FROM Contacts");
}

bool Holds(const People& all, const People& some) {
  return std::includes(all.begin(), all.end(), some.begin(), some.end());
}

class EnvironmentFor {
 public:
  void Set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvironmentFor() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1)
                 : ::unsetenv(it->first.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(InstallJourney, BothSampleProfilesMoveValuesAfterAFreshInstallation) {
  desktop::testing::ProcessOdbc();
  velmora::testing::ScopedRegistry registry;
  velmora::testing::TempDir root;
  EnvironmentFor env;
  env.Set("HOME", (root / "home").string());
  env.Set("XDG_CONFIG_HOME", (root / "home/.config").string());
  fs::create_directories(root / "home/.config");
  const fs::path handheld = root / "handheld";
  const fs::path folder = root / "Velmora Apps" / "Velmora";

  ASSERT_TRUE(Device({"create", handheld.string(), "--owner", kUser}).succeeded);
  ASSERT_TRUE(Device({"connect", handheld.string(), "--wait"}).succeeded);
  const ProgramRun install =
      Install({"--unattended", "--user", kUser, "--folder", folder.string()});
  ASSERT_TRUE(install.succeeded) << install.output;
  // This desktop has no display: the registered conduit runs unattended.
  const auto registered = registry::ReadString(registry::Hive::kLocalMachine,
                                               handheld::kAutoStartOnConnectKey, "Velmora Conduit");
  ASSERT_TRUE(registered.has_value());
  ASSERT_TRUE(registry::WriteString(registry::Hive::kLocalMachine, handheld::kAutoStartOnConnectKey,
                                    "Velmora Conduit", *registered + " --unattended"));
  const People samples = SamplePeople(folder / "SampleContactsDB.mdb");
  ASSERT_FALSE(samples.empty());
  PutPeople(handheld, HandheldPeople(), root.path());

  {
    prompt::ScriptedPrompt prompt;
    prompt::SetCurrentPrompt(&prompt);
    desktop::DesktopSession session;
    desktop::StartupOptions options;
    options.user_library = folder / "lib" / "libpeltrix.so";
    options.rapi_library = (folder / "lib" / "librapi-emu.so").string();
    options.device_wait = std::chrono::milliseconds(0);
    ASSERT_EQ(session.Start(options), desktop::StartupFailure::kNone);
    desktop::CMainFrame frame(session);
    frame.profile_view()->conduit_running = [] { return false; };
    frame.profile_view()->Reload();
    frame.show();
    const auto items =
        frame.profile_view()->findItems("Pocket PC to Sample Contacts", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    frame.profile_view()->setCurrentItem(items[0]);
    EXPECT_NE(frame.profile_view()->status_text().find("Database is connected."), std::string::npos)
        << frame.profile_view()->status_text();
    Choose(frame.properties_view()->sync_on_list(),
           QString::fromStdString(std::string(profile::SyncOnText(profile::kEveryTime))));
    prompt::SetCurrentPrompt(nullptr);
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{});
  }

  EXPECT_EQ(ConnectHandheld(handheld), 0);
  // The desktop's people reached the handheld, the handheld's reached the desktop table.
  EXPECT_TRUE(Holds(PeopleOn(handheld), Joined(samples, HandheldPeople())))
      << ::testing::PrintToString(PeopleOn(handheld));
  EXPECT_TRUE(Holds(SamplePeople(folder / "SampleContactsDB.mdb"), Sorted(HandheldPeople())));
}

}  // namespace
}  // namespace velmora::journey
