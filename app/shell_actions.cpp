#include "app/shell_actions.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QUrl>

#include "app/app_texts.h"
#include "app/main_panel.h"
#include "app/shell_rules.h"
#include "app/test_window.h"
#include "data/mantenimiento.h"
#include "errors/alert.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "xbase/prompt.h"
#include "ui/widget_helpers.h"

namespace qv {

namespace {

constexpr int kConnectTimeoutMs = 4000;
const QPoint kAboutAt(270, 240);

void stop(const std::string& text) { xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, text); }

}  // namespace

ShellActions programActions() {
  ShellActions a;
  a.mainPanel = [] { PANEL_PRINC(QApplication::activeWindow()); };
  a.calculator = startCalculator;
  a.help = openHelp;
  a.testWindow = [] { showTestWindow(QApplication::activeWindow()); };
  a.about = [] { showAboutBox(QApplication::activeWindow()); };
  a.internetCheck = ESTAMOSCONECTADOSAINTERNET;
  a.openWebPage = openWebPage;
  a.memoryInfo = CHECKMIMEMORIA;
  a.confirmLeave = confirmLeave;
  a.maintenance = AUTOMANTEN;
  return a;
}

bool confirmLeave() {
  return ALERT(texts::kLeaveQuestion, {texts::kLeaveYes, texts::kLeaveNo}, texts::kLeaveTitle) == 1;
}

void showAboutBox(QWidget* owner) {
  const QString root = ui::mainResourceRoot();
  std::unique_ptr<QWidget> w = ui::resourceDialog(root, QStringLiteral("Dlg_Acerca_De"), owner);
  auto* dlg = qobject_cast<QDialog*>(w.get());
  if (!dlg) return;
  dlg->setWindowTitle(QString::fromUtf8(texts::kAboutTitle));
  if (auto* l = qobject_cast<QLabel*>(ui::controlById(dlg, 150))) l->setText(QString::fromUtf8(texts::kAboutLine1));
  if (auto* l = qobject_cast<QLabel*>(ui::controlById(dlg, 151))) l->setText(QString::fromUtf8(texts::kAboutLine2));
  if (auto* l = qobject_cast<QLabel*>(ui::controlById(dlg, 110)))
    l->setPixmap(ui::resourceIcon(root, QStringLiteral("Quorvlnt")).pixmap(l->size()));
  if (auto* b = qobject_cast<QPushButton*>(ui::controlById(dlg, 201)))
    QObject::connect(b, &QPushButton::clicked, dlg, &QDialog::accept);
  dlg->move((owner ? owner->geometry().topLeft() : QPoint()) + kAboutAt);
  ui::execModal(*dlg);
}

void startCalculator() {
  const QString program = firstCalculator(calculatorCandidates(), [](const QString& name) {
    return QStandardPaths::findExecutable(name);
  });
  if (program.isEmpty()) {
    stop(texts::kNoCalculator);
    return;
  }
  if (!QProcess::startDetached(program, {})) stop(texts::kCalculatorFailed + program.toStdString());
}

void openHelp() {
  const QString name = QString::fromUtf8(texts::kHelpFile);
  QString path = QDir::current().filePath(name);
  if (!QFileInfo::exists(path)) path = QDir(QApplication::applicationDirPath()).filePath(name);
  if (!QFileInfo::exists(path)) {
    stop(texts::kNoHelp + name.toStdString());
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) stop(texts::kHelpFailed + path.toStdString());
}

bool ESTAMOSCONECTADOSAINTERNET() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const struct RestoreCursor {
    ~RestoreCursor() { QGuiApplication::restoreOverrideCursor(); }
  } restore;
  const QUrl url(QString::fromUtf8(texts::kWebUrl));
  QTcpSocket socket;
  socket.connectToHost(url.host(), quint16(url.port(url.scheme() == QLatin1String("https") ? 443 : 80)));
  const bool ok = socket.waitForConnected(kConnectTimeoutMs);
  socket.abort();
  return ok;
}

void openWebPage() { QDesktopServices::openUrl(QUrl(QString::fromUtf8(texts::kWebUrl))); }

void CHECKMIMEMORIA() {
  xb::prompter().message(xb::MsgKind::Info, texts::kMemoryTitle, memoryReport(currentMemory()));
}

std::string GETSYSFONT() { return "Ms Sans Serif"; }

}  // namespace qv
