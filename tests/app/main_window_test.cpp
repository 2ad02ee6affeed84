#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/app_texts.h"
#include "app/final_exit.h"
#include "app/main_window.h"
#include "app/shell_actions.h"
#include "app/test_window.h"
#include "tests/ui/main_resources_env.h"
#include "tests/ui/qt_app.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "tests/xbase/scripted_prompter.h"

namespace {

// Actions that only count how often each ran.
struct Counted {
  int panel = 0, maint = 0, calc = 0, help = 0, test = 0, about = 0, web = 0, memory = 0;
  bool connected = true;
  qv::ShellActions actions() {
    qv::ShellActions a;
    a.mainPanel = [this] { ++panel; };
    a.maintenance = [this] { ++maint; };
    a.calculator = [this] { ++calc; };
    a.help = [this] { ++help; };
    a.testWindow = [this] { ++test; };
    a.about = [this] { ++about; };
    a.internetCheck = [this] { return connected; };
    a.openWebPage = [this] { ++web; };
    a.memoryInfo = [this] { ++memory; };
    a.confirmLeave = qv::confirmLeave;
    return a;
  }
};

QList<QToolButton*> barButtons(const qv::MainWindow& w) {
  QList<QToolButton*> out;
  for (QAction* a : w.buttonBar()->actions())
    if (auto* b = qobject_cast<QToolButton*>(w.buttonBar()->widgetForAction(a))) out.append(b);
  return out;
}

TEST(MainWindow, TitleMenuAndStatusBar) {
  Counted c;
  qv::MainWindow w(c.actions());
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Generador de Códigos de Barras Quorvalent"));
  QStringList captions;
  for (QAction* a : w.menuBar()->actions()) captions << a->text();
  EXPECT_EQ(captions, (QStringList{"&Codigos de Barras", "Copy&Right...", "&Terminar", "Prueba &6"}));
  for (QAction* a : w.menuBar()->actions()) EXPECT_EQ(a->menu(), nullptr) << a->text().toStdString();

  EXPECT_EQ(w.statusBar()->height(), 23);
  EXPECT_EQ(w.webLink()->text(), QStringLiteral("www.quorvalent.es"));
  EXPECT_EQ(w.webLink()->toolTip(), QStringLiteral("Visite nuestra página\nhttps://www.quorvalent.es/"));
  EXPECT_EQ(w.webLink()->width(), 190);
  EXPECT_TRUE(w.webLink()->font().underline());
  EXPECT_FALSE(w.webLink()->icon().isNull());
  EXPECT_EQ(w.keyboardIndicator()->text(), QStringLiteral("SOB"));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d{4}$")).match(w.dateIndicator()->text()).hasMatch());
  EXPECT_FALSE(w.client()->logo().isNull());
  EXPECT_FALSE(w.windowIcon().isNull());
}

TEST(MainWindow, FiveButtonsWithTheirBitmapsAndTooltips) {
  Counted c;
  qv::MainWindow w(c.actions());
  const QList<QToolButton*> buttons = barButtons(w);
  ASSERT_EQ(buttons.size(), 5);
  const QStringList names = {"Barras1", "CALCUL", "mn_Help", "Automant", "Salir"};
  const QStringList tips = {"Manejo de Códigos", "Calculadora", "Ayuda en línea", "Automantenimiento general",
                            "Cerrar la aplicacion"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(buttons[i]->objectName(), names[i]);
    EXPECT_EQ(buttons[i]->toolTip(), tips[i]);
    EXPECT_EQ(buttons[i]->size(), QSize(52, 52));
    EXPECT_FALSE(buttons[i]->icon().isNull()) << names[i].toStdString();
  }
  int separators = 0;
  for (QAction* a : w.buttonBar()->actions()) separators += a->isSeparator() ? 1 : 0;
  EXPECT_EQ(separators, 4);
  EXPECT_TRUE(w.buttonBar()->actions().front()->isSeparator() == false);
  EXPECT_EQ(w.buttonBar()->contextMenuPolicy(), Qt::PreventContextMenu);

  buttons[0]->click();
  buttons[1]->click();
  buttons[2]->click();
  buttons[3]->click();
  EXPECT_EQ(c.panel, 1);
  EXPECT_EQ(c.calc, 1);
  EXPECT_EQ(c.help, 1);
  EXPECT_EQ(c.maint, 1);
}

TEST(MainWindow, MenuItemsActDirectly) {
  Counted c;
  qv::MainWindow w(c.actions());
  const QList<QAction*> items = w.menuBar()->actions();
  items[0]->trigger();
  items[1]->trigger();
  items[3]->trigger();
  EXPECT_EQ(c.panel, 1);
  EXPECT_EQ(c.about, 1);
  EXPECT_EQ(c.test, 1);
}

TEST(MainWindow, ScreensNotYetThereSaySo) {
  xb::ScriptedPrompter p;
  xb::PrompterGuard g(p);
  qv::MainWindow w(qv::ShellActions{});
  w.menuBar()->actions()[0]->trigger();
  barButtons(w)[3]->click();
  ASSERT_EQ(p.asked.size(), 2u);
  for (const auto& a : p.asked) {
    EXPECT_EQ(a.kind, "message");
    EXPECT_EQ(a.text, qv::texts::kNotYet);
  }
}

TEST(MainWindow, LinkOpensThePageOnlyWhenConnected) {
  xb::ScriptedPrompter p;
  xb::PrompterGuard g(p);
  Counted c;
  qv::MainWindow w(c.actions());
  c.connected = false;
  w.webLink()->click();
  EXPECT_EQ(c.web, 0);
  ASSERT_EQ(p.asked.size(), 1u);
  EXPECT_EQ(p.asked[0].title, "Atención.....");
  EXPECT_EQ(p.asked[0].text, "No está conectado a Internet.\n\nPor favor conéctese y vuelva a intentarlo.");
  c.connected = true;
  w.webLink()->click();
  EXPECT_EQ(c.web, 1);
  EXPECT_EQ(p.asked.size(), 1u);
}

TEST(MainWindow, LeavingNeedsTheFirstButton) {
  struct Case {
    int answer;
    bool closes;
  };
  for (const Case k : {Case{2, false}, Case{0, false}, Case{1, true}}) {
    xb::ScriptedPrompter p;
    xb::PrompterGuard g(p);
    p.alertAnswers = {k.answer};
    Counted c;
    qv::MainWindow w(c.actions());
    w.show();
    EXPECT_EQ(w.close(), k.closes) << k.answer;
    EXPECT_EQ(w.isVisible(), !k.closes) << k.answer;
    ASSERT_EQ(p.asked.size(), 1u);
    EXPECT_EQ(p.asked[0].kind, "alert");
    EXPECT_EQ(p.asked[0].text, "Desea terminar su sesión ?");
    EXPECT_EQ(p.asked[0].buttons, (std::vector<std::string>{"   &Si   ", "   &No   "}));
    EXPECT_EQ(p.asked[0].title, "Seleccione su opción");
  }
}

TEST(MainWindow, MenuAndSalirButtonAskBeforeClosing) {
  xb::ScriptedPrompter p;
  xb::PrompterGuard g(p);
  p.alertAnswers = {2, 2};
  Counted c;
  qv::MainWindow w(c.actions());
  w.show();
  w.menuBar()->actions()[2]->trigger();
  barButtons(w)[4]->click();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(p.asked.size(), 2u);
}

TEST(AboutBox, ComesFromItsTemplateWithItsControls) {
  std::unique_ptr<QWidget> dlg = ui::resourceDialog(ui::mainResourceRoot(), QStringLiteral("Dlg_Acerca_De"), nullptr);
  ASSERT_NE(dlg, nullptr);
  for (int id : {150, 151, 110, 701, 201}) EXPECT_NE(ui::controlById(dlg.get(), id), nullptr) << id;
  auto* ok = qobject_cast<QPushButton*>(ui::controlById(dlg.get(), 201));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), QStringLiteral("&Ok"));
}

TEST(AboutBox, OkCloses) {
  bool closed = false;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    auto* l = qobject_cast<QLabel*>(ui::controlById(box, 150));
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->text(), QString::fromUtf8(qv::texts::kAboutLine1));
    qobject_cast<QPushButton*>(ui::controlById(box, 201))->click();
    closed = true;
  });
  qv::showAboutBox(nullptr);
  EXPECT_TRUE(closed);
}

TEST(TestWindow, DrawsTheCode39BarcodeUnderItsTitle) {
  qv::TestWindow w("123" + std::string(22, ' '));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("1230000000000"));
  EXPECT_EQ(w.size(), QSize(1000, 600));
  const QImage img = w.grab().toImage();
  // bars inside the box (30..330, 20..120) and nothing dark below it
  int dark = 0, darkBelow = 0;
  for (int x = 0; x < 1000; ++x) {
    if (qGray(img.pixel(x, 100)) < 80) ++dark;
    if (qGray(img.pixel(x, 300)) < 80) ++darkBelow;
  }
  EXPECT_GT(dark, 20);
  EXPECT_EQ(darkBelow, 0);
  EXPECT_EQ(img.pixelColor(900, 500), QColor(255, 255, 245));
}

TEST(Final, RunsItsStepsOnce) {
  int runs = 0;
  qv::atFinal([&] { ++runs; });
  qv::FINAL();
  qv::FINAL();
  EXPECT_EQ(runs, 1);
}

}  // namespace

namespace {

TEST(MemoryInfo, ShowsThreeLinesOfTheProcessFigures) {
  xb::ScriptedPrompter p;
  xb::PrompterGuard g(p);
  qv::CHECKMIMEMORIA();
  ASSERT_EQ(p.asked.size(), 1u);
  const std::string& t = p.asked[0].text;
  EXPECT_EQ(t.rfind("MemUsed: ", 0), 0u) << t;
  EXPECT_NE(t.find("\r\nMemMax : "), std::string::npos) << t;
  EXPECT_NE(t.find("\r\nResources: "), std::string::npos) << t;
  EXPECT_EQ(t.back(), '%');
  EXPECT_EQ(qv::GETSYSFONT(), "Ms Sans Serif");
}

}  // namespace
