#include "window/dialog_notifier.h"

#include <QApplication>
#include <QMessageBox>

namespace corvella::window {

void DialogNotifier::message_box(const std::string& text, MessageIcon icon,
                                 const std::string& details) {
  const QMessageBox::Icon shown = icon == MessageIcon::Critical      ? QMessageBox::Critical
                                  : icon == MessageIcon::Information ? QMessageBox::Information
                                  : icon == MessageIcon::Warning     ? QMessageBox::Warning
                                                                     : QMessageBox::NoIcon;
  QMessageBox box(shown, QString::fromUtf8(kApplicationTitle), QString::fromStdString(text),
                  QMessageBox::Ok, parent_);
  if (!details.empty()) box.setDetailedText(QString::fromStdString(details));
  box.exec();
}

void DialogNotifier::beep() {
  QApplication::beep();
}

}  // namespace corvella::window
