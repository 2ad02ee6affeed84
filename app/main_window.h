// The main window: a multiple-document frame with the menu bar, the button
// bar, the status bar, the tiled background and the centre logo. Closing it
// (menu, button bar or the window's close box) asks for confirmation.
#pragma once

#include <QMainWindow>
#include <QMdiArea>
#include <QPixmap>
#include <functional>

class QLabel;
class QToolBar;
class QToolButton;
class QTimer;

namespace qv {

// What the window's commands do. Every action may be replaced (tests do);
// an empty one shows that the screen is not available yet.
struct ShellActions {
  std::function<void()> mainPanel;     // "&Codigos de Barras" / Barras1
  std::function<void()> maintenance;   // Automant
  std::function<void()> calculator;    // CALCUL
  std::function<void()> help;          // mn_Help
  std::function<void()> testWindow;    // "Prueba &6"
  std::function<void()> about;         // "Copy&Right..."
  std::function<bool()> internetCheck; // the status-bar link, before opening
  std::function<void()> openWebPage;   // the status-bar link, when connected
  std::function<void()> memoryInfo;    // F5
  // Asked before the window closes; true lets it close.
  std::function<bool()> confirmLeave;
};

// The client area of the frame: the background tile with the logo drawn
// centred on top.
class LogoMdiArea : public QMdiArea {
  Q_OBJECT
 public:
  explicit LogoMdiArea(QWidget* parent = nullptr);
  void setLogo(const QPixmap& logo);
  const QPixmap& logo() const { return logo_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QPixmap logo_;
};

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Builds the window from the main resource file's bitmaps and icon; the
  // actions not given in `actions` get the program's own.
  explicit MainWindow(ShellActions actions, QWidget* parent = nullptr);

  QToolBar* buttonBar() const { return bar_; }
  QToolButton* webLink() const { return link_; }
  LogoMdiArea* client() const { return client_; }
  QLabel* keyboardIndicator() const { return keys_; }
  QLabel* dateIndicator() const { return date_; }
  const ShellActions& actions() const { return actions_; }

  // Centres the window on the screen and shows it maximized.
  void showCentredMaximized();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void buildMenu();
  void buildButtonBar();
  void buildStatusBar();
  void refreshDate();
  void linkClicked();

  ShellActions actions_;
  LogoMdiArea* client_ = nullptr;
  QToolBar* bar_ = nullptr;
  QToolButton* link_ = nullptr;
  QLabel* keys_ = nullptr;
  QLabel* date_ = nullptr;
  QTimer* dateTimer_ = nullptr;
};

}  // namespace qv
