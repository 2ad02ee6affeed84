#include "ui/input_mode.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QValidator>
#include <algorithm>
#include <optional>
#include <utility>

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

// The number a spin box shows between its prefix and its suffix (a unit
// such as " mm"), as positions in its editor's text; none for other fields.
std::optional<std::pair<qsizetype, qsizetype>> numberPart(QWidget* w, const QString& text) {
  QString prefix, suffix;
  if (const auto* s = qobject_cast<QSpinBox*>(w)) {
    prefix = s->prefix();
    suffix = s->suffix();
  } else if (const auto* d = qobject_cast<QDoubleSpinBox*>(w)) {
    prefix = d->prefix();
    suffix = d->suffix();
  } else {
    return std::nullopt;
  }
  const qsizetype begin = text.startsWith(prefix) ? prefix.size() : 0;
  const qsizetype end = text.endsWith(suffix) ? text.size() - suffix.size() : text.size();
  return std::pair(begin, std::max(begin, end));
}

// The character a key typed in overwrite mode replaces: the one after the
// cursor, when the field takes the text that gives. In a number spin box a
// digit replaces a digit of the number, stepping over a sign, decimal point
// or group separator, and never the prefix or suffix. -1: none, the key
// inserts.
qsizetype replacedBy(QWidget* focus, const QLineEdit& edit, QChar typed) {
  const QString text = edit.text();
  qsizetype at = edit.cursorPosition();
  qsizetype end = text.size();
  if (const auto number = numberPart(focus, text)) {
    at = std::max(at, number->first);
    end = number->second;
    if (typed.isDigit())
      while (at < end && !text.at(at).isDigit()) ++at;
  }
  if (at >= end) return -1;
  if (const QValidator* v = edit.validator()) {
    QString after = text;
    after[at] = typed;
    int pos = int(at + 1);
    if (v->validate(after, pos) == QValidator::Invalid) return -1;
  }
  return at;
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
  if (!insert_ && typesCharacter(k) && !edit->hasSelectedText())
    if (const qsizetype at = replacedBy(focus, *edit, k.text().at(0)); at >= 0) edit->setSelection(int(at), 1);
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
