#include "ui/control_id.h"

#include <QVariant>
#include <QWidget>

namespace ui {

QWidget* controlById(QWidget* dialog, int id) {
  if (!dialog) return nullptr;
  const auto children = dialog->findChildren<QWidget*>();
  for (QWidget* w : children) {
    const QVariant v = w->property(kControlIdProperty);
    if (v.isValid() && v.toInt() == id) return w;
  }
  return nullptr;
}

}  // namespace ui
