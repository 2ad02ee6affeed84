#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

#include "errors/alert.h"
#include "errors/alert_layout.h"
#include "errors/alert_text.h"
#include "errors/qt_prompter.h"
#include "tests/ui/qt_app.h"
#include "tests/xbase/scripted_prompter.h"

namespace {

using qv::AlertLayout;
using qv::AlertMeasures;

TEST(AlertLines, CutsAtSemicolonsBreaksAndLength) {
  struct Case {
    QString text;
    int max;
    QStringList want;
  };
  const QString longWords = QString(QStringLiteral("abcd ")).repeated(3);  // "abcd abcd abcd "
  const Case cases[] = {
      {QStringLiteral("Uno;Dos"), 254, {QStringLiteral("Uno"), QStringLiteral("Dos")}},
      {QStringLiteral("Uno   ;  Dos  "), 254, {QStringLiteral("Uno"), QStringLiteral("  Dos")}},
      {QStringLiteral("a\r\nb\nc\rd"), 254, {"a", "b", "c", "d"}},
      {QStringLiteral("a;;b"), 254, {"a", "", "b"}},
      {longWords, 9, {"abcd abcd", "abcd"}},
      {QStringLiteral("abcdefghij"), 4, {"abcd", "efgh", "ij"}},
      {QString(300, QLatin1Char('x')), 254, {QString(254, QLatin1Char('x')), QString(46, QLatin1Char('x'))}},
  };
  for (const Case& c : cases) EXPECT_EQ(qv::alertLines(c.text, c.max), c.want) << c.text.toStdString();
}

TEST(AlertText, OemTextsAreConvertedAndUtf8KeptAsIs) {
  EXPECT_EQ(qv::oemToDisplay("Atención"), QStringLiteral("Atención"));
  EXPECT_EQ(qv::oemToDisplay("Atenci\xA2n \xA4 \xA5 \x82"), QStringLiteral("Atención ñ Ñ é"));
  EXPECT_EQ(qv::fromOem850("\x80\xFF"), QString(QChar(0xC7)) + QChar(0xA0));
}

AlertMeasures measures(std::vector<int> lines, int charH, std::vector<int> captions, int title = 0) {
  AlertMeasures m;
  m.lineWidths = std::move(lines);
  m.charHeight = charH;
  m.charWidth = 6;
  m.titleWidth = title;
  m.captionWidths = std::move(captions);
  return m;
}

TEST(AlertLayout, FollowsTheArithmetic) {
  struct Case {
    const char* name;
    AlertMeasures m;
    int areaW, areaH;
    bool v, h;
    int width, height, buttonTop, buttonW;
  };
  const Case cases[] = {
      // two short lines: area 110x30, dialog 190 wide, buttons below 30+50
      {"short", measures({100, 60}, 15, {40}), 110, 30, false, false, 190, 80 + 26 + 40, 80, 70},
      // an empty message still leaves 20 above the button row; the one
      // button needs 70 + 3*7 = 91 > 90, so the dialog is 101 wide
      {"empty", measures({0}, 10, {40}), 10, 10, false, false, 101, 70 + 17 + 40, 70, 70},
      // the title is wider than the text
      {"title", measures({100}, 15, {40}, 300), 110, 15, false, false, 380, 70 + 26 + 40, 70, 70},
      // 30 lines of 15: 450 high, cut to 400 with a vertical bar
      {"tall", measures(std::vector<int>(30, 100), 15, {40}), 110, 400, true, false, 190, 450 + 26 + 40, 450, 70},
      // a wide single line: 500 wide, both bars, at least 100 high
      {"wide", measures({700}, 15, {40}), 500, 100, true, true, 580, 150 + 26 + 40, 150, 70},
  };
  for (const Case& c : cases) {
    const AlertLayout l = qv::layoutAlert(c.m);
    EXPECT_EQ(l.areaWidth, c.areaW) << c.name;
    EXPECT_EQ(l.areaHeight, c.areaH) << c.name;
    EXPECT_EQ(l.vScroll, c.v) << c.name;
    EXPECT_EQ(l.hScroll, c.h) << c.name;
    EXPECT_EQ(l.width, c.width) << c.name;
    EXPECT_EQ(l.height, c.height) << c.name;
    EXPECT_EQ(l.buttonTop, c.buttonTop) << c.name;
    EXPECT_EQ(l.buttonWidth, c.buttonW) << c.name;
    EXPECT_EQ(l.areaTop, 25) << c.name;
    EXPECT_EQ(l.areaLeft, 70) << c.name;
  }
}

TEST(AlertLayout, ButtonsShareOneWidthAndStandTenApart) {
  const AlertLayout l = qv::layoutAlert(measures({100}, 15, {20, 80, 45}));
  EXPECT_EQ(l.buttonWidth, 110);
  ASSERT_EQ(l.buttonLefts.size(), 3u);
  // dialog 190 wide; the row needs 3*110 + 5*7 = 365 > 190, so 375
  EXPECT_EQ(l.width, 375);
  EXPECT_EQ(l.buttonLefts[0], (375 - 330 - 17) / 2);
  EXPECT_EQ(l.buttonLefts[1] - l.buttonLefts[0], 120);
  EXPECT_EQ(l.buttonLefts[2] - l.buttonLefts[1], 120);
}

TEST(AlertLayout, EveryButtonStaysInsideTheDialog) {
  for (int n = 1; n <= 8; ++n) {
    const AlertLayout l = qv::layoutAlert(measures({50}, 15, std::vector<int>(size_t(n), 60)));
    ASSERT_EQ(int(l.buttonLefts.size()), n);
    EXPECT_GE(l.buttonLefts.front(), 0) << n;
    EXPECT_LE(l.buttonLefts.back() + l.buttonWidth + 7, l.width) << n << " buttons";
  }
}

TEST(AlertDialog, SemicolonStartsANewLine) {
  qv::AlertDialog box("Primera frase;Segunda frase", {"&Aceptar"}, "Atención...", 1);
  const QTextDocument* doc = box.textArea()->document();
  ASSERT_EQ(doc->blockCount(), 2);
  EXPECT_EQ(doc->firstBlock().text(), QStringLiteral("Primera frase"));
  EXPECT_EQ(doc->lastBlock().text(), QStringLiteral("Segunda frase"));
  EXPECT_EQ(box.windowTitle(), QStringLiteral("Atención..."));
  EXPECT_EQ(box.textArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(AlertDialog, OemTitleAndMessageAreShownConverted) {
  qv::AlertDialog box("Fichero en uso;Int\x82ntelo de nuevo", {"&Aceptar"}, "Atenci\xA2n", 1);
  EXPECT_EQ(box.windowTitle(), QStringLiteral("Atención"));
  EXPECT_EQ(box.textArea()->document()->lastBlock().text(), QStringLiteral("Inténtelo de nuevo"));
}

TEST(AlertDialog, LongTextGetsA400PixelAreaWithAScrollBar) {
  std::string text;
  for (int i = 0; i < 80; ++i) text += "Linea " + std::to_string(i) + ";";
  qv::AlertDialog box(text, {"&Aceptar"}, "Atención...", 1);
  EXPECT_EQ(box.textArea()->height(), 400);
  EXPECT_EQ(box.textArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(box.boxLayout().vScroll);
  EXPECT_GT(box.textArea()->verticalScrollBar()->maximum(), 0);
}

TEST(AlertDialog, ButtonsAreEquallyWideAndPlacedByTheLayout) {
  qv::AlertDialog box("Texto", {"&Si", "   &No   ", "&Cancelar la operación"}, "Título", 1);
  ASSERT_EQ(box.buttons().size(), 3);
  const int w = box.buttons()[0]->width();
  for (QPushButton* b : box.buttons()) EXPECT_EQ(b->width(), w);
  EXPECT_EQ(w, box.boxLayout().buttonWidth);
  EXPECT_EQ(box.buttons()[2]->text(), QStringLiteral("&Cancelar la operación"));
  EXPECT_EQ(box.width(), box.boxLayout().width);
}

int runPressing(qv::AlertDialog& box, const std::function<void()>& action) {
  QTimer::singleShot(0, &box, action);
  return box.run();
}

TEST(AlertDialog, ResultIsTheButtonNumberOrZero) {
  {
    qv::AlertDialog box("x", {"&Uno", "&Dos"}, "t", 1);
    EXPECT_EQ(runPressing(box, [&] { box.buttons()[1]->click(); }), 2);
  }
  {
    qv::AlertDialog box("x", {"&Uno", "&Dos"}, "t", 1);
    EXPECT_EQ(runPressing(box, [&] {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(&box, &esc);
              }),
              0);
  }
  {
    qv::AlertDialog box("x", {"&Uno", "&Dos"}, "t", 1);
    EXPECT_EQ(runPressing(box, [&] { box.close(); }), 0);
  }
}

TEST(AlertDialog, FocusGoesToTheChosenButtonOrTheFirst) {
  struct Case {
    int focus, want;
  };
  for (const Case c : {Case{1, 0}, Case{2, 1}, Case{3, 2}, Case{4, 0}, Case{0, 0}}) {
    qv::AlertDialog box("x", {"a", "b", "c"}, "t", c.focus);
    int defaults = 0;
    for (QPushButton* b : box.buttons()) defaults += b->isDefault() ? 1 : 0;
    EXPECT_EQ(defaults, 1);
    EXPECT_TRUE(box.buttons()[c.want]->isDefault()) << c.focus;
    int pressedWith = -1;
    QTimer::singleShot(0, &box, [&] {
      QWidget* f = box.focusWidget();
      pressedWith = int(box.buttons().indexOf(qobject_cast<QPushButton*>(f)));
      box.reject();
    });
    box.run();
    EXPECT_EQ(pressedWith, c.want) << c.focus;
  }
}

TEST(Alert, GoesThroughThePromptLayerWithItsDefaults) {
  xb::ScriptedPrompter p;
  xb::PrompterGuard g(p);
  p.alertAnswers = {2};
  EXPECT_EQ(qv::ALERT("Desea terminar su sesión ?", {"   &Si   ", "   &No   "}, "Seleccione su opción"), 2);
  EXPECT_EQ(qv::ALERT(), 0);
  ASSERT_EQ(p.asked.size(), 2u);
  EXPECT_EQ(p.asked[0].buttons, (std::vector<std::string>{"   &Si   ", "   &No   "}));
  EXPECT_EQ(p.asked[1].text, "Diálogo de Alerta");
  EXPECT_EQ(p.asked[1].title, "Atención...");
  EXPECT_EQ(p.asked[1].buttons, std::vector<std::string>{"&Aceptar"});
  EXPECT_EQ(p.asked[1].focus, 1);
}

// Runs `act` on the modal box once it is shown.
void onModal(const std::function<void(QWidget*)>& act) {
  QTimer::singleShot(0, [act] { act(QApplication::activeModalWidget()); });
}

TEST(QtPrompterInput, ShowsTheInitialValueAndAnswersThePaddedText) {
  struct Case {
    const char* name;
    std::string initial;
    bool accept;
    const char* typed;  // null: leave the field as shown
    std::optional<std::string> want;
    const char* shown;
    int maxLength;
  };
  const Case cases[] = {
      {"typed name", std::string(25, ' '), true, "etiqueta", "etiqueta" + std::string(17, ' '), "", 25},
      {"accepted untouched", std::string(25, ' '), true, nullptr, std::string(25, ' '), "", 25},
      {"cancelled", std::string(25, ' '), false, "etiqueta", std::nullopt, "", 25},
      {"initial text", "abc  ", true, nullptr, "abc  ", "abc", 5},
  };
  qv::QtPrompter prompter;
  for (const Case& c : cases) {
    QString shown;
    int maxLength = -1;
    QString title;
    onModal([&](QWidget* w) {
      auto* box = qobject_cast<QDialog*>(w);
      ASSERT_NE(box, nullptr);
      title = box->windowTitle();
      auto* field = box->findChild<QLineEdit*>(QStringLiteral("inputField"));
      ASSERT_NE(field, nullptr);
      shown = field->text();
      maxLength = field->maxLength();
      if (c.typed) field->setText(QString::fromUtf8(c.typed));
      c.accept ? box->accept() : box->reject();
    });
    EXPECT_EQ(prompter.input("NUEVO DISEÑO DE ETIQUETA", "Nombre", c.initial, "ICONOS\\NO_EXISTE.BMP"), c.want)
        << c.name;
    EXPECT_EQ(title, QStringLiteral("NUEVO DISEÑO DE ETIQUETA")) << c.name;
    EXPECT_EQ(shown, QString::fromUtf8(c.shown)) << c.name;
    EXPECT_EQ(maxLength, c.maxLength) << c.name;
  }
}

TEST(QtPrompterYesNo, NoYesHasNoAsTheDefaultAnswer) {
  qv::QtPrompter prompter;
  struct Case {
    bool noFirst;  // noYes rather than yesNo
    bool pressYes;
  };
  const Case cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
  for (const Case& c : cases) {
    QMessageBox::StandardButton shownDefault = QMessageBox::NoButton;
    onModal([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      shownDefault = box->standardButton(box->defaultButton());
      box->button(c.pressYes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    const bool answer = c.noFirst ? prompter.noYes("BORRAR", "¿ Seguro ?") : prompter.yesNo("t", "q");
    EXPECT_EQ(answer, c.pressYes);
    EXPECT_EQ(shownDefault, c.noFirst ? QMessageBox::No : QMessageBox::Yes);
  }
}

TEST(QtPrompterFile, FiltersBecomeQtFilterLines) {
  struct Case {
    const char* filter;
    const char* want;
  };
  const Case cases[] = {
      {"Etiquetas (*.eti)| *.eti|", "Etiquetas (*.eti)"},
      {"Etiquetas| *.eti|Todos|*.*|", "Etiquetas (*.eti);;Todos (*.*)"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(qv::qtFileFilter(c.filter), QString::fromUtf8(c.want)) << c.filter;
}

}  // namespace
