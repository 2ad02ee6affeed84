// Typing in the program's input fields: overwrite mode at start, the Insert
// key switching the mode for every field, the arrow keys leaving a field,
// overwriting the digits of a spin box that shows a unit.
#include "ui/input_mode.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
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

TEST(InputMode, OverwriteReplacesTheDigitsOfASpinBoxAndKeepsItsSuffix) {
  ui::InputMode& mode = ui::inputMode();
  mode.setInsertMode(false);
  Form f;
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));
  f.spin->setLocale(QLocale::c());
  f.spin->setRange(0, 999);
  f.spin->setDecimals(2);
  f.spin->setSuffix(QStringLiteral(" mm"));
  QLineEdit* edit = f.spin->findChild<QLineEdit*>();
  const struct {
    int cursor;
    const char* keys;
    double value;
  } cases[] = {
      {0, "3", 32.5},
      {0, "45", 45.5},
      {1, "7", 17.5},
      {3, "75", 12.75},
      {1, "47", 14.7},  // over the decimal point to the next digit
      {4, "9", 12.59},
  };
  for (const auto& c : cases) {
    f.spin->setValue(12.5);
    f.spin->setFocus();
    edit->deselect();
    edit->setCursorPosition(c.cursor);
    QTest::keyClicks(f.spin, QString::fromLatin1(c.keys));
    EXPECT_DOUBLE_EQ(f.spin->value(), c.value) << c.cursor << " " << c.keys << ": " << edit->text().toStdString();
    EXPECT_TRUE(edit->text().endsWith(QStringLiteral(" mm"))) << edit->text().toStdString();
  }

  // Right after the last digit the unit's blank is kept: the digit is added.
  auto* whole = new QSpinBox(&f.window);
  whole->setRange(0, 999);
  whole->setSuffix(QStringLiteral(" mm"));
  whole->setValue(12);
  whole->setFocus();
  whole->findChild<QLineEdit*>()->deselect();
  whole->findChild<QLineEdit*>()->setCursorPosition(2);
  QTest::keyClicks(whole, QStringLiteral("3"));
  EXPECT_EQ(whole->value(), 123);
  EXPECT_EQ(whole->text(), QStringLiteral("123 mm"));
}

}  // namespace
