// The link pass against the plain cost of the files it must touch.
//
//   links_bench --benchmark_counters_tabular=true
//
// Each case builds a folder of pages of about 3 KB (link tag 2, text tag 1,
// link region 99), links it once untimed, then times further passes in
// place, as a user relinking a generated folder would. In the same
// iteration it times two floors: reading every page once (what any pass
// that looks at every page costs), and rewriting every page safely with the
// bytes the pass writes (read it, write "tmp_" + name, rename it over the
// page: what any pass that replaces pages whole costs).
//
// Counters: pass_s, read_s, rewrite_s, each the shortest of the
// iterations; pass/read, pass/rewrite; links written; MB of pages.
// Peak memory is the process's: run one case at a time to read it.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "bench_support.h"
#include "links/link_pass.h"
#include "platform/files.h"

namespace corvella::bench {
namespace {

class FixedClock final : public Clock {
 public:
  double seconds_since_midnight() override { return 0; }
};

std::string make_page(long long i, long long groups) {
  std::string page =
      "<!DOCTYPE html>\r\n<html lang=\"fr\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
      "<title>Fiche " +
      std::to_string(i) +
      "</title>\r\n</head>\r\n<body>\r\n<h1>\r\n<!--tag1-->\r\n"
      "Fromage numéro " +
      std::to_string(i) + "\r\n<!--/tag1-->\r\n</h1>\r\n";
  while (page.size() < 2800) {
    page +=
        "<p>Une pâte souple et fondante, un goût de noisette et de foin coupé, "
        "affinée plusieurs mois dans nos caves.</p>\r\n";
  }
  page += "<p class=\"terroir\">\r\n<!--tag2-->\r\nRégion " + std::to_string(i % groups) +
          "\r\n<!--/tag2-->\r\n</p>\r\n<aside>\r\n<!--tag99-->\r\n\r\n<!--/tag99-->\r\n</aside>\r\n"
          "</body>\r\n</html>\r\n";
  return page;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Args: number of pages, number of groups of equal link content.
void BM_LinkPass(benchmark::State& state) {
  const long long pages = state.range(0), groups = state.range(1);
  ScratchDir dir;
  const std::filesystem::path folder = dir.path() / "pages";
  std::filesystem::create_directory(folder);
  for (long long i = 0; i < pages; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "fiche-%05lld.htm", i);
    write_text(folder / name, make_page(i, groups));
  }
  QuietView view;
  view.settings.check1 = false;
  view.settings.check2 = true;
  view.settings.lien = view.settings.destination = folder.string() + "/";
  view.settings.textesource = "Tag N°2";
  view.settings.textelien = "Tag N°1";
  view.settings.tag99 = "fiches/";
  RunFlags flags;
  FixedClock clock;
  RunReport report;
  if (link_pass(flags, view, clock, report) != PassOutcome::Completed) state.SkipWithError("pass failed");
  const std::vector<std::string> names = list_ordinary_files(folder).value_or(std::vector<std::string>{});

  // The shortest of each over the iterations: other work on the machine
  // only ever adds time.
  double pass = 1e30, read = 1e30, rewrite = 1e30, bytes = 0;
  for (auto _ : state) {
    // Each timed part starts with no dirty page waiting to be written, so
    // none pays for the writing of the part before it.
    ::sync();
    auto start = std::chrono::steady_clock::now();
    if (link_pass(flags, view, clock, report) != PassOutcome::Completed) state.SkipWithError("pass failed");
    const double this_pass = seconds_since(start);
    state.SetIterationTime(this_pass);
    pass = std::min(pass, this_pass);

    start = std::chrono::steady_clock::now();
    bytes = 0;
    for (const std::string& name : names) {
      const std::optional<std::string> page = read_file(folder / name);
      bytes += page ? static_cast<double>(page->size()) : 0;
      benchmark::DoNotOptimize(page);
    }
    read = std::min(read, seconds_since(start));

    ::sync();
    start = std::chrono::steady_clock::now();
    for (const std::string& name : names) {
      const std::optional<std::string> page = read_file(folder / name);
      if (page) write_text(folder / ("tmp_" + name), *page);
      if (!page || std::rename((folder / ("tmp_" + name)).c_str(), (folder / name).c_str()) != 0) {
        state.SkipWithError("rewrite failed");
      }
    }
    rewrite = std::min(rewrite, seconds_since(start));
  }
  state.counters["pass_s"] = pass;
  state.counters["read_s"] = read;
  state.counters["rewrite_s"] = rewrite;
  state.counters["pass/read"] = pass / read;
  state.counters["pass/rewrite"] = pass / rewrite;
  state.counters["MB"] = bytes / 1e6;
  double links = 0;
  for (long long group = 0; group < groups; ++group) {
    const double size = static_cast<double>(pages / groups + (group < pages % groups ? 1 : 0));
    links += size * (size - 1);
  }
  state.counters["links"] = links;
  state.counters["peak_MiB"] = peak_memory_mib();
}

BENCHMARK(BM_LinkPass)
    ->Args({5'001, 50})
    ->Args({1'000, 1})  // one group: a million links
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);
// Groups of 50 pages.
BENCHMARK(BM_LinkPass)
    ->Args({50'000, 1'000})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
// Groups of 1,000 pages: fifty million links, 3.4 GB of pages.
BENCHMARK(BM_LinkPass)
    ->Args({50'000, 50})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace
}  // namespace corvella::bench

BENCHMARK_MAIN();
