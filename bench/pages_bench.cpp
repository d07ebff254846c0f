// The page pass against the plain cost of writing the same files.
//
//   pages_bench --benchmark_counters_tabular=true
//
// Peak memory is the process's, so run one size at a time to read it for
// that size (--benchmark_filter=/100000).

#include <benchmark/benchmark.h>

#include <fstream>

#include "bench_support.h"
#include "generation/run.h"
#include "platform/files.h"

namespace corvella::bench {
namespace {

// About 3 KB, six regions, title and generator lines.
std::string make_template() {
  std::string page =
      "<!DOCTYPE html>\r\n<html lang=\"fr\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
      "<meta name=\"GENERATOR\" content=\"modèle\">\r\n<title>Titre</title>\r\n</head>\r\n<body>\r\n";
  for (int region = 0; region < 6; ++region) {
    page += "<section>\r\n<p>Texte fixe de la section, assez long pour peser ce que pèse une "
            "vraie page de catalogue avec ses paragraphes.</p>\r\n";
    page += "<!--tag" + std::to_string(region) + "-->\r\n\r\n<!--/tag" + std::to_string(region) +
            "-->\r\n";
    page += "<p>Encore du texte fixe, des liens, des images et de la mise en forme: "
            "" + std::string(250, 'x') + "</p>\r\n</section>\r\n";
  }
  return page + "</body>\r\n</html>\r\n";
}

struct Folder {
  ScratchDir dir;
  QuietView view;
  explicit Folder(long long records) {
    std::filesystem::create_directory(dir.path() / "pages");
    write_text(dir.path() / "modele.htm", make_template());
    std::ofstream data(dir.path() / "data.txt", std::ios::binary);
    for (long long i = 0; i < records; ++i) {
      data << "page-" << i << ";Titre numéro " << i << ";Région " << i % 50
           << ";Nom affiché " << i << ";Description de l'article " << i << ";" << i * 3 << " €\r\n";
    }
    view.settings.source = (dir.path() / "data.txt").string();
    view.settings.modele = (dir.path() / "modele.htm").string();
    view.settings.destination = dir.text() + "pages/";
  }
};

void BM_PagePass(benchmark::State& state, bool refill) {
  Folder folder(state.range(0));
  Run run(folder.view);
  if (refill) run.press();
  for (auto _ : state) {
    if (run.press() != PressOutcome::Finished) state.SkipWithError("run failed");
    state.PauseTiming();
    if (!refill) {
      std::filesystem::remove_all(folder.dir.path() / "pages");
      std::filesystem::create_directory(folder.dir.path() / "pages");
    }
    state.ResumeTiming();
  }
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_MiB"] = peak_memory_mib();
}

// The floor: write the same number of files of the template's size, into
// an empty folder, or over files already there (what a refill replaces).
void BM_WriteFilesOnly(benchmark::State& state, bool overwrite) {
  ScratchDir dir;
  const std::string bytes = make_template();
  const auto write_all = [&] {
    for (long long i = 0; i < state.range(0); ++i) {
      write_text(dir.path() / ("page-" + std::to_string(i) + ".htm"), bytes);
    }
  };
  if (overwrite) write_all();
  for (auto _ : state) {
    write_all();
    state.PauseTiming();
    if (!overwrite) {
      std::filesystem::remove_all(dir.path());
      std::filesystem::create_directory(dir.path());
    }
    state.ResumeTiming();
  }
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(BM_PagePass, empty_folder, false)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_PagePass, refill, true)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_WriteFilesOnly, empty_folder, false)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_WriteFilesOnly, overwrite, true)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
}  // namespace corvella::bench

BENCHMARK_MAIN();
