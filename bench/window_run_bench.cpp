// A run in the window against the batch tool, on the same 10,000 records:
// the window must not make a run more than 10 % longer.
//
//   window_run_bench --benchmark_counters_tabular=true
//
// Runs on Qt's offscreen platform unless told otherwise. Set TMPDIR to a
// tmpfs (/dev/shm) to see the window's own cost: on a disk, creating the
// files dominates and varies from one iteration to the next.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <sstream>

#include "batch.h"
#include "bench_support.h"
#include "platform/locations.h"
#include "window/form1.h"

namespace corvella::bench {
namespace {

constexpr int kRecords = 10'000;

// The example template; records shaped like the example data.
struct Folder {
  ScratchDir dir;
  std::string source = (dir.path() / "data.txt").string();
  std::string modele = (find_install_folder() / kExampleTemplate).string();
  Folder() {
    std::ostringstream data;
    for (int i = 0; i < kRecords; ++i) {
      data << "fiche-" << i << ";Fiche numéro " << i << ";Région " << i % 12 << ";Nom " << i
           << ";Lait de vache cru;" << i % 9 + 1 << " mois en cave;Une pâte souple\r\n";
    }
    write_text(source, data.str());
  }
  std::string fresh_pages() {
    std::filesystem::remove_all(dir.path() / "pages");
    std::filesystem::create_directory(dir.path() / "pages");
    return dir.text() + "pages/";
  }
};

void BM_WindowRun(benchmark::State& state) {
  Folder folder;
  QuietView silent;  // only its message boxes and beep are used
  Locations locations;
  locations.settings_file = folder.dir.path() / "Corvella.ini";
  locations.working_folder = folder.dir.path() / "corvella";
  locations.root_folder = folder.dir.path();
  locations.registry_store = folder.dir.path() / "registry.sqlite";
  window::Form1 form({.locations = locations, .notifier = &silent});
  form.show();
  form.findChild<QLineEdit*>("source")->setText(QString::fromStdString(folder.source));
  form.findChild<QLineEdit*>("fichiermodele")->setText(QString::fromStdString(folder.modele));
  auto* destination = form.findChild<QLineEdit*>("destination");
  auto* command1 = form.findChild<QPushButton*>("Command1");
  for (auto _ : state) {
    state.PauseTiming();
    destination->setText(QString::fromStdString(folder.fresh_pages()));
    state.ResumeTiming();
    command1->click();
  }
  state.counters["pages/s"] =
      benchmark::Counter(kRecords, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BatchRun(benchmark::State& state) {
  Folder folder;
  const std::string settings = (folder.dir.path() / "none.ini").string();
  for (auto _ : state) {
    state.PauseTiming();
    const std::string pages = folder.fresh_pages();
    const char* const argv[] = {
        "corvella-batch",      "--quiet",  "--settings",          settings.c_str(), "--source",
        folder.source.c_str(), "--modele", folder.modele.c_str(), "--destination",  pages.c_str()};
    std::ostringstream out, err;
    state.ResumeTiming();
    if (batch_main(10, argv, out, err) != 0) state.SkipWithError("batch run failed");
  }
  state.counters["pages/s"] =
      benchmark::Counter(kRecords, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_WindowRun)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_BatchRun)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace
}  // namespace corvella::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
