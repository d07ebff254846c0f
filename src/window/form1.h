#pragma once

// Form1, the one window of the program. It turns controls and events into
// engine calls and shows what the engine computes; the run, the field table
// and the title column index live in the engine's Run.
//
// Every control is a widget whose objectName is the control's name ("Command1",
// "source", "Frame2", "nomdufichierhtm(0)" ... "nomdufichierhtm(4)"). The
// handlers keep the control-and-event names (Command1_Click, source_Change,
// hyperdir_DblClick ...) and are spread over files by concern:
//
//   form1.cpp          the controls as created, the seams, settings writes
//   form1_startup.cpp  Form_Load: the start-up sequence
//   form1_run.cpp      Command1_Click and the run's display (RunView)
//   form1_pickers.cpp  the four built-in pickers and the path fields
//   form1_naming.cpp   page naming and titling, the example name
//   form1_help.cpp     help texts, enabling rules, link settings, Command2
//
// Texts: the window holds UTF-8; paths and settings go to the engine as
// UTF-8 bytes, except a settings value read at start-up that is not UTF-8:
// it is shown through to_utf8 and, while its field shows that text, goes to
// the engine and back to the settings file as its own bytes (bytes_of).
// Data bytes shown in the window go through to_utf8.

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "generation/run.h"
#include "generation/run_view.h"
#include "platform/clock.h"
#include "platform/locations.h"
#include "platform/notifier.h"
#include "window/controls.h"

class QCheckBox;
class QColor;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvella {
class WinRegistry;
}

namespace corvella::window {

class DriveList;
class FileList;
class FolderList;

// What a test replaces. Production: default_locations(), message boxes and the
// beep of the system, 30 seconds of help, the system clock.
struct Form1Seams {
  Locations locations;
  // Message boxes and the beep; null: QMessageBox and QApplication::beep.
  Notifier* notifier = nullptr;
  // How long a help text stays after the latest help display began.
  std::chrono::milliseconds help_duration = std::chrono::seconds(30);
  // The run's time estimate; null: the system clock.
  Clock* clock = nullptr;
};

class Form1 : public QWidget, public RunView {
  Q_OBJECT
 public:
  // Builds the controls and runs the start-up sequence (Form_Load); the
  // caller shows the window.
  explicit Form1(Form1Seams seams, QWidget* parent = nullptr);
  ~Form1() override;

  Run& run() { return run_; }
  // The install folder found at start-up, ending with "/".
  const std::string& install_folder() const { return install_folder_; }

  // RunView: what a press of Command1 reads and shows.
  RunSettings read_settings() override;
  void clear_help() override;
  void show_frame1(const std::string& caption) override;
  void show_progressbar2(const std::string& caption) override;
  void show_pictotal(int width) override;
  void show_progressbar1(const std::string& caption) override;
  void show_piccours(int width) override;
  void show_temps(const std::string& caption) override;
  void show_running(bool running) override;
  void select_titrep1() override;
  void select_option1() override;
  void handle_events() override;
  void message_box(const std::string& text, MessageIcon icon, const std::string& details) override;
  void beep() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // form1.cpp. Controls are placed in twips; a place of size 0 sizes a
  // label to its caption.
  void create_controls();
  template <typename Widget>
  Widget* named(Widget* widget, const char* name, QRect twips);
  QLabel* make_label(QWidget* parent, const char* name, const char* caption, QRect twips);
  QLineEdit* make_text_box(QWidget* parent, const char* name, QRect twips);
  QComboBox* make_combo_box(QWidget* parent, const char* name, QRect twips);
  QFrame* make_bar(QWidget* parent, const char* name, QRect twips, QColor colour);
  // Grows the pixels per twip from dpi / 1440 until every caption fits.
  void fit_layout();
  void place_controls();
  bool captions_fit() const;
  void connect_handlers();
  void save(std::string_view key, const QString& value);
  std::filesystem::path path_of(const QString& text) const;

  // form1_startup.cpp
  void Form_Load();
  std::string find_install_folder_text(WinRegistry& registry);
  void load_settings_into_controls();
  // The bytes of a field's text for the settings key `key` (any key when
  // empty): those read at start-up when the text is still the one they were
  // shown as, its UTF-8 otherwise.
  std::string bytes_of(std::string_view key, const QString& text) const;

  // form1_run.cpp
  void Command1_Click();
  void paint_progress();
  void paint_progress_if_due();

  // form1_pickers.cpp
  void source_DblClick();
  void fichiermodele_DblClick();
  void destination_DblClick();
  void hyperdir_DblClick();
  void Drive1_Change();
  void Drive2_Change();
  void Drive3_Change();
  void Drive4_Change();
  void ficdir_Change();
  void Dirmodele_Change();
  void dirdestination_Change();
  void ficsource_DblClick();
  void ficmodele_DblClick();
  void validedestination_Click();
  void Command3_Click();
  void source_Change();
  void fichiermodele_Change();
  void destination_Change();
  void hyperdir_Change();
  bool generation_paths_may_be_saved() const;

  // form1_naming.cpp
  void Option1_Click();
  void Option2_Click();
  void titrep1_Click();
  void titrep2_Click();
  void nomdufichierhtm_Click();
  void save_name_tags();
  void show_name_tags(bool shown);
  bool has_choice(int index) const;
  void show_tag_hints();

  // form1_help.cpp
  static QStringList help_texts();
  void show_help(const QString& text);
  void hide_help();
  void source_MouseDown();
  void fichiermodele_MouseDown();
  void destination_MouseDown();
  void hyperdir_MouseDown();
  void sourcelien_GotFocus();
  void Textelien_GotFocus();
  void Tag99_GotFocus();
  void Check1_Click();
  void Check2_Click();
  void Command2_Click();
  void sourcelien_Click();
  void Textelien_Click();
  void Tag99_Change();

  Form1Seams seams_;
  std::unique_ptr<Notifier> own_notifier_;
  Notifier* notifier_;
  Run run_;
  Twips tw_;
  struct Place {
    QWidget* widget;
    QRect twips;
  };
  std::vector<Place> places_;
  std::filesystem::path settings_file_;
  std::string install_folder_;
  // Values read at start-up that are not UTF-8, by folded key: the text
  // shown and the bytes read.
  std::map<std::string, std::pair<QString, std::string>> stored_bytes_;
  QTimer help_timer_;

  // The run's display: show_* store, paint_progress puts on screen at the
  // event points at most about 30 times a second, and always before a
  // message or the end of a press.
  struct Progress {
    std::string frame1, progressbar2, progressbar1, temps;
    int pictotal = 0, piccours = 0;
    bool dirty = false;
  } progress_;
  QElapsedTimer painted_;
  QElapsedTimer events_handled_;

 private:
  // The controls, named as the window's controls are; tests find them by
  // objectName. Owned by the widget tree.
  QLabel* Picture1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QWidget* nompage = nullptr;
  QGroupBox* Frame4 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QWidget* boutons = nullptr;
  QLabel* idee = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QLabel* Aide = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text1 = nullptr;
  FolderList* Dirlist = nullptr;
  QComboBox* Textelien = nullptr;
  QLineEdit* Tag99 = nullptr;
  QLineEdit* hyperdir = nullptr;
  QPushButton* Command3 = nullptr;
  QComboBox* sourcelien = nullptr;
  DriveList* Drive4 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label6 = nullptr;
  QCheckBox* Check1 = nullptr;
  QCheckBox* Check2 = nullptr;
  std::array<QComboBox*, 5> nomdufichierhtm{};
  QRadioButton* titrep2 = nullptr;
  QRadioButton* titrep1 = nullptr;
  QLineEdit* fichiermodele = nullptr;
  FolderList* Dirmodele = nullptr;
  FileList* ficmodele = nullptr;
  QPushButton* validedestination = nullptr;
  QLineEdit* destination = nullptr;
  FolderList* dirdestination = nullptr;
  QLineEdit* source = nullptr;
  FileList* ficsource = nullptr;
  QRadioButton* Option2 = nullptr;
  QRadioButton* Option1 = nullptr;
  QLabel* Label12 = nullptr;
  QLabel* exemplenom = nullptr;
  DriveList* Drive1 = nullptr;
  FolderList* ficdir = nullptr;
  DriveList* Drive2 = nullptr;
  DriveList* Drive3 = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label4 = nullptr;
  QFrame* pictotal = nullptr;
  QFrame* piccours = nullptr;
  QLabel* Progressbar2 = nullptr;
  QLabel* progressbar1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* temps = nullptr;
  QLabel* internet = nullptr;
};

// The address shown by the label `internet` and used by the help of Tag99.
inline constexpr const char* kWebAddress = "https://corvella.example.org/";

}  // namespace corvella::window
