#pragma once

// Builds the real Form1 with every fixed location in the test's own folder,
// records message boxes and beeps without blocking, and finds controls by
// their names.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/locations.h"
#include "platform/notifier.h"
#include "test_support.h"
#include "window/form1.h"

namespace corvella::testing {

inline fs::path examples() {
  return CORVELLA_EXAMPLES;
}

// A folder text as the window writes it: ending with "/".
inline std::string folder_text(const fs::path& folder) {
  return folder.string() + "/";
}

class RecordingNotifier final : public Notifier {
 public:
  std::vector<std::string> messages;  // "critical: ..." / "information: ..."
  int beeps = 0;
  // Called after recording a message; a test may act here, as a user would
  // while the box is open.
  std::function<void(const std::string&)> on_message;

  void message_box(const std::string& text, MessageIcon icon) override;
  void beep() override { ++beeps; }
};

class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  // Builds the window (its start-up sequence runs) and shows it.
  window::Form1& start(std::chrono::milliseconds help_duration = std::chrono::seconds(30));

  template <typename Widget>
  Widget* find(const char* name) const {
    Widget* widget = form->findChild<Widget*>(QString::fromUtf8(name));
    if (!widget) ADD_FAILURE() << "no control " << name;
    return widget;
  }

  // The settings file as the window wrote it; "" when there is none.
  std::string settings_bytes() const;
  // One remembered value, "<absent>" when the key is not there.
  std::string stored(const char* key) const;
  void write_settings(const std::vector<std::pair<std::string, std::string>>& keys) const;

  // A double-click as the user makes it: a click, then the double-click.
  static void double_click(QWidget* widget);
  // A user's choice of entry `index` in the list of a combo box.
  static void choose(QComboBox* combo, int index);
  // A double-click on the entry of a folder list that stands for `folder`,
  // or on the entry of a file list named `name`.
  static void double_click_entry(QListWidget* list, const QString& folder_or_name);

  // Length in pixels of a length in twips, as the window lays it out.
  int px(int twips) const;

  TempDir temp;
  Locations locations;
  RecordingNotifier notifier;
  std::unique_ptr<window::Form1> form;
};

}  // namespace corvella::testing
