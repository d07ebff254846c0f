#pragma once

// Message boxes and the beep of the running program: a modal QMessageBox with
// the critical, information or warning icon, the application's title and the
// detail text behind its "Show Details..." button, and the system beep.

#include <QPointer>
#include <QWidget>

#include "platform/notifier.h"

namespace corvella::window {

inline constexpr const char* kApplicationTitle = "Corvella";

class DialogNotifier final : public Notifier {
 public:
  explicit DialogNotifier(QWidget* parent) : parent_(parent) {}

  void message_box(const std::string& text, MessageIcon icon, const std::string& details) override;
  void beep() override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace corvella::window
