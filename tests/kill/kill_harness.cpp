#include "tests/kill/kill_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// How long programs a killed one started get to finish on their own before they are killed.
constexpr auto kStragglerGrace = std::chrono::seconds(20);

[[noreturn]] void ExecChild(const std::vector<std::string>& argv, long crash_at,
                            const fs::path& trace, const fs::path& working_dir, int output_fd) {
  ::setpgid(0, 0);
  if (!working_dir.empty() && ::chdir(working_dir.c_str()) != 0) ::_exit(126);
  const std::string pid = std::to_string(::getpid());
  ::setenv("VELMORA_CRASH_PID", pid.c_str(), 1);
  if (crash_at > 0) ::setenv("VELMORA_CRASH_AT", std::to_string(crash_at).c_str(), 1);
  if (!trace.empty()) ::setenv("VELMORA_CRASH_TRACE", trace.c_str(), 1);
  const int null_in = ::open("/dev/null", O_RDONLY);
  ::dup2(null_in, 0);
  ::dup2(output_fd, 1);
  ::dup2(output_fd, 2);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ::execv(args[0], args.data());
  ::_exit(127);
}

// Reaps every process of group `group` (this process is their subreaper), killing those still
// alive after the grace time.
void ReapGroup(pid_t group) {
  const auto deadline = std::chrono::steady_clock::now() + kStragglerGrace;
  for (;;) {
    while (::waitpid(-group, nullptr, WNOHANG) > 0) {
    }
    if (::kill(-group, 0) != 0 && errno == ESRCH) return;
    if (std::chrono::steady_clock::now() > deadline) ::kill(-group, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Where a contact PDB file keeps its type and its two times.
constexpr std::size_t kPdbTypeAt = 92;
constexpr std::size_t kPdbTimesAt = 68;
constexpr std::size_t kPdbTimesSize = 8;

std::string WithoutPdbTimes(std::string bytes) {
  if (bytes.size() >= kPdbTypeAt + 4 && bytes.compare(kPdbTypeAt, 4, "KOBA") == 0) {
    bytes.replace(kPdbTimesAt, kPdbTimesSize, kPdbTimesSize, '\0');
  }
  return bytes;
}

}  // namespace

bool SameContent(const FileCopy& a, const FileCopy& b) {
  return a.bytes.size() == b.bytes.size() &&
         (a.bytes == b.bytes || WithoutPdbTimes(a.bytes) == WithoutPdbTimes(b.bytes));
}

std::string DifferenceText(const FileCopy& now, const FileCopy& after) {
  const auto [at_now, at_after] =
      std::mismatch(now.bytes.begin(), now.bytes.end(), after.bytes.begin(), after.bytes.end());
  return ", first at byte " + std::to_string(at_after - after.bytes.begin()) + " of " +
         std::to_string(after.bytes.size()) + " of the new one";
}

ChildEnd RunChild(const std::vector<std::string>& argv, long crash_at, const fs::path& trace,
                  const fs::path& working_dir) {
  static const bool subreaper = ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
  (void)subreaper;
  ChildEnd end;
  TempDir scratch;
  const fs::path output = scratch.path() / "output";
  const int output_fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (output_fd < 0) return end;
  const pid_t child = ::fork();
  if (child == 0) ExecChild(argv, crash_at, trace, working_dir, output_fd);
  ::close(output_fd);
  if (child < 0) return end;
  ::setpgid(child, child);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ReapGroup(child);
  end.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  if (WIFEXITED(status)) end.exit_status = WEXITSTATUS(status);
  end.output = ReadAll(output);
  return end;
}

TracedRun TraceRun(const std::vector<std::string>& argv, const fs::path& trace,
                   const fs::path& working_dir) {
  std::error_code ec;
  fs::remove(trace, ec);
  TracedRun run;
  run.end = RunChild(argv, 0, trace, working_dir);
  std::ifstream in(trace);
  std::string line;
  while (std::getline(in, line)) {
    ++run.points;
    run.names.push_back(line.substr(line.find(' ') + 1));
  }
  return run;
}

std::vector<long> PointsToTry(long count, long limit) {
  std::vector<long> points;
  if (count <= 0) return points;
  if (count <= limit) {
    for (long k = 1; k <= count; ++k) points.push_back(k);
    return points;
  }
  for (long i = 0; i < limit; ++i) {
    const long k = 1 + (count - 1) * i / (limit - 1);
    if (points.empty() || points.back() != k) points.push_back(k);
  }
  return points;
}

Tree ReadTree(const fs::path& root) {
  Tree tree;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_directory()) {
      tree[fs::relative(it->path(), root).string()] = {{}, 0755, true};
      continue;
    }
    if (!it->is_regular_file()) continue;
    struct stat info {};
    ::stat(it->path().c_str(), &info);
    tree[fs::relative(it->path(), root).string()] = {ReadAll(it->path()), info.st_mode & 07777};
  }
  return tree;
}

void RestoreTree(const fs::path& root, const Tree& tree) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(root, ec)) fs::remove_all(entry.path(), ec);
  for (const auto& [name, file] : tree) {
    const fs::path path = root / name;
    if (file.folder) {
      fs::create_directories(path, ec);
      continue;
    }
    fs::create_directories(path.parent_path(), ec);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << file.bytes;
    ::chmod(path.c_str(), file.mode);
  }
}

bool IsLeftAside(const std::string& relative_path) {
  const std::string leaf = fs::path(relative_path).filename().string();
  return leaf.size() > 1 && leaf[0] == '.' && leaf.find('.', 1) != std::string::npos &&
         (leaf.ends_with(".tmp") || leaf.ends_with(".dbf"));
}

bool IsDatabaseCompanion(const std::string& relative_path) {
  return relative_path.ends_with("-wal") || relative_path.ends_with("-shm") ||
         relative_path.ends_with("-journal");
}

std::string SqliteIntegrity(const fs::path& file) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return "cannot be opened";
  }
  std::string result;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(statement, 0);
      result += text ? reinterpret_cast<const char*>(text) : "";
    }
  } else {
    result = sqlite3_errmsg(db);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return result;
}

}  // namespace velmora::testing
