#include "app/inicio.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QTimer>
#include <algorithm>
#include <sys/resource.h>

#include "app/app_values.h"
#include "app/final_exit.h"
#include "app/main_window.h"
#include "app/shell_actions.h"
#include "data/catalog.h"
#include "errors/error_sys.h"
#include "errors/qt_prompter.h"
#include "app/meter_progress.h"
#include "print/preview.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "xbase/error.h"
#include "xbase/prompt.h"

namespace qv {

namespace {

// Start-up milestones, silent unless enabled (QT_LOGGING_RULES="qv.start.info=true"):
// the fresh-machine check reads them to know the main window came up and the
// program ended through its exit procedure.
Q_LOGGING_CATEGORY(lcStart, "qv.start", QtWarningMsg)

// Makes sure the process may hold at least 99 open files.
void askForFileHandles() {
  constexpr rlim_t kWanted = 99;
  rlimit lim{};
  if (getrlimit(RLIMIT_NOFILE, &lim) != 0 || lim.rlim_cur >= kWanted) return;
  lim.rlim_cur = std::min(kWanted, lim.rlim_max);
  setrlimit(RLIMIT_NOFILE, &lim);
}

}  // namespace

QString applicationStyleSheet() {
  return QStringLiteral(
      "QLineEdit:focus, QPlainTextEdit:focus, QTextEdit:focus, QSpinBox:focus, QDoubleSpinBox:focus, "
      "QDateEdit:focus { background-color: rgb(240, 240, 255); }"
      "QToolTip { border: 1px solid rgb(0, 0, 128); border-radius: 6px; padding: 3px; "
      "background-color: rgb(255, 255, 225); color: black; }");
}

int INICIO(QApplication& app, const QString& resourceFolder) {
  ERRORSYS();
  createAppValues();
  applyRunSettings();
  askForFileHandles();

  QtPrompter prompter;
  xb::PrompterGuard prompterGuard(prompter);
  MeterProgressRun progress;
  qv::setProgressRun(&progress);
  atFinal([] { qv::setProgressRun(nullptr); });
  installEndSignals(app);
  atFinal(closeAllTables);

  const QString folder = resourceFolder.isEmpty() ? QApplication::applicationDirPath() : resourceFolder;
  std::unique_ptr<ui::ResourceFile> resources =
      ui::ResourceFile::load(QDir(folder).filePath(ui::mainResourceFileName()), ui::mainResourceRoot());
  atFinal([&resources] { resources.reset(); });
  pr::SETMULTIPREVIEW(false);
  createRunStore();

  app.setStyleSheet(applicationStyleSheet());

  PUBLIBASES();
  ABREBASES();

  int code = 0;
  {
    MainWindow window(programActions());
    pr::setPreviewOwner(&window);
    window.showCentredMaximized();
    QTimer::singleShot(0, &window, [&window] {
      qCInfo(lcStart).noquote() << "ventana principal:" << window.windowTitle();
    });
    code = app.exec();
    pr::setPreviewOwner(nullptr);
  }
  closeAllTables();
  resources.reset();
  FINAL();
  qCInfo(lcStart) << "fin del programa, código" << code;
  return code;
}

}  // namespace qv
