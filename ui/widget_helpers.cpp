#include "ui/widget_helpers.h"

#include <QAbstractButton>
#include <QDialog>
#include <QIcon>
#include <QLineEdit>
#include <QValidator>

#include "ui/main_resources.h"
#include "ui/resource_file.h"

namespace ui {

namespace {

class UpperCase : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return Acceptable;
  }
};

}  // namespace

int execModal(QDialog& dialog) {
  dialog.setWindowModality(dialog.parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
  return dialog.exec();
}

void upperCaseInput(QLineEdit* input) {
  if (input) input->setValidator(new UpperCase(input));
}

void setPressedImages(QAbstractButton* button, const char* up, const char* down) {
  if (!button) return;
  const QString root = mainResourceRoot();
  const QIcon upIcon(resourceBitmap(root, QString::fromLatin1(up)));
  const QIcon downIcon(resourceBitmap(root, QString::fromLatin1(down)));
  button->setIcon(upIcon);
  QObject::connect(button, &QAbstractButton::pressed, button, [button, downIcon] { button->setIcon(downIcon); });
  QObject::connect(button, &QAbstractButton::released, button, [button, upIcon] { button->setIcon(upIcon); });
}

}  // namespace ui
