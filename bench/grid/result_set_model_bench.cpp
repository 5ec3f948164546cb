// How fast the grid opens and shows a large result: opening a million-row result, filling one
// screen of rows from a cold cache, repainting it from the cache, and a view scrolled to the
// end of the million rows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "desktop/grid/grid_view.h"
#include "desktop/grid/result_set_table_model.h"
#include "tests/grid/fake_result_set.h"

namespace velmora::desktop {
namespace {

using velmora::testing::FakeResultSet;

constexpr long kRows = 1'000'000;
constexpr int kScreenRows = 40;
const std::vector<std::string> kColumns = {"FirstName", "LastName", "Company", "Phone", "EMail"};

std::unique_ptr<db::ResultSet> MillionRows(FakeResultSet::Counters* counters) {
  return std::make_unique<FakeResultSet>(kRows, kColumns, counters);
}

void ReadScreen(const ResultSetTableModel& model, int first_row) {
  for (int row = first_row; row < first_row + kScreenRows; ++row) {
    for (int column = 0; column < model.columnCount(); ++column) {
      benchmark::DoNotOptimize(model.data(model.index(row, column)));
    }
  }
}

void BM_OpenMillionRows(benchmark::State& state) {
  FakeResultSet::Counters counters;
  ResultSetTableModel model;
  for (auto _ : state) model.SetResultSet(MillionRows(&counters));
}
BENCHMARK(BM_OpenMillionRows);

void BM_ScreenColdCache(benchmark::State& state) {
  FakeResultSet::Counters counters;
  ResultSetTableModel model;
  model.SetResultSet(MillionRows(&counters));
  int first_row = 0;
  for (auto _ : state) {
    // Each screen lies a cache's length further on, so that no row is held yet.
    first_row = (first_row + ResultSetTableModel::kCachedRows) % (kRows - kScreenRows);
    ReadScreen(model, first_row);
  }
}
BENCHMARK(BM_ScreenColdCache);

void BM_ScreenRepaint(benchmark::State& state) {
  FakeResultSet::Counters counters;
  ResultSetTableModel model;
  model.SetResultSet(MillionRows(&counters));
  ReadScreen(model, 500'000);
  for (auto _ : state) ReadScreen(model, 500'000);
}
BENCHMARK(BM_ScreenRepaint);

void BM_ViewShowAndScrollToEnd(benchmark::State& state) {
  FakeResultSet::Counters counters;
  for (auto _ : state) {
    ResultSetTableModel model;
    model.SetResultSet(MillionRows(&counters));
    GridView view;
    view.resize(640, 480);
    view.setModel(&model);
    view.show();
    view.scrollToBottom();
    benchmark::DoNotOptimize(view.grab());
  }
}
BENCHMARK(BM_ViewShowAndScrollToEnd)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::desktop

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
