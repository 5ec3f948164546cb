// A handheld bound to an address book against a plain client on the same Radicale server in the
// same run: 5,461 contacts uploaded into an empty address book and read back, by the
// address-book contacts store (vCard writing and reading included) and by curl, which uploads
// the same cards one by one over one kept-alive connection and reads them back the same way
// after one PROPFIND listing. Each upload goes into an address book of its own. One iteration
// each: a few thousand uploads to Radicale take minutes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "handheld/carddav/binding.h"
#include "handheld/carddav/carddav_store.h"
#include "handheld/vcard/vcard_writer.h"
#include "tests/support/dav_server.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::DavServer;

// 5,461 unless $VELMORA_BENCH_CARDDAV_CONTACTS says otherwise: Radicale's time for one upload
// grows with the size of the collection, so a loaded machine may want a smaller book.
int ContactCount() {
  static const int count = [] {
    const char* text = std::getenv("VELMORA_BENCH_CARDDAV_CONTACTS");
    const int wanted = text ? std::atoi(text) : 0;
    return wanted > 0 ? wanted : 5461;
  }();
  return count;
}

const std::vector<handheld::Contact>& People() {
  static const std::vector<handheld::Contact> people = [] {
    std::vector<handheld::Contact> out(ContactCount());
    for (int i = 0; i < ContactCount(); ++i) {
      const std::string n = std::to_string(i);
      auto& f = out[i].fields;
      f[0] = "Ms.";
      f[1] = "Første" + n;
      f[3] = "O'Name" + n;
      f[7] = "Company " + std::to_string(i % 97);
      f[8] = "+49 531 504 " + n;
      f[19] = "person" + n + "@example.com";
      f[43] = "A note about person " + n;
      f[44] = "1984-05-17";
    }
    return out;
  }();
  return people;
}

DavServer& Server() {
  static DavServer server(DavServer::Kind::kRadicale, false);
  return server;
}

// A new empty address book; its URL ends in "/".
std::string NewBook() {
  static int books = 0;
  const std::string url = Server().RootUrl() + "shared/bench" + std::to_string(++books) + "/";
  Server().Curl({"-f", "-X", "MKCOL", "--data-binary",
                 "<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" "
                 "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><set><prop><resourcetype>"
                 "<collection/><C:addressbook/></resourcetype></prop></set></mkcol>",
                 url});
  return url;
}

std::unique_ptr<carddav::CardDavStore> OpenStore(const std::string& url) {
  std::string why;
  return carddav::CardDavStore::Open(carddav::Binding{url, {}, {}, {}}, {}, &why);
}

bool Skipped(benchmark::State& state) {
  if (Server().Available()) return false;
  state.SkipWithError(("Radicale: " + Server().SkipReason()).c_str());
  return true;
}

// curl run over a config file of `lines`; true when it ended with 0.
bool CurlWithConfig(const std::string& lines, const std::filesystem::path& config) {
  { std::ofstream(config) << lines; }
  return testing::RunProgram({"curl", "-s", "-f", "-K", config.string()}, "", nullptr);
}

void Count(benchmark::State& state) {
  state.counters["rows_per_second"] =
      benchmark::Counter(ContactCount(), benchmark::Counter::kIsIterationInvariantRate);
}

void StoreUpload(benchmark::State& state) {
  if (Skipped(state)) return;
  handheld::ContactChange change;
  change.add = People();
  for (auto _ : state) {
    state.PauseTiming();
    const std::string url = NewBook();
    state.ResumeTiming();
    auto store = OpenStore(url);
    if (!store || !store->Apply(change)) state.SkipWithError("the store's upload failed");
  }
  Count(state);
}

void CurlUpload(benchmark::State& state) {
  if (Skipped(state)) return;
  testing::TempDir dir;
  std::string common =
      "header = \"Content-Type: text/vcard; charset=utf-8\"\n"
      "header = \"If-None-Match: *\"\n"
      // As the store does: no "Expect: 100-continue" wait before each body.
      "header = \"Expect:\"\n";
  for (int i = 0; i < ContactCount(); ++i) {
    handheld::vcard::Card card{People()[i], carddav::NewCardUid(), {}};
    std::ofstream(dir / (std::to_string(i) + ".vcf"), std::ios::binary)
        << handheld::vcard::WriteCard(card);
  }
  for (auto _ : state) {
    state.PauseTiming();
    const std::string url = NewBook();
    std::string lines = common;
    for (int i = 0; i < ContactCount(); ++i) {
      const std::string file = (dir / (std::to_string(i) + ".vcf")).string();
      lines += "upload-file = \"" + file + "\"\nurl = \"" + url + std::to_string(i) + ".vcf\"\n";
    }
    state.ResumeTiming();
    if (!CurlWithConfig(lines, dir / "upload.conf")) state.SkipWithError("curl's upload failed");
  }
  Count(state);
}

// One address book holding the people, as the store uploads them.
const std::string& FilledBook() {
  static const std::string url = [] {
    const std::string book = NewBook();
    handheld::ContactChange change;
    change.add = People();
    auto store = OpenStore(book);
    if (store) store->Apply(change);
    return book;
  }();
  return url;
}

void StoreRead(benchmark::State& state) {
  if (Skipped(state)) return;
  const std::string url = FilledBook();
  for (auto _ : state) {
    auto store = OpenStore(url);
    const auto contacts = store ? store->All() : std::nullopt;
    if (!contacts || static_cast<int>(contacts->size()) != ContactCount())
      state.SkipWithError("the store's read failed");
  }
  Count(state);
}

void CurlRead(benchmark::State& state) {
  if (Skipped(state)) return;
  const std::string url = FilledBook();
  testing::TempDir dir;
  for (auto _ : state) {
    const auto listing = Server().Curl({"-f", "-X", "PROPFIND", "-H", "Depth: 1", url});
    std::string lines;
    int cards = 0;
    for (const std::string& href :
         listing ? testing::CardHrefs(*listing) : std::vector<std::string>{}) {
      lines += "url = \"" + Server().RootUrl() + href.substr(1) + "\"\noutput = \"" +
               (dir / (std::to_string(++cards) + ".vcf")).string() + "\"\n";
    }
    if (cards != ContactCount() || !CurlWithConfig(lines, dir / "read.conf")) {
      state.SkipWithError("curl's read failed");
    }
  }
  Count(state);
}

BENCHMARK(StoreUpload)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CurlUpload)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(StoreRead)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CurlRead)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora

BENCHMARK_MAIN();
