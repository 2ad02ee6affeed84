// Typing in the program's input fields: overwrite mode at start, the Insert
// key switching the mode for every field, the arrow keys leaving a field.
#include "ui/input_mode.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "tests/ui/qt_app.h"

namespace {

struct Form {
  QWidget window;
  QLineEdit* first = new QLineEdit(&window);
  QLineEdit* second = new QLineEdit(&window);
  QDoubleSpinBox* spin = new QDoubleSpinBox(&window);
  Form() {
    auto* l = new QVBoxLayout(&window);
    for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(second), static_cast<QWidget*>(spin)})
      l->addWidget(w);
    window.show();
    window.activateWindow();
  }
};

// Types `keys` at the start of a field holding `text`.
QString typed(QLineEdit* e, const QString& text, const QString& keys) {
  e->setText(text);
  e->setFocus();
  e->setCursorPosition(0);
  QTest::keyClicks(e, keys);
  return e->text();
}

TEST(InputMode, OverwriteAtStartInsertSwitchesForEveryFieldAndArrowsLeaveAField) {
  ui::InputMode& mode = ui::inputMode();
  mode.setInsertMode(false);
  Form f;
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));
  std::vector<bool> told;
  QObject::connect(&mode, &ui::InputMode::changed, &f.window, [&](bool on) { told.push_back(on); });

  EXPECT_FALSE(mode.insertMode());
  EXPECT_EQ(typed(f.first, QStringLiteral("123456"), QStringLiteral("AB")), QStringLiteral("AB3456"));
  EXPECT_EQ(typed(f.first, QStringLiteral("12"), QStringLiteral("ABC")), QStringLiteral("ABC"));  // past the end: added
  f.spin->setValue(1.25);
  f.spin->setFocus();
  f.spin->findChild<QLineEdit*>()->setCursorPosition(0);
  QTest::keyClicks(f.spin, QStringLiteral("3"));
  EXPECT_DOUBLE_EQ(f.spin->value(), 3.25);

  f.first->setFocus();
  QTest::keyClick(f.first, Qt::Key_Insert);  // in one field, for all of them
  EXPECT_TRUE(mode.insertMode());
  EXPECT_EQ(typed(f.second, QStringLiteral("123"), QStringLiteral("AB")), QStringLiteral("AB123"));
  f.second->setFocus();
  QTest::keyClick(f.second, Qt::Key_Insert);
  EXPECT_EQ(told, (std::vector<bool>{true, false}));
  EXPECT_EQ(typed(f.second, QStringLiteral("123"), QStringLiteral("A")), QStringLiteral("A23"));

  f.first->setFocus();
  QTest::keyClick(f.first, Qt::Key_Down);
  EXPECT_EQ(QApplication::focusWidget(), f.second);
  QTest::keyClick(f.second, Qt::Key_Up);
  EXPECT_EQ(QApplication::focusWidget(), f.first);

  // Alt with a letter that no control answers to types nothing.
  f.first->setText(QStringLiteral("12"));
  QTest::keyClick(f.first, Qt::Key_N, Qt::AltModifier);
  EXPECT_EQ(f.first->text(), QStringLiteral("12"));
}

}  // namespace
