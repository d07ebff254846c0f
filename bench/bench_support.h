#pragma once

// Shared by the benchmarks: a scratch folder, a quiet run view, peak memory.

#include <filesystem>
#include <string>

#include "generation/run_view.h"

namespace corvella::bench {

// A fresh folder (mkdtemp) removed with its content at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string text() const { return path_.string() + "/"; }

 private:
  std::filesystem::path path_;
};

// A view that shows nothing, as a run with painting free of cost.
class QuietView : public RunView {
 public:
  RunSettings settings;
  RunSettings read_settings() override { return settings; }
  void show_frame1(const std::string&) override {}
  void show_progressbar2(const std::string&) override {}
  void show_pictotal(int) override {}
  void show_progressbar1(const std::string&) override {}
  void show_piccours(int) override {}
  void show_temps(const std::string&) override {}
  void show_running(bool) override {}
  void select_titrep1() override {}
  void select_option1() override {}
  void handle_events() override {}
  void message_box(const std::string&, MessageIcon, const std::string&) override {}
  void beep() override {}
};

// Peak resident memory of the process so far, in MiB.
double peak_memory_mib();

void write_text(const std::filesystem::path& path, const std::string& bytes);

}  // namespace corvella::bench
