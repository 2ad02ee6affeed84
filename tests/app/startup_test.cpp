// The whole start-up and shutdown, offscreen, in a temporary data folder
// holding the shipped files.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <unistd.h>

#include "app/inicio.h"
#include "app/main_window.h"
#include "data/engine/workspace.h"
#include "errors/alert.h"
#include "tests/ui/qt_app.h"

namespace {

namespace fs = std::filesystem;

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("qv_startup_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const auto& e : fs::directory_iterator(fs::path(QV_BINARY_DIR) / "shipped"))
      fs::copy_file(e.path(), dir_ / e.path().filename());
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  bool tableOpen(const char* alias) { return xb::engine::workAreas().find(alias) != nullptr; }
  fs::path old_, dir_;
};

qv::MainWindow* mainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* m = qobject_cast<qv::MainWindow*>(w)) return m;
  return nullptr;
}

// Presses button `n` (1-based) of the message box that is open then.
void answerAlert(int n, std::string* asked) {
  QTimer::singleShot(0, [n, asked] {
    auto* box = qobject_cast<qv::AlertDialog*>(QApplication::activeModalWidget());
    if (!box) return;
    *asked = box->windowTitle().toStdString() + "|" + box->textArea()->toPlainText().toStdString();
    box->buttons()[n - 1]->click();
  });
}

TEST_F(Startup, RunsUntilTheUserConfirmsLeaving) {
  bool openWhileRunning = false, selectedCodPro2 = false, stillOpenAfterNo = false, visibleAfterNo = false;
  std::string asked1, asked2;
  QTimer::singleShot(0, [&] {
    qv::MainWindow* w = mainWindow();
    ASSERT_NE(w, nullptr);
    openWhileRunning = tableOpen("Labels2") && tableOpen("DatosEti2") && tableOpen("CodPro2");
    auto& areas = xb::engine::workAreas();
    selectedCodPro2 = areas.selected() == areas.areaOf("CodPro2");
    answerAlert(2, &asked1);
    w->close();
    stillOpenAfterNo = tableOpen("CodPro2") && tableOpen("Labels2");
    visibleAfterNo = w->isVisible();
    answerAlert(1, &asked2);
    w->close();
  });
  EXPECT_EQ(qv::INICIO(*qApp, QStringLiteral(QV_BINARY_DIR "/bin")), 0);
  EXPECT_TRUE(openWhileRunning);
  EXPECT_TRUE(selectedCodPro2);
  EXPECT_TRUE(stillOpenAfterNo);
  EXPECT_TRUE(visibleAfterNo);
  EXPECT_EQ(asked1, "Seleccione su opción|Desea terminar su sesión ?");
  EXPECT_EQ(asked2, asked1);
  EXPECT_FALSE(tableOpen("CodPro2"));
  EXPECT_FALSE(tableOpen("Labels2"));
  for (const char* f : {"LABELSX.CDX", "CODETI.CDX", "CODIPROX.CDX"}) EXPECT_TRUE(fs::exists(dir_ / f)) << f;
}

TEST_F(Startup, ASignalToEndClosesTheTablesWithoutAsking) {
  bool open = false;
  QTimer::singleShot(0, [&] {
    open = tableOpen("CodPro2");
    ::raise(SIGTERM);
  });
  EXPECT_EQ(qv::INICIO(*qApp, QStringLiteral(QV_BINARY_DIR "/bin")), 0);
  EXPECT_TRUE(open);
  EXPECT_FALSE(tableOpen("CodPro2"));
  EXPECT_EQ(mainWindow(), nullptr);
}

}  // namespace
