#include "window/dialog_notifier.h"

#include <QApplication>
#include <QMessageBox>

namespace corvella::window {

void DialogNotifier::message_box(const std::string& text, MessageIcon icon) {
  const QMessageBox::Icon shown = icon == MessageIcon::Critical      ? QMessageBox::Critical
                                  : icon == MessageIcon::Information ? QMessageBox::Information
                                                                     : QMessageBox::NoIcon;
  QMessageBox box(shown, QString::fromUtf8(kApplicationTitle), QString::fromStdString(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

void DialogNotifier::beep() {
  QApplication::beep();
}

}  // namespace corvella::window
