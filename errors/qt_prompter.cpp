#include "errors/qt_prompter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "errors/alert.h"
#include "errors/alert_text.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "ui/widget_helpers.h"

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
  ui::execModal(box);
}

namespace {

bool askYesNo(const std::string& title, const std::string& text, QMessageBox::StandardButton defaultAnswer) {
  QMessageBox box(QMessageBox::Question, oemToDisplay(title), oemToDisplay(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
  box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
  box.setDefaultButton(defaultAnswer);
  return ui::execModal(box) == QMessageBox::Yes;
}

}  // namespace

bool QtPrompter::yesNo(const std::string& title, const std::string& text) {
  return askYesNo(title, text, QMessageBox::Yes);
}

bool QtPrompter::noYes(const std::string& title, const std::string& text) {
  return askYesNo(title, text, QMessageBox::No);
}

namespace {

// The input box's picture: the file when it exists, else the main resource
// file's bitmap of its base name (looked up quietly), else none.
QPixmap inputPicture(const std::string& picture) {
  if (picture.empty()) return {};
  const QString file = QString::fromStdString(picture).replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (QFileInfo::exists(file)) return QPixmap(file);
  const QString res = ui::resourcePath(ui::mainResourceRoot(), QStringLiteral("bitmaps"), QFileInfo(file).baseName());
  return res.isEmpty() ? QPixmap() : QPixmap(res);
}

}  // namespace

std::optional<std::string> QtPrompter::input(const std::string& title, const std::string& prompt,
                                             const std::string& initial, const std::string& picture) {
  QDialog box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(title));
  auto* grid = new QGridLayout(&box);
  const QPixmap pm = inputPicture(picture);
  if (!pm.isNull()) {
    auto* pic = new QLabel(&box);
    pic->setPixmap(pm);
    grid->addWidget(pic, 0, 0, 2, 1, Qt::AlignTop);
  }
  grid->addWidget(new QLabel(QString::fromStdString(prompt), &box), 0, 1);
  auto* field = new QLineEdit(&box);
  field->setObjectName(QStringLiteral("inputField"));
  const QString start = QString::fromStdString(initial);
  QString shown = start;
  while (shown.endsWith(QLatin1Char(' '))) shown.chop(1);
  field->setText(shown);
  if (!start.isEmpty()) {
    field->setMaxLength(int(start.size()));
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('M')) * int(start.size()) / 2 + 16);
  }
  grid->addWidget(field, 1, 1);
  auto* buttons = new QDialogButtonBox(&box);
  buttons->addButton(QStringLiteral("&Aceptar"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("&Cancelar"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  grid->addWidget(buttons, 2, 0, 1, 2);
  // wide enough for the window manager to show the whole title beside its buttons
  box.setMinimumWidth(box.fontMetrics().horizontalAdvance(box.windowTitle()) * 5 / 4 + 120);
  field->setFocus();
  if (ui::execModal(box) != QDialog::Accepted) return std::nullopt;
  return xb::padInput(field->text().toStdString(), initial);
}

QString qtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList lines;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString pattern = parts[i + 1].trimmed();
    if (description.isEmpty() && pattern.isEmpty()) continue;
    lines << (pattern.isEmpty() || description.contains(pattern) ? description
                                                                  : description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
  }
  return lines.join(QStringLiteral(";;"));
}

std::optional<std::string> QtPrompter::openFile(const std::string& title, const std::string& filter) {
  const QString name = QFileDialog::getOpenFileName(QApplication::activeWindow(), QString::fromStdString(title),
                                                    QString(), qtFileFilter(filter));
  if (name.isEmpty()) return std::nullopt;
  return name.toStdString();
}

std::optional<std::string> QtPrompter::saveFile(const std::string& title, const std::string& filter,
                                                const std::string& suggested) {
  const QString name = QFileDialog::getSaveFileName(QApplication::activeWindow(), QString::fromStdString(title),
                                                    QString::fromStdString(suggested), qtFileFilter(filter));
  if (name.isEmpty()) return std::nullopt;
  return name.toStdString();
}

void QtPrompter::beep(int, int) { QApplication::beep(); }

void QtPrompter::processEvents() { QApplication::processEvents(); }

}  // namespace qv
