#include "ui/input_mode.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace ui {

namespace {

// The one-line editor a key typed into `w` edits: the field itself, or the
// editor inside a spin box.
QLineEdit* editorOf(QWidget* w) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit;
  if (qobject_cast<QAbstractSpinBox*>(w)) return w->findChild<QLineEdit*>();
  return nullptr;
}

bool typesCharacter(const QKeyEvent& k) {
  if (k.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const QString t = k.text();
  return !t.isEmpty() && t.at(0).isPrint();
}

}  // namespace

void InputMode::setInsertMode(bool on) {
  if (insert_ == on) return;
  insert_ = on;
  emit changed(on);
}

bool InputMode::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return false;
  // A key travels from the focus widget up to its window: it counts once,
  // where it starts.
  QWidget* focus = QApplication::focusWidget();
  if (!focus || watched != focus) return false;
  const auto& k = *static_cast<QKeyEvent*>(e);
  if (k.key() == Qt::Key_Insert && k.modifiers() == Qt::NoModifier) {
    if (!k.isAutoRepeat()) setInsertMode(!insert_);
    return true;
  }
  QLineEdit* edit = editorOf(focus);
  if (!edit || edit->isReadOnly()) return false;
  // Alt with a letter no control answers to types nothing, as everywhere
  // else on the desktop the program follows; AltGr characters still type.
  if (k.modifiers() == Qt::AltModifier && !k.text().isEmpty() && k.text().at(0).isPrint()) return true;
  if ((k.key() == Qt::Key_Up || k.key() == Qt::Key_Down) && k.modifiers() == Qt::NoModifier && focus == edit) {
    const bool down = k.key() == Qt::Key_Down;
    QKeyEvent tab(QEvent::KeyPress, down ? Qt::Key_Tab : Qt::Key_Backtab, down ? Qt::NoModifier : Qt::ShiftModifier);
    QCoreApplication::sendEvent(focus, &tab);
    return true;
  }
  if (!insert_ && typesCharacter(k) && !edit->hasSelectedText() && edit->cursorPosition() < edit->text().size())
    edit->setSelection(edit->cursorPosition(), 1);
  return false;
}

InputMode& inputMode() {
  // Owned by the application, which it watches; a new application gets a
  // new mode.
  static QPointer<InputMode> mode;
  if (!mode) {
    mode = new InputMode;
    mode->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(mode);
  }
  return *mode;
}

}  // namespace ui
