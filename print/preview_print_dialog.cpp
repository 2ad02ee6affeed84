#include "print/preview_print_dialog.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <memory>

#include "print/preview_resources.h"
#include "print/preview_rules.h"
#include "ui/control_id.h"
#include "ui/resource_file.h"
#include "xbase/prompt.h"
#include "ui/widget_helpers.h"

namespace pr {

namespace {

template <class T>
T* control(QWidget* dlg, int id) {
  return qobject_cast<T*>(ui::controlById(dlg, id));
}

}  // namespace

std::optional<PreviewPrintChoice> runPreviewPrintDialog(const PreviewPrintForm& form, QWidget* parent) {
  if (!loadPreviewResources()) return std::nullopt;
  std::unique_ptr<QWidget> w = ui::resourceDialog(previewResourceRoot(), QStringLiteral("Print"), parent);
  auto* dlg = qobject_cast<QDialog*>(w.get());
  if (!dlg) return std::nullopt;

  auto* from = control<QSpinBox>(dlg, 109);
  auto* to = control<QSpinBox>(dlg, 110);
  auto* copies = control<QSpinBox>(dlg, 111);
  auto* print = control<QAbstractButton>(dlg, 120);
  auto* cancel = control<QAbstractButton>(dlg, 121);
  if (!from || !to || !copies || !print || !cancel) return std::nullopt;
  for (int id = 101; id <= 103; ++id)
    if (auto* l = control<QLabel>(dlg, id))
      l->setText(QString::fromStdString(id == 101 ? form.printer : id == 102 ? form.driver : form.port));
  from->setRange(1, 99999);
  to->setRange(1, 99999);
  from->setValue(1);
  to->setValue(form.pageCount);
  copies->setRange(1, 999);
  copies->setValue(std::clamp(form.copies, 1, 999));
  from->setEnabled(false);
  to->setEnabled(false);

  int option = 1;
  for (int id = 104; id <= 108; ++id) {
    auto* r = control<QRadioButton>(dlg, id);
    if (!r) continue;
    r->setChecked(id == 104);
    QObject::connect(r, &QRadioButton::toggled, dlg, [=, &option](bool on) {
      if (!on) return;
      option = id - 103;
      from->setEnabled(option == 5);
      to->setEnabled(option == 5);
    });
  }
  QObject::connect(cancel, &QAbstractButton::clicked, dlg, &QDialog::reject);
  QObject::connect(print, &QAbstractButton::clicked, dlg, [&] {
    if (option == 5 && !(fromAccepted(from->value(), to->value()) &&
                         toAccepted(from->value(), to->value(), form.pageCount))) {
      xb::prompter().beep(0, 0);
      return;
    }
    dlg->accept();
  });
  if (ui::execModal(*dlg) != QDialog::Accepted) return std::nullopt;
  return PreviewPrintChoice{option, from->value(), to->value(), copies->value()};
}

}  // namespace pr
