#pragma once

// Message boxes and the beep of the running program: a modal QMessageBox with
// the critical or information icon and the application's title, and the
// system beep.

#include <QPointer>
#include <QWidget>

#include "platform/notifier.h"

namespace corvella::window {

inline constexpr const char* kApplicationTitle = "Corvella";

class DialogNotifier final : public Notifier {
 public:
  explicit DialogNotifier(QWidget* parent) : parent_(parent) {}

  void message_box(const std::string& text, MessageIcon icon) override;
  void beep() override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace corvella::window
