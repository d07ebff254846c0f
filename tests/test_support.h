#pragma once

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "generation/run_view.h"

namespace corvella::testing {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// A folder as the window and the settings write it: ending with "/".
inline std::string folder_text(const fs::path& folder) {
  return folder.string() + "/";
}

// A fresh folder (mkdtemp: no fixed name), removed with its contents at the end.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(std::string_view name) const { return path_ / std::string(name); }
  std::string text() const { return folder_text(path_); }
  fs::path path_;
};

// A link line as the link pass writes it into a CR LF page.
inline std::string link(const std::string& href, const std::string& text) {
  return "<a href =\"" + href + "\">" + text + "</a><br>\r\n";
}

// A page of the tests' sites: region 1 the name (link text), region 2 its
// region (link content), region 99 the links.
inline std::string fiche(const std::string& name, const std::string& region,
                         const std::string& links = "\r\n", const std::string& title = "") {
  return "<html>\r\n<title>" + (title.empty() ? name : title) + "</title>\r\n<!--tag1-->\r\n" +
         name + "\r\n<!--/tag1-->\r\n<!--tag2-->\r\n" + region +
         "\r\n<!--/tag2-->\r\n<!--tag99-->\r\n" + links + "<!--/tag99-->\r\n</html>\r\n";
}

void write_bytes(const fs::path& path, std::string_view bytes);
std::string read_bytes(const fs::path& path);                 // fails the test when unreadable
std::vector<std::string> file_names(const fs::path& folder);  // sorted

// Dates the file back to a fixed old time; `dated_back` tells whether it
// still has that time and the same inode, that is, nothing replaced it.
using DatedBack = std::pair<fs::file_time_type, unsigned long long>;
DatedBack date_back(const fs::path& path);
bool dated_back(const fs::path& path, const DatedBack& stamp);

// `body`'s return value from a forked child; nothing when it was killed, by a
// signal or by the alarm after `seconds` (a hang guard, not a time measure).
std::optional<int> in_child(const std::function<int()>& body, int seconds = 60);

// The same as user "nobody" (65534), given the folder first. Nothing, with
// `skip` saying why, when this process cannot drop privileges.
std::optional<int> as_unprivileged(const fs::path& folder, const std::function<int()>& body,
                                   std::string& skip);

// Holds a folder's flock from another open file, as another run would.
struct ForeignLock {
  explicit ForeignLock(const fs::path& folder);
  ~ForeignLock() { ::close(fd); }
  const int fd;
};

// Both passes: données.txt and modele.htm of `dir` into its "pages/", linked
// by region 2, region 1 the link text.
inline RunSettings both_passes(const TempDir& dir) {
  RunSettings s;
  s.check1 = s.check2 = true;
  s.source = (dir / "données.txt").string();
  s.modele = (dir / "modele.htm").string();
  s.destination = s.lien = dir.text() + "pages/";
  s.textesource = "Tag N°2";
  s.textelien = "Tag N°1";
  return s;
}

// Records every call a run makes on its view.
struct RecordingView : RunView {
  RunSettings settings;
  std::vector<std::string> messages;  // "critical: ..." / "information: ..." / "warning: ..."
  std::vector<std::string> details;   // the detail text of each message
  std::vector<std::string> skipped;   // "page : reason", as they come
  std::vector<std::string> progressbar2, progressbar1, temps, frame1;
  std::vector<int> pictotal, piccours;
  int beeps = 0, events = 0;
  bool running = false;
  // Called at each event point (after counting it); a test presses here.
  std::function<void(int)> on_event;

  RunSettings read_settings() override { return settings; }
  void show_frame1(const std::string& caption) override { frame1.push_back(caption); }
  void show_progressbar2(const std::string& caption) override { progressbar2.push_back(caption); }
  void show_pictotal(int width) override { pictotal.push_back(width); }
  void show_progressbar1(const std::string& caption) override { progressbar1.push_back(caption); }
  void show_piccours(int width) override { piccours.push_back(width); }
  void show_temps(const std::string& caption) override { temps.push_back(caption); }
  void show_running(bool value) override { running = value; }
  void select_titrep1() override {
    settings.titrep1 = true;
    settings.tagf[4].clear();
  }
  void select_option1() override {
    settings.option1 = true;
    for (int box = 0; box < 4; ++box) settings.tagf[box].clear();
  }
  // `act` at the `count`-th event point from now.
  void at_event(int count, std::function<void()> act) {
    on_event = [act = std::move(act), at = events + count](int event) {
      if (event == at) act();
    };
  }
  void handle_events() override {
    ++events;
    if (on_event) on_event(events);
  }
  void page_skipped(const SkippedPage& page) override {
    skipped.push_back(page.page + " : " + page.reason);
  }
  void message_box(const std::string& text, MessageIcon icon, const std::string& detail) override {
    static const char* const kIcons[] = {"", "critical: ", "information: ", "warning: "};
    messages.push_back(kIcons[static_cast<int>(icon)] + text);
    details.push_back(detail);
  }
  void beep() override { ++beeps; }
};

}  // namespace corvella::testing
