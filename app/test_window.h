// The barcode test window of the menu item "Prueba &6".
#pragma once

#include <QDialog>
#include <string>

namespace qv {

// The window: 1000 x 600, black on RGB(255,255,245), titled by
// testWindowTitle() of `cCodigo`; shows "prueba" and draws "123" as Code 39
// without check character through the window barcode object.
class TestWindow : public QDialog {
  Q_OBJECT
 public:
  TestWindow(const std::string& cCodigo, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* e) override;
};

// Shows the window modally, centred, for the current code.
void showTestWindow(QWidget* owner);

}  // namespace qv
