// A new code printed as a user prints it, with the program's real screens
// offscreen: the main window's first button opens the panel, the code typed
// on page 1 is not found, "&Incluir" opens the code dialog, "&Guardar /
// Imprimir" stores the code and opens the label generator, and its
// "&Imprimir" lays the sheet out in a preview. Keys and clicks reach the
// preview through the window system, where a modal screen blocks the windows
// it holds: the preview must take them while the generator, the code dialog
// and the panel are still open beneath it.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

#include "app/app_values.h"
#include "app/main_window.h"
#include "app/shell_actions.h"
#include "print/preview.h"
#include "print/printer_setup.h"
#include "tests/app/data_folder.h"
#include "tests/print/print_test_support.h"
#include "tests/ui/main_resources_env.h"
#include "ui/control_id.h"
#include "ui/qt_translations.h"

namespace {

using Btn = pr::TMULTIPREVIEW::Button;

// The modal screen in front when it holds control `id` (the panel 200, the
// code dialog 131, the generator 102), else null.
QWidget* screenWith(int id) {
  QWidget* w = QApplication::activeModalWidget();
  return w && ui::controlById(w, id) ? w : nullptr;
}

void click(QWidget* screen, int id) {
  auto* b = qobject_cast<QAbstractButton*>(ui::controlById(screen, id));
  ASSERT_NE(b, nullptr) << id;
  b->click();
}

// One step of the walk: what it waits for, and what it does then.
struct Step {
  std::function<bool()> ready;
  std::function<void()> act;
};

// Runs the steps in order, each once its wait is over, polling from the
// event loop that runs then (the modal screens run loops of their own); a
// wait gives up after 10 s. The next step starts waiting before a step acts,
// since acting may open a modal screen that returns only at the end.
void walk(std::shared_ptr<std::vector<Step>> steps, size_t i = 0) {
  if (i >= steps->size()) return;
  auto* timer = new QTimer(qApp);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, tries, steps, i] {
    if (!(*steps)[i].ready() && ++*tries < 500) return;
    timer->stop();
    timer->deleteLater();
    walk(steps, i + 1);
    (*steps)[i].act();
  });
  timer->start(20);
}

// A click at the centre of `w` and a key, delivered to its window as the
// window system delivers them.
void clickThroughWindow(QWidget* w) {
  QWidget* top = w->window();
  QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, w->mapTo(top, w->rect().center()));
}

class PrintWalk : public qvtest::DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    ui::loadQtTranslations(*qApp);
    qv::createAppValues();
    qv::createRunStore();
    qv::ABREBASES();
    pr::resetPrinterSetup();
    QPrinter& s = pr::printerSetup();
    s.setOutputFormat(QPrinter::PdfFormat);
    s.setResolution(300);
    s.setPageSize(QPageSize(QPageSize::A4));
    dialogs.pdfAnswer = (dir_ / "etiquetas.pdf").string();
  }
  void TearDown() override {
    pr::closeAllPreviews();
    pr::resetPrinterSetup();
    DataFolder::TearDown();
  }

  prtest::ScriptedPrinterDialogs dialogs;
  pr::PrinterDialogsGuard dialogsGuard{dialogs};
};

TEST_F(PrintWalk, ThePreviewOfTheLabelRunIsInFrontAndTakesInputWhileTheScreensStayOpen) {
  qv::MainWindow window(qv::programActions());
  pr::setPreviewOwner(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  struct Seen {
    bool previewActive = false, zoomBefore = false, zoomAfterKey = true, pdfWritten = false;
    bool screensOpen = false, generatorTookClick = false;
    int previews = 0;
  } seen;
  const std::string pdf = *dialogs.pdfAnswer;

  auto steps = std::make_shared<std::vector<Step>>();
  steps->push_back({[] { return screenWith(200) != nullptr; }, [] {
    QWidget* panel = screenWith(200);
    auto* code = qobject_cast<QLineEdit*>(ui::controlById(panel, 120));
    ASSERT_NE(code, nullptr);
    code->setFocus();
    QTest::keyClicks(code, QStringLiteral("7896009490651"));
    click(panel, 191);  // "&Continuar": not found
    click(panel, 221);  // "&Incluir"
  }});
  steps->push_back({[] { return screenWith(131) != nullptr; }, [] {
    QWidget* dlg = screenWith(131);
    auto* desc = qobject_cast<QLineEdit*>(ui::controlById(dlg, 131));
    ASSERT_NE(desc, nullptr);
    desc->setFocus();
    QTest::keyClicks(desc, QStringLiteral("galletas de avena"));
    click(dlg, 220);  // "&Guardar / Imprimir"
  }});
  steps->push_back({[] { return screenWith(102) != nullptr; }, [] { click(screenWith(102), 1); }});
  // The preview comes up active (or the step runs after the time limit and
  // finds it is not).
  steps->push_back({[] { return qobject_cast<pr::TMULTIPREVIEW*>(QApplication::activeWindow()) != nullptr; }, [&seen, pdf] {
    QWidget* generator = screenWith(102);
    auto* preview = qobject_cast<pr::TMULTIPREVIEW*>(QApplication::activeWindow());
    seen.previews = pr::openPreviews();
    seen.previewActive = preview != nullptr;
    seen.screensOpen = generator && generator->isVisible() && generator->parentWidget() &&
                       generator->parentWidget()->window()->isVisible();
    if (preview) {
      seen.zoomBefore = preview->lZoom();
      QTest::keyClick(preview->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
      seen.zoomAfterKey = preview->lZoom();
      clickThroughWindow(preview->button(Btn::BPdf));
      seen.pdfWritten = prtest::pdfPages(pdf) == 1;
      clickThroughWindow(preview->button(Btn::BExit));
      if (preview->isVisible()) preview->close();
    }
    // Back in the generator, which takes input again: its "&Salir" (and
    // when that click does not get through, the walk ends all the same).
    if (generator) {
      clickThroughWindow(ui::controlById(generator, 2));
      seen.generatorTookClick = !generator->isVisible();
      if (auto* dlg = qobject_cast<QDialog*>(generator); dlg && dlg->isVisible()) dlg->reject();
    }
  }});
  steps->push_back({[] { return screenWith(131) != nullptr; }, [] { clickThroughWindow(ui::controlById(screenWith(131), 222)); }});
  steps->push_back({[] { return screenWith(200) != nullptr; }, [] { clickThroughWindow(ui::controlById(screenWith(200), 202)); }});
  walk(steps);

  auto* first = window.findChild<QToolButton*>(QStringLiteral("Barras1"));
  ASSERT_NE(first, nullptr);
  first->click();  // runs the panel until the walk closes it

  EXPECT_EQ(seen.previews, 1);
  EXPECT_TRUE(seen.previewActive);
  EXPECT_TRUE(seen.screensOpen);
  EXPECT_TRUE(seen.zoomBefore);  // every preview opens zoomed
  EXPECT_FALSE(seen.zoomAfterKey);
  EXPECT_TRUE(seen.generatorTookClick);
  ASSERT_TRUE(seen.pdfWritten);
  EXPECT_EQ(pr::openPreviews(), 0);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  const QImage page = prtest::rasterise(pdf, 1, 300, QString::fromStdString(dir_.string()));
  ASSERT_FALSE(page.isNull());
  const QString png = QString::fromStdString((dir_ / "page.png").string());
  ASSERT_TRUE(page.save(png));
  const std::string decoded = prtest::run("zbarimg -q " + prtest::quoted(png.toStdString()) + " 2>/dev/null");
  EXPECT_NE(decoded.find("EAN-13:7896009490651"), std::string::npos) << decoded;
  pr::setPreviewOwner(nullptr);
}

}  // namespace
