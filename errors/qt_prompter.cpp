#include "errors/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "errors/alert.h"
#include "errors/alert_text.h"

namespace qv {

int QtPrompter::alert(const std::string& message, const std::vector<std::string>& buttons,
                      const std::string& title, int focus) {
  return showAlert(message, buttons, title, focus);
}

void QtPrompter::message(xb::MsgKind kind, const std::string& title, const std::string& text) {
  QMessageBox::Icon icon = QMessageBox::Information;
  switch (kind) {
    case xb::MsgKind::Info: icon = QMessageBox::Information; break;
    case xb::MsgKind::Stop: icon = QMessageBox::Critical; break;
    case xb::MsgKind::Warning: icon = QMessageBox::Warning; break;
    case xb::MsgKind::Question: icon = QMessageBox::Question; break;
  }
  QString shown = oemToDisplay(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(icon, oemToDisplay(title), shown, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

bool QtPrompter::yesNo(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Question, oemToDisplay(title), oemToDisplay(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
  box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
  return box.exec() == QMessageBox::Yes;
}

void QtPrompter::beep(int, int) { QApplication::beep(); }

void QtPrompter::processEvents() { QApplication::processEvents(); }

}  // namespace qv
