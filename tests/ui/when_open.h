// Drives a modal window from a test: `fn` runs on the first visible dialog
// titled `title` once it is open and running its own event loop, and the
// dialog is closed afterwards should `fn` leave it open.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace qvtest {

inline void whenOpen(const QString& title, const std::function<void(QDialog*)>& fn) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, title, fn] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dlg = qobject_cast<QDialog*>(w);
      if (!dlg || !dlg->isVisible() || dlg->windowTitle() != title) continue;
      timer->stop();
      timer->deleteLater();
      fn(dlg);
      if (dlg->isVisible()) dlg->reject();
      return;
    }
  });
  timer->start();
}

}  // namespace qvtest
