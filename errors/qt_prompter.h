// The prompt layer of the program with windows: the system's message box for
// alerts, the platform's standard message boxes for plain messages and
// yes/no questions. Installed at start-up.
#pragma once

#include "xbase/prompt.h"

namespace qv {

class QtPrompter : public xb::Prompter {
 public:
  // ALERT's box; 0 when closed without a button.
  int alert(const std::string& message, const std::vector<std::string>& buttons, const std::string& title,
            int focus) override;
  // A one-button platform box with the kind's icon; lines may end in
  // carriage return and line feed.
  void message(xb::MsgKind kind, const std::string& title, const std::string& text) override;
  // A platform yes/no box; true for yes, false for no or closing it.
  bool yesNo(const std::string& title, const std::string& text) override;
  // The platform's beep (tones are not available: every tone is the beep).
  void beep(int hz, int ms) override;
  void processEvents() override;
};

}  // namespace qv
