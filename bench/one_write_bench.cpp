// Pages and links in one press, against the floor of writing the final
// pages once.
//
//   one_write_bench --benchmark_counters_tabular=true
//
// A data file of six columns (name, title, city, price, text, maker), a
// 3 KB template, every page linked to the other pages of its city.
//
// BM_PagesAndLinks: the pages are made once untimed; then each iteration
// times, from the same state:
//  - both_s: a press of both passes after a change of every record's price,
//    which runs in one write (the pages exist, the folder keeps its order);
//  - two_pass_s: the page pass then the link pass on the same change;
//  - same_s: a press with no change in the data (nothing is written);
//  - floor_s: writing the final pages once, each read and written through a
//    new file renamed over the page, then one syncfs as a pass ends.
// BM_FirstRun: into an empty folder each time,
//  - both_s: a press of both passes, which runs in one write (the pages'
//    listing order found first in a working folder);
//  - two_pass_s: the page pass then the link pass;
//  - floor_s: writing the same final pages once into an empty folder, each
//    through a new file renamed into place, then one syncfs.
// Each is the shortest over the iterations. peak_MiB is the process's after
// the one-write press: run one case at a time to read it.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "bench_support.h"
#include "generation/run.h"
#include "links/link_pass.h"
#include "platform/files.h"

namespace corvella::bench {
namespace {

class FixedClock final : public Clock {
 public:
  double seconds_since_midnight() override { return 0; }
};

std::string make_template() {
  std::string page =
      "<!DOCTYPE html>\r\n<html lang=\"fr\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
      "<title>Fiche</title>\r\n</head>\r\n<body>\r\n<h1>\r\n<!--tag1-->\r\n\r\n<!--/tag1-->\r\n"
      "</h1>\r\n<p class=\"ville\">\r\n<!--tag2-->\r\n\r\n<!--/tag2-->\r\n</p>\r\n"
      "<p class=\"prix\">\r\n<!--tag3-->\r\n\r\n<!--/tag3-->\r\n</p>\r\n";
  while (page.size() < 2700) {
    page +=
        "<p>Une pâte souple et fondante, un goût de noisette et de foin coupé, "
        "affinée plusieurs mois dans nos caves.</p>\r\n";
  }
  return page +
         "<p>\r\n<!--tag4-->\r\n\r\n<!--/tag4-->\r\n</p>\r\n<p>\r\n<!--tag5-->\r\n\r\n"
         "<!--/tag5-->\r\n</p>\r\n<aside>\r\n<!--tag99-->\r\n\r\n<!--/tag99-->\r\n</aside>\r\n"
         "</body>\r\n</html>\r\n";
}

std::string make_data(long long records, int price) {
  std::string data;
  char line[256];
  for (long long i = 0; i < records; ++i) {
    std::snprintf(line, sizeof line,
                  "fiche-%05lld;Fromage n°%lld;Ville %lld;%d,%02lld €;Affiné %lld mois;"
                  "Fromagerie %lld\r\n",
                  i, i, i % 50, price, i % 100, i % 24, i % 300);
    data += line;
  }
  return data;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each part starts with no dirty page waiting to be written. ext4 does not
// reuse the inodes of files deleted in the last half minute, so every part
// pays for the pages the part before it replaced: the floor runs right after
// the one-write press and pays as much. CORVELLA_BENCH_PAUSE=seconds waits
// that long before each part, so that none pays for the inodes the part
// before it freed.
template <typename Part>
double timed(const Part& part) {
  ::sync();
  if (const char* pause = std::getenv("CORVELLA_BENCH_PAUSE"))
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(pause)));
  const auto start = std::chrono::steady_clock::now();
  part();
  return seconds_since(start);
}

// The folder, data file and template of a case, and a press of both passes.
struct Setup {
  explicit Setup(long long count) : records(count) {
    write_text(dir.path() / "modele.htm", make_template());
    use("pages");
    RunSettings& s = view.settings;
    s.check1 = s.check2 = true;
    s.source = (dir.path() / "data.txt").string();
    s.modele = (dir.path() / "modele.htm").string();
    s.textesource = "Tag N°2";
    s.textelien = "Tag N°1";
    change();
  }
  // A new folder the presses write and link.
  void use(const std::string& name) {
    folder = dir.path() / name;
    std::filesystem::create_directory(folder);
    view.settings.lien = view.settings.destination = folder.string() + "/";
  }
  void change() { write_text(view.settings.source, make_data(records, ++price)); }
  void press(benchmark::State& state) {
    if (run.press() != PressOutcome::Finished) state.SkipWithError("press failed");
  }
  void two_passes(benchmark::State& state) {
    RunFlags flags;
    RunReport report;
    if (page_pass(flags, view, clock, run.fields(), run.title_index(), report) !=
            PassOutcome::Completed ||
        link_pass(flags, view, clock, report) != PassOutcome::Completed) {
      state.SkipWithError("passes failed");
    }
  }
  // Each page of the folder written once more into `into`, through a new
  // file renamed over its name, then one syncfs as a pass ends.
  void write_pages_again(benchmark::State& state, const std::filesystem::path& into) const {
    const std::optional<Folder> open = Folder::open(into);
    for (const std::string& name :
         list_ordinary_files(folder).value_or(std::vector<std::string>{})) {
      const std::optional<std::string> bytes = read_file(folder / name);
      std::optional<WorkingCopy> copy = open ? WorkingCopy::create(*open, 0644) : std::nullopt;
      if (!bytes || !copy || !copy->write_and_close(*bytes) || !copy->deliver(name)) {
        state.SkipWithError("floor write failed");
      }
    }
    if (open) sync_file_system(*open);
  }

  const long long records;
  ScratchDir dir;
  std::filesystem::path folder;
  QuietView view;
  FixedClock clock;
  Run run{view, clock};
  int price = 10;
};

void report(benchmark::State& state, double both, double two_pass, double floor, double peak) {
  state.counters["both_s"] = both;
  state.counters["two_pass_s"] = two_pass;
  state.counters["floor_s"] = floor;
  state.counters["both/floor"] = both / floor;
  state.counters["two_pass/floor"] = two_pass / floor;
  state.counters["peak_MiB"] = peak;
}

void BM_PagesAndLinks(benchmark::State& state) {
  Setup setup(state.range(0));
  setup.press(state);
  double both = 1e30, two_pass = 1e30, same = 1e30, floor = 1e30, peak = 0;
  for (auto _ : state) {
    setup.change();
    const double this_both = timed([&] { setup.press(state); });
    state.SetIterationTime(this_both);
    both = std::min(both, this_both);
    // Before the two passes, which hold the same link table.
    peak = peak_memory_mib();
    floor = std::min(floor, timed([&] { setup.write_pages_again(state, setup.folder); }));
    same = std::min(same, timed([&] { setup.press(state); }));
    setup.change();
    two_pass = std::min(two_pass, timed([&] { setup.two_passes(state); }));
  }
  state.counters["same_s"] = same;
  state.counters["same/floor"] = same / floor;
  report(state, both, two_pass, floor, peak);
}

// Every part into a folder of its own, none removed before the end: ext4
// makes new files slowly for a while after many were removed.
void BM_FirstRun(benchmark::State& state) {
  Setup setup(state.range(0));
  double both = 1e30, two_pass = 1e30, floor = 1e30, peak = 0;
  int round = 0;
  for (auto _ : state) {
    const std::string n = std::to_string(++round);
    setup.use("one-write-" + n);
    const double this_both = timed([&] { setup.press(state); });
    state.SetIterationTime(this_both);
    both = std::min(both, this_both);
    peak = peak_memory_mib();
    const std::filesystem::path again = setup.dir.path() / ("floor-" + n);
    std::filesystem::create_directory(again);
    floor = std::min(floor, timed([&] { setup.write_pages_again(state, again); }));
    setup.use("two-passes-" + n);
    two_pass = std::min(two_pass, timed([&] { setup.two_passes(state); }));
  }
  report(state, both, two_pass, floor, peak);
}

BENCHMARK(BM_PagesAndLinks)
    ->Arg(10'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_PagesAndLinks)
    ->Arg(50'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_FirstRun)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstRun)->Arg(50'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace corvella::bench

BENCHMARK_MAIN();
