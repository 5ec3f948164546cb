// Running a program as a child that kills itself at its N-th crash point, and the snapshots of
// folders the kill tests compare against. Used by the kill tests of the conduit, the installer
// and the desktop manager's backup and restore; each test owns the folders it snapshots.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace velmora::testing {

struct ChildEnd {
  bool killed = false;   // ended by SIGKILL
  int exit_status = -1;  // when it exited
  std::string output;    // standard output and error
};

// Runs `argv` (argv[0] a program path) in its own process group with $VELMORA_CRASH_AT set to
// `crash_at` (none when 0) and $VELMORA_CRASH_TRACE to `trace` (none when empty), both limited
// to that process. Waits for it and then for any program it started, so that nothing is left
// writing while the test looks at the files.
// It starts in `working_dir` when one is given.
ChildEnd RunChild(const std::vector<std::string>& argv, long crash_at,
                  const std::filesystem::path& trace = {},
                  const std::filesystem::path& working_dir = {});

// How many crash points one uninterrupted run of `argv` passes, and its ending.
struct TracedRun {
  long points = 0;
  std::vector<std::string> names;  // what each point follows, from 1
  // The name of point `k`, for messages.
  std::string Name(long k) const {
    return k >= 1 && k <= static_cast<long>(names.size()) ? names[k - 1] : "?";
  }
  ChildEnd end;
};
TracedRun TraceRun(const std::vector<std::string>& argv, const std::filesystem::path& trace,
                   const std::filesystem::path& working_dir = {});

// The points to kill at: all of 1..count when there are at most `limit`, else `limit` of them
// spread evenly, always with the first and the last.
std::vector<long> PointsToTry(long count, long limit);

// Every regular file (and folder) under a folder: its path relative to the folder, bytes and mode.
struct FileCopy {
  std::string bytes;
  mode_t mode = 0644;
  bool folder = false;  // a folder, kept so that empty ones come back too
};
// Equal bytes, except that the creation and modification times of a contact PDB file (which
// every writing stamps anew) are not compared.
bool SameContent(const FileCopy& a, const FileCopy& b);
// ", first at byte N of the new one" where `now` and `after` part.
std::string DifferenceText(const FileCopy& now, const FileCopy& after);
using Tree = std::map<std::string, FileCopy>;
Tree ReadTree(const std::filesystem::path& root);
// Makes the folder hold exactly `tree` (and the folders it needs).
void RestoreTree(const std::filesystem::path& root, const Tree& tree);

// A file made aside that a kill left behind: hidden and named by the process that made it.
bool IsLeftAside(const std::string& relative_path);

// SQLite's own files beside a database ("-wal", "-shm", "-journal"), which it recovers itself;
// the database is checked by what it answers.
bool IsDatabaseCompanion(const std::string& relative_path);

// The files of `now` (left-aside ones and those `skip` accepts aside) that are neither as in
// `before` nor as in `after` (a missing file counts as a state of its own), each with why.
template <class Skip>
std::vector<std::string> FilesInNeitherState(const Tree& before, const Tree& after, const Tree& now,
                                             Skip skip) {
  std::vector<std::string> wrong;
  std::map<std::string, int> names;
  for (const Tree* t : {&before, &after, &now}) {
    for (const auto& [name, file] : *t) {
      if (!file.folder) names[name] = 0;
    }
  }
  for (const auto& [name, unused] : names) {
    if (IsLeftAside(name) || skip(name)) continue;
    auto find = [&](const Tree& t) { return t.find(name); };
    const bool in_now = find(now) != now.end();
    const bool in_before = find(before) != before.end();
    const bool in_after = find(after) != after.end();
    const bool as_before =
        in_now == in_before && (!in_now || SameContent(find(now)->second, find(before)->second));
    const bool as_after =
        in_now == in_after && (!in_now || SameContent(find(now)->second, find(after)->second));
    if (!as_before && !as_after) {
      wrong.push_back(
          name + (in_now ? " (" + std::to_string(find(now)->second.bytes.size()) +
                               " bytes) differs from both" +
                               (in_after ? DifferenceText(find(now)->second, find(after)->second)
                                         : std::string())
                         : " is missing"));
    }
  }
  return wrong;
}

// "ok" when the SQLite file passes its integrity check, else what it said.
std::string SqliteIntegrity(const std::filesystem::path& file);

}  // namespace velmora::testing
