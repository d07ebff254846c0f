#pragma once

// Message boxes and the beep: the window shows them, the batch tool prints
// them, tests record them. None of them may block a test.

#include <string>

namespace corvella {

enum class MessageIcon { None, Critical, Information, Warning };

class Notifier {
 public:
  virtual ~Notifier() = default;
  // A modal box with the text, the icon and the application's title;
  // `details`, when not empty, is shown on demand below the text.
  virtual void message_box(const std::string& text, MessageIcon icon,
                           const std::string& details = {}) = 0;
  virtual void beep() = 0;
};

}  // namespace corvella
