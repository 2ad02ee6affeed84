// ALERT: the system's own message box, with an icon, a message of any
// length and a row of buttons whose captions the caller chooses.
#pragma once

#include <QDialog>
#include <QList>
#include <string>
#include <vector>

#include "errors/alert_layout.h"

class QPushButton;
class QPlainTextEdit;
class QLabel;

namespace qv {

// Asks through the prompt layer (so tests can script the answer) and returns
// the 1-based number of the button pressed, 0 when the box was closed with
// Escape or its close box. Every ";" of the message starts a new line; an
// empty button list means the single button "&Aceptar"; a focus beyond the
// last button gives the focus to the first.
int ALERT(const std::string& message = "Diálogo de Alerta", std::vector<std::string> buttons = {},
          const std::string& title = "Atención...", int focus = 1);

// The Qt box behind ALERT. Texts are UTF-8, or OEM code page 850 when they
// are not valid UTF-8.
class AlertDialog : public QDialog {
  Q_OBJECT
 public:
  AlertDialog(const std::string& message, const std::vector<std::string>& buttons, const std::string& title,
              int focus, QWidget* parent = nullptr);

  // Shows the box modally; the 1-based button pressed, 0 when closed.
  int run();

  const AlertLayout& boxLayout() const { return layout_; }
  QPlainTextEdit* textArea() const { return text_; }
  const QList<QPushButton*>& buttons() const { return buttons_; }
  QLabel* iconLabel() const { return icon_; }

 private:
  AlertLayout layout_;
  QPlainTextEdit* text_ = nullptr;
  QLabel* icon_ = nullptr;
  QList<QPushButton*> buttons_;
};

// Shows the Qt box and returns its result (what the Qt prompter calls).
int showAlert(const std::string& message, const std::vector<std::string>& buttons, const std::string& title,
              int focus);

}  // namespace qv
