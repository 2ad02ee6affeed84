// The error dialog: "LISTA DE ERRORES PRODUCIDOS POR EL PROGAMA", showing
// the error's name line and its call chain, with the buttons "&Imprimir"
// (prints the print text), "&Mas..." (the log browser), "&Salir", and
// "&Reintentar" / "&Omitir" when the error allows them.
//
// Test hook: when the environment variable QV_ERROR_DIALOG_ANSWER is set to
// "Salir", "Reintentar", "Omitir" or "Cerrar" (the close box), the dialog,
// once shown, writes "QV_ERROR_DIALOG: " + its name line to standard error
// and presses that button by itself, so the program can be driven
// unattended. Nothing else reads the variable.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace qv {

enum class DialogChoice { None, Retry, Default };

struct ErrorDialogContent {
  std::string nameLine;                // the "   Nombre del error: " line, UTF-8
  std::vector<std::string> callLines;  // the call chain, UTF-8
  std::string printText;               // what "&Imprimir" prints, UTF-8
  bool canRetry = false;
  bool canDefault = false;
};

// The captions of the dialog's buttons, in order, for the error's flags:
// "&Imprimir", "&Mas...", "&Salir", then "&Reintentar" when retry is
// allowed and "&Omitir" when a default is allowed.
std::vector<std::string> errorDialogButtons(bool canRetry, bool canDefault);

class ErrorDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ErrorDialog(const ErrorDialogContent& content, QWidget* parent = nullptr);

  DialogChoice choice() const { return choice_; }
  QListWidget* callList() const { return list_; }
  // The button with this caption, or null.
  QPushButton* button(const QString& caption) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ErrorDialogContent content_;
  DialogChoice choice_ = DialogChoice::None;
  QListWidget* list_ = nullptr;
  std::vector<QPushButton*> buttons_;
};

// Shows the dialog modally and answers the choice (None for "&Salir" or the
// close box).
DialogChoice runErrorDialog(const ErrorDialogContent& content);

}  // namespace qv
