// The prompt layer of the program with windows: the system's message box for
// alerts, the platform's standard message boxes for plain messages and
// yes/no questions, a small input box and the platform's file-open dialog.
// Installed at start-up.
#pragma once

#include <QString>

#include "xbase/prompt.h"

namespace qv {

// The file dialog's filter for a filter of the prompt layer: each
// description and pattern pair ("Etiquetas (*.eti)| *.eti|") becomes one
// Qt filter line ("Etiquetas (*.eti)"), the pattern added in brackets when
// the description does not show it; lines are joined by ";;".
QString qtFileFilter(const std::string& filter);

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
  bool noYes(const std::string& title, const std::string& text) override;
  // A modal box titled `title`: the picture (the file, backslashes read as
  // "/", else the main resource file's bitmap of the file's base name, else
  // none), the prompt, and a field as wide as `initial` holding it without
  // trailing blanks, with "&Aceptar" and "&Cancelar". The field is the
  // object "inputField".
  std::optional<std::string> input(const std::string& title, const std::string& prompt, const std::string& initial,
                                   const std::string& picture) override;
  // The platform's file-open dialog on the working folder.
  std::optional<std::string> openFile(const std::string& title, const std::string& filter) override;
  std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                      const std::string& suggested) override;
  // The platform's beep (tones are not available: every tone is the beep).
  void beep(int hz, int ms) override;
  void processEvents() override;
};

}  // namespace qv
