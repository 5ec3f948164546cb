// The fault switches and the byte count of the link.
#include "handheld/store/link_state.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace velmora::handheld {
namespace {

using testing::TempDir;

TEST(LinkState, UnplugsOnceTheAllowanceHasCrossed) {
  TempDir dir;
  auto link = LinkState::Open(dir.path(), true);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->Cross(5'000'000), 5'000'000u);  // no switch: everything crosses uncounted
  std::string error;
  ASSERT_TRUE(link->SetFault("unplug-after-bytes", "10", &error));
  EXPECT_EQ(link->Cross(4), 4u);
  EXPECT_FALSE(link->Unplugged());
  EXPECT_EQ(link->Cross(10), 6u);
  EXPECT_TRUE(link->Unplugged());
  EXPECT_EQ(link->Cross(1), 0u);
  ASSERT_TRUE(link->ClearFaults());
  EXPECT_FALSE(link->Unplugged());
  EXPECT_EQ(link->BytesCrossed(), 0u);
}

TEST(LinkState, ExactAllowanceCrossesThenDrops) {
  TempDir dir;
  auto link = LinkState::Open(dir.path(), true);
  std::string error;
  ASSERT_TRUE(link->SetFault("unplug-after-bytes", "8", &error));
  EXPECT_EQ(link->Cross(8), 8u);
  EXPECT_TRUE(link->Unplugged());
}

TEST(LinkState, SwitchesAndTheirValues) {
  TempDir dir;
  testing::WriteFileBytes(dir / "export.pim", "x");
  auto link = LinkState::Open(dir.path(), true);
  const struct {
    const char* name;
    std::string value;
    bool ok;
  } cases[] = {
      {"disk-full", "", true},
      {"agent-hangs", "on", true},
      {"agent-missing", "1", true},
      {"export-file", (dir / "export.pim").string(), true},
      {"unplug-after-bytes", "0", true},
      {"unplug-after-bytes", "", false},
      {"unplug-after-bytes", "-1", false},
      {"unplug-after-bytes", "12abc", false},
      {"export-file", (dir / "missing.pim").string(), false},
      {"disk-full", "maybe", false},
      {"no-such-fault", "", false},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(link->SetFault(c.name, c.value, &error), c.ok) << c.name << " " << c.value;
    EXPECT_EQ(error.empty(), c.ok) << c.name;
  }
  const Faults faults = link->ReadFaults();
  EXPECT_TRUE(faults.disk_full && faults.agent_hangs && faults.agent_missing);
  EXPECT_EQ(faults.unplug_after_bytes, 0u);
  EXPECT_EQ(faults.export_file, dir / "export.pim");

  std::string error;
  ASSERT_TRUE(link->SetFault("disk-full", "off", &error));
  EXPECT_FALSE(link->ReadFaults().disk_full);
  ASSERT_TRUE(link->ClearFaults());
  const Faults cleared = link->ReadFaults();
  EXPECT_FALSE(cleared.agent_hangs || cleared.agent_missing || cleared.export_file ||
               cleared.unplug_after_bytes);
}

}  // namespace
}  // namespace velmora::handheld
