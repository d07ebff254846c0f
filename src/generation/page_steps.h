#pragma once

// The steps of the page pass that the pass of pages and links in one write
// shares.

#include "generation/run_view.h"
#include "model/page_filler.h"
#include "platform/clock.h"

namespace corvella {

// Passes the filler's progress to the view and makes its event point the
// view's.
class PageObserver final : public FillObserver {
 public:
  PageObserver(RunFlags& flags, RunView& view) : flags_(flags), view_(view) {}

  void page_started() override {
    view_.show_progressbar1({});
    view_.show_piccours(0);
  }
  void page_line(long long line, int width) override {
    view_.show_progressbar1(std::to_string(line));
    view_.show_piccours(width);
  }
  bool handle_events_and_check_stop() override {
    view_.handle_events();
    return flags_.stop;
  }

 private:
  RunFlags& flags_;
  RunView& view_;
};

// The page pass's display of each record: its place among `total` when it
// starts, then the time it took and the time left.
class RecordProgress {
 public:
  RecordProgress(RunView& view, Clock& clock, long long total);
  // Shows record `number` (1-based).
  void record(long long number);
  void done(long long number);

 private:
  RunView& view_;
  Clock& clock_;
  long long total_;
  char separator_;
  double start_ = 0;
};

// The settled naming choices: an empty title tag means the second column, an
// empty first name tag means naming by the first column.
void settle_naming(const RunSettings& settings, RunView& view, int& title_index);
// The title index settle_naming leaves, from `title_index` before it.
int settled_title_index(const RunSettings& settings, int title_index);

}  // namespace corvella
