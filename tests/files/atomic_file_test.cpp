// Files written aside: the target keeps its old bytes until Commit, a file never committed
// leaves nothing behind, failures leave the target as it was and say why, and the options
// (exact mode, fixed temporary name, ending for writers that fill the file by name) hold.
#include "platform/files/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "tests/support/temp_dir.h"

namespace velmora::files {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

std::size_t EntriesIn(const fs::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++n;
  return n;
}

mode_t ModeOf(const fs::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(AtomicFileTest, TargetKeepsItsOldBytesUntilCommit) {
  TempDir dir;
  const fs::path target = dir.path() / "contacts.pdb";
  WriteFileBytes(target, "old");
  AtomicFile file(target);
  ASSERT_TRUE(file.ok());
  file.Write("new ");
  file.Write(std::string(3 << 20, 'x'));  // past the buffer, so part of it is on disk
  file.WriteAt(0, "NEW");
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_EQ(file.Size(), 4u + (3u << 20));
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFileBytes(target), "NEW " + std::string(3 << 20, 'x'));
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFileTest, AFileNeverCommittedLeavesNothingBehind) {
  TempDir dir;
  const fs::path target = dir.path() / "backup.pdb";
  WriteFileBytes(target, "previous backup");
  {
    AtomicFile file(target);
    file.Write("half of a new one");
    ASSERT_TRUE(file.Flush());
  }
  EXPECT_EQ(ReadFileBytes(target), "previous backup");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFileTest, FailuresLeaveTheTargetAndSayWhy) {
  struct Case {
    const char* name;
    int error;
    void (*arrange)(const fs::path& dir, fs::path* target, AsideOptions* options);
  };
  const Case cases[] = {
      {"folder missing", ENOENT,
       [](const fs::path& dir, fs::path* target, AsideOptions*) {
         *target = dir / "no such folder" / "file";
       }},
      {"fixed temporary name taken by a folder", EISDIR,
       [](const fs::path& dir, fs::path* target, AsideOptions* options) {
         *target = dir / "HKCU.hive";
         fs::create_directory(dir / "HKCU.hive.tmp");
         options->fixed_temp_name = true;
       }},
      {"overwrite past the end", EINVAL,
       [](const fs::path& dir, fs::path* target, AsideOptions*) { *target = dir / "file"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::path target;
    AsideOptions options;
    c.arrange(dir.path(), &target, &options);
    if (fs::is_directory(target.parent_path())) WriteFileBytes(target, "kept");
    AtomicFile file(target, options);
    file.Write("abc");
    if (c.error == EINVAL) file.WriteAt(2, "too long");
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.Error(), c.error);
    if (fs::is_directory(target.parent_path())) {
      EXPECT_EQ(ReadFileBytes(target), "kept");
    }
  }
}

TEST(AtomicFileTest, ExactModeIgnoresTheUmaskAndCreateModeDoesNot) {
  TempDir dir;
  const mode_t old_mask = ::umask(022);
  AsideOptions exact;
  exact.exact_mode = 0775;
  ASSERT_TRUE(WriteFileAtomically(dir.path() / "program", "#!/bin/sh\n", exact));
  AsideOptions created;
  created.create_mode = 0666;
  ASSERT_TRUE(WriteFileAtomically(dir.path() / "data", "rows", created));
  ::umask(old_mask);
  EXPECT_EQ(ModeOf(dir.path() / "program"), 0775u);
  EXPECT_EQ(ModeOf(dir.path() / "data"), 0644u);
}

TEST(AtomicFileTest, AWriterThatFillsTheFileByNameGetsItsEnding) {
  TempDir dir;
  const fs::path target = dir.path() / "people.dbf";
  WriteFileBytes(target, "old table");
  AsideOptions options;
  options.temp_ending = ".dbf";
  AtomicFile file(target, options);
  ASSERT_TRUE(file.ok());
  EXPECT_TRUE(file.TempPath().string().ends_with(".dbf"));
  EXPECT_EQ(file.TempPath().parent_path(), dir.path());
  std::ofstream(file.TempPath(), std::ios::binary | std::ios::trunc) << "new table";
  ASSERT_TRUE(file.Sync());
  EXPECT_EQ(ReadFileBytes(target), "old table");  // synced, not yet renamed
  ASSERT_TRUE(file.Rename());
  EXPECT_EQ(ReadFileBytes(target), "new table");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

// A pid that no process has any more: a child that has ended and been reaped.
pid_t GonePid() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST(AtomicFileTest, ACommitRemovesWhatKilledWritersOfTheSameTargetLeftAside) {
  TempDir dir;
  const fs::path target = dir.path() / "contacts.pdb";
  const std::string gone = std::to_string(GonePid());
  const std::string alive = std::to_string(::getppid());
  const std::vector<std::string> removed = {".contacts.pdb." + gone + ".012345.tmp"};
  const std::vector<std::string> kept = {
      ".contacts.pdb." + alive + ".042.tmp",     // its writer still runs
      ".other.pdb." + gone + ".012345.tmp",      // another target
      ".contacts.pdb." + gone + ".012345.dbf",   // another ending
      ".contacts.pdb." + gone + ".x1.tmp",       // not a name this module makes
      "contacts.pdb." + gone + ".012345.tmp",    // not hidden
  };
  for (const auto& name : removed) WriteFileBytes(dir.path() / name, "left");
  for (const auto& name : kept) WriteFileBytes(dir.path() / name, "keep");
  ASSERT_TRUE(WriteFileAtomically(target, "new"));
  EXPECT_EQ(ReadFileBytes(target), "new");
  for (const auto& name : removed) EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
  for (const auto& name : kept) EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
}

}  // namespace
}  // namespace velmora::files
