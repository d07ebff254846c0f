// The run in the window: Command1 drives the engine's Run, and the window
// shows the captions and widths the engine computes. Painting must not slow
// a run: show_* only store the values (they come once per page line). The
// screen can change only where events are handled, so the values go to the
// controls there, at most about 30 times a second, and always before a
// message box and at the end of a press.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "window/form1.h"

namespace corvella::window {

namespace {

constexpr qint64 kPaintInterval = 33;  // milliseconds
// Handling the window's events costs a few microseconds, as much as writing
// a small page on a fast disk; handling them at most every 5 ms keeps a run
// as fast as without a window, and a press still lands at an event point,
// between two records, too soon after it for the user to tell.
constexpr qint64 kEventInterval = 5;  // milliseconds

}  // namespace

void Form1::Command1_Click() {
  run_.press();
  paint_progress();
}

RunSettings Form1::read_settings() {
  RunSettings settings;
  settings.check1 = Check1->isChecked();
  settings.check2 = Check2->isChecked();
  settings.source = bytes_of("Source", source->text());
  settings.modele = bytes_of("Modele", fichiermodele->text());
  settings.destination = bytes_of("Destination", destination->text());
  settings.lien = bytes_of("Lien", hyperdir->text());
  settings.textesource = bytes_of("Textesource", sourcelien->currentText());
  settings.textelien = bytes_of("Textelien", Textelien->currentText());
  settings.tag99 = bytes_of("Tag99", Tag99->text());
  settings.option1 = Option1->isChecked();
  for (std::size_t index = 0; index < nomdufichierhtm.size(); ++index) {
    settings.tagf[index] =
        bytes_of("TagF" + std::to_string(index), nomdufichierhtm[index]->currentText());
  }
  settings.titrep1 = titrep1->isChecked();
  return settings;
}

void Form1::clear_help() {
  piccours->show();
  pictotal->show();
  hide_help();
}

void Form1::show_frame1(const std::string& caption) {
  progress_.frame1 = caption;
  progress_.dirty = true;
}

void Form1::show_progressbar2(const std::string& caption) {
  progress_.progressbar2 = caption;
  progress_.dirty = true;
}

void Form1::show_pictotal(int width) {
  progress_.pictotal = width;
  progress_.dirty = true;
}

void Form1::show_progressbar1(const std::string& caption) {
  progress_.progressbar1 = caption;
  progress_.dirty = true;
}

void Form1::show_piccours(int width) {
  progress_.piccours = width;
  progress_.dirty = true;
}

void Form1::show_temps(const std::string& caption) {
  progress_.temps = caption;
  progress_.dirty = true;
}

void Form1::paint_progress_if_due() {
  if (progress_.dirty && (!painted_.isValid() || painted_.elapsed() >= kPaintInterval)) {
    paint_progress();
  }
}

void Form1::paint_progress() {
  if (!progress_.dirty) return;
  progress_.dirty = false;
  painted_.start();
  Frame1->setTitle(QString::fromStdString(progress_.frame1));
  Progressbar2->setText(QString::fromStdString(progress_.progressbar2));
  Progressbar2->adjustSize();
  progressbar1->setText(QString::fromStdString(progress_.progressbar1));
  progressbar1->adjustSize();
  temps->setText(QString::fromStdString(progress_.temps));
  temps->adjustSize();
  pictotal->resize(tw_.px(progress_.pictotal), pictotal->height());
  piccours->resize(tw_.px(progress_.piccours), piccours->height());
}

void Form1::show_running(bool running) {
  paint_progress();
  Command1->setText(running ? QStringLiteral("Arrêter") : QStringLiteral("Lancer"));
  Command2->setEnabled(!running);
  Frame2->setEnabled(!running);
  Frame4->setEnabled(!running);
}

void Form1::handle_events() {
  if (events_handled_.isValid() && events_handled_.elapsed() < kEventInterval) return;
  events_handled_.start();
  paint_progress_if_due();
  QCoreApplication::processEvents();
}

void Form1::message_box(const std::string& text, MessageIcon icon, const std::string& details) {
  paint_progress();
  notifier_->message_box(text, icon, details);
}

void Form1::beep() {
  paint_progress();
  notifier_->beep();
}

}  // namespace corvella::window
