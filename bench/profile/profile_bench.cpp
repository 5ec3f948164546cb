// Profile store speed on a copy of the shipped profile database holding 1,000 profiles of 50
// handheld users: the conduit's profile list of one user, the views' list of all profiles,
// saving and deleting a profile, and the small text rules. Run by hand:
// build/bench/velmora-bench-profile.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "db/connection.h"
#include "profile/password.h"
#include "profile/profile_record.h"
#include "profile/profile_store.h"
#include "profile/shipped_databases.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace {

using velmora::profile::ProfileRecord;
using velmora::profile::ProfileStore;

constexpr int kProfiles = 1000;
constexpr int kUsers = 50;

std::string UserName(int i) {
  return "Handheld " + std::to_string(i % kUsers) + "'s";
}

ProfileRecord Profile(long id) {
  ProfileRecord r;
  r.prof_id = id;
  r.prof_name = "Profile " + std::to_string(id);
  r.db_path = "/srv/contacts/";
  r.db_type = 1;
  r.db_dsn = "contacts.mdb";
  r.db_password = "secret";
  r.sync_type = static_cast<int>(id % 4);
  r.user_name = UserName(static_cast<int>(id));
  r.sync_time = velmora::profile::TimeOfDayOnDayZero(9, 30);
  r.query = "SELECT * FROM \"Contacts\"";
  r.table_name = "Contacts";
  return r;
}

// One database for the whole run.
struct Database {
  Database() {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    const std::filesystem::path shipped =
        exe.parent_path().parent_path() / "share" / velmora::profile::kProfileDatabaseFile;
    const std::filesystem::path file = dir / "Orvendel.mdb";
    std::filesystem::copy_file(shipped, file);
    std::string error;
    if (!connection.Connect("TempQuenlowDSN", 1, file.string(), "", "QRT482", &error, false)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    store = std::make_unique<ProfileStore>(connection);
    for (long id = 3; id < 3 + kProfiles; ++id) store->InsertProfile(Profile(id), nullptr);
  }

  velmora::testing::TempDir dir;
  velmora::testing::OdbcEnvironment odbc;
  velmora::db::Connection connection;
  std::unique_ptr<ProfileStore> store;
};

Database& Shared() {
  static Database database;
  return database;
}

void BM_ProfilesOfUser(benchmark::State& state) {
  ProfileStore& store = *Shared().store;
  for (auto _ : state) benchmark::DoNotOptimize(store.ProfilesOfUser(UserName(7)));
}
BENCHMARK(BM_ProfilesOfUser)->Unit(benchmark::kMillisecond);

void BM_AllProfiles(benchmark::State& state) {
  ProfileStore& store = *Shared().store;
  for (auto _ : state) benchmark::DoNotOptimize(store.AllProfiles());
}
BENCHMARK(BM_AllProfiles)->Unit(benchmark::kMillisecond);

void BM_InsertAndDeleteProfile(benchmark::State& state) {
  ProfileStore& store = *Shared().store;
  const ProfileRecord r = Profile(100000);
  for (auto _ : state) {
    store.InsertProfile(r, nullptr);
    store.DeleteProfile(r.prof_id);
  }
}
BENCHMARK(BM_InsertAndDeleteProfile)->Unit(benchmark::kMillisecond);

void BM_NextProfileId(benchmark::State& state) {
  ProfileStore& store = *Shared().store;
  for (auto _ : state) benchmark::DoNotOptimize(store.NextProfileId());
}
BENCHMARK(BM_NextProfileId)->Unit(benchmark::kMicrosecond);

void BM_ScramblePassword(benchmark::State& state) {
  const std::string password = "Correct Horse Battery Staple 42";
  for (auto _ : state) benchmark::DoNotOptimize(velmora::profile::ScramblePassword(password));
}
BENCHMARK(BM_ScramblePassword);

void BM_ParseStoredDateTime(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(velmora::profile::ParseStoredDateTime("2026-03-07 08:04:09"));
    benchmark::DoNotOptimize(velmora::profile::ParseStoredDateTime("9:5"));
  }
}
BENCHMARK(BM_ParseStoredDateTime);

}  // namespace

BENCHMARK_MAIN();
