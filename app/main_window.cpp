#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/app_texts.h"
#include "app/shell_rules.h"
#include "ui/input_mode.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "xbase/dates.h"
#include "xbase/prompt.h"

namespace qv {

namespace {

constexpr int kButtonSize = 52;
constexpr int kStatusHeight = 23;
constexpr int kLinkWidth = 190;
// top 1, left 1, bottom 500, right 700
const QRect kInitialRect(QPoint(1, 1), QPoint(700, 500));

QString tr8(const char* s) { return QString::fromUtf8(s); }

// Runs an action, or says that its screen is not available yet.
void runOrNotYet(const std::function<void()>& f) {
  if (f)
    f();
  else
    xb::prompter().message(xb::MsgKind::Info, texts::kAttention, texts::kNotYet);
}

}  // namespace

LogoMdiArea::LogoMdiArea(QWidget* parent) : QMdiArea(parent) {}

void LogoMdiArea::setLogo(const QPixmap& logo) {
  logo_ = logo;
  viewport()->update();
}

void LogoMdiArea::paintEvent(QPaintEvent* e) {
  QMdiArea::paintEvent(e);
  if (logo_.isNull()) return;
  QPainter p(viewport());
  p.drawPixmap(logoTopLeft(viewport()->size(), logo_.size()), logo_);
}

MainWindow::MainWindow(ShellActions actions, QWidget* parent) : QMainWindow(parent), actions_(std::move(actions)) {
  const QString root = ui::mainResourceRoot();
  setWindowTitle(tr8(texts::kMainTitle));
  setGeometry(kInitialRect);
  setWindowIcon(ui::resourceIcon(root, QStringLiteral("Quorvlnt")));

  client_ = new LogoMdiArea(this);
  client_->setBackground(QBrush(ui::resourceBitmap(root, QStringLiteral("Fondo01.bmp"))));
  client_->setLogo(ui::resourceBitmap(root, QStringLiteral("Quorva.bmp")));
  QPalette pal = client_->palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  pal.setColor(QPalette::Window, QColor(0, 0, 255));
  client_->setPalette(pal);
  setCentralWidget(client_);

  buildMenu();
  buildButtonBar();
  buildStatusBar();
}

void MainWindow::buildMenu() {
  QMenuBar* menu = menuBar();
  connect(menu->addAction(tr8(texts::kMenuCodes)), &QAction::triggered, this, [this] { runOrNotYet(actions_.mainPanel); });
  connect(menu->addAction(tr8(texts::kMenuAbout)), &QAction::triggered, this, [this] { runOrNotYet(actions_.about); });
  connect(menu->addAction(tr8(texts::kMenuEnd)), &QAction::triggered, this, &QWidget::close);
  connect(menu->addAction(tr8(texts::kMenuTest)), &QAction::triggered, this, [this] { runOrNotYet(actions_.testWindow); });

  auto* f5 = new QAction(this);
  f5->setShortcut(QKeySequence(Qt::Key_F5));
  f5->setShortcutContext(Qt::ApplicationShortcut);
  connect(f5, &QAction::triggered, this, [this] { runOrNotYet(actions_.memoryInfo); });
  addAction(f5);
}

void MainWindow::buildButtonBar() {
  bar_ = addToolBar(QStringLiteral("Botones"));
  bar_->setObjectName(QStringLiteral("buttonBar"));
  bar_->setMovable(false);
  bar_->setFloatable(false);
  bar_->setContextMenuPolicy(Qt::PreventContextMenu);
  bar_->setIconSize(QSize(kButtonSize - 10, kButtonSize - 10));
  struct Button {
    const char* bitmap;
    const char* tip;
    std::function<void()> action;
  };
  const Button buttons[] = {
      {"Barras1", texts::kTipCodes, [this] { runOrNotYet(actions_.mainPanel); }},
      {"CALCUL", texts::kTipCalc, [this] { runOrNotYet(actions_.calculator); }},
      {"mn_Help", texts::kTipHelp, [this] { runOrNotYet(actions_.help); }},
      {"Automant", texts::kTipMaint, [this] { runOrNotYet(actions_.maintenance); }},
      {"Salir", texts::kTipExit, [this] { close(); }},
  };
  bool first = true;
  for (const Button& b : buttons) {
    if (!first) bar_->addSeparator();
    first = false;
    auto* button = new QToolButton(bar_);
    button->setObjectName(QString::fromLatin1(b.bitmap));
    button->setIcon(QIcon(ui::resourceBitmap(ui::mainResourceRoot(), QString::fromLatin1(b.bitmap))));
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setIconSize(bar_->iconSize());
    button->setAutoRaise(false);
    button->setToolTip(tr8(b.tip));
    connect(button, &QToolButton::clicked, this, b.action);
    bar_->addWidget(button);
  }
}

void MainWindow::buildStatusBar() {
  QStatusBar* status = statusBar();
  status->setFixedHeight(kStatusHeight);
  status->clearMessage();
  status->setSizeGripEnabled(false);

  link_ = new QToolButton(status);
  link_->setObjectName(QStringLiteral("webLink"));
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(13);
  f.setBold(true);
  f.setUnderline(true);
  link_->setFont(f);
  link_->setAutoRaise(true);
  link_->setCursor(Qt::PointingHandCursor);
  link_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  link_->setIcon(QIcon(ui::resourceBitmap(ui::mainResourceRoot(), QStringLiteral("Explorer"))));
  link_->setIconSize(QSize(16, 16));
  link_->setText(tr8(texts::kWebShown));
  link_->setToolTip(tr8(texts::kLinkTip) + QLatin1Char('\n') + tr8(texts::kWebUrl));
  link_->setFixedWidth(kLinkWidth);
  QPalette pal = link_->palette();
  pal.setColor(QPalette::ButtonText, QColor(0, 0, 128));
  link_->setPalette(pal);
  connect(link_, &QToolButton::clicked, this, &MainWindow::linkClicked);
  status->addPermanentWidget(link_);

  keys_ = new QLabel(keyboardStateText(ui::inputMode().insertMode()), status);
  keys_->setObjectName(QStringLiteral("keyboardState"));
  keys_->setFrameShape(QFrame::Panel);
  keys_->setFrameShadow(QFrame::Sunken);
  keys_->setAlignment(Qt::AlignCenter);
  keys_->setMinimumWidth(40);
  status->addPermanentWidget(keys_);

  date_ = new QLabel(status);
  date_->setObjectName(QStringLiteral("date"));
  date_->setFrameShape(QFrame::Panel);
  date_->setFrameShadow(QFrame::Sunken);
  date_->setAlignment(Qt::AlignCenter);
  status->addPermanentWidget(date_);
  refreshDate();
  dateTimer_ = new QTimer(this);
  connect(dateTimer_, &QTimer::timeout, this, &MainWindow::refreshDate);
  dateTimer_->start(60 * 1000);

  connect(&ui::inputMode(), &ui::InputMode::changed, keys_,
          [this](bool insert) { keys_->setText(keyboardStateText(insert)); });
}

void MainWindow::refreshDate() { date_->setText(QString::fromStdString(xb::dateToText(xb::today()))); }

void MainWindow::linkClicked() {
  if (actions_.internetCheck && !actions_.internetCheck()) {
    xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, texts::kNotConnected);
    return;
  }
  runOrNotYet(actions_.openWebPage);
}

void MainWindow::showCentredMaximized() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
  showMaximized();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (actions_.confirmLeave && !actions_.confirmLeave()) {
    e->ignore();
    return;
  }
  e->accept();
}

}  // namespace qv
