// How typing behaves in every input field of the program: it starts in
// overwrite mode (a typed character replaces the one after the cursor), the
// Insert key switches between overwrite and insert for the whole program,
// and the Up and Down arrows leave a one-line field for the previous or next
// control, as Shift+Tab and Tab do. The keys are watched once for the whole
// application; the status bar shows the mode in force through changed().
#pragma once

#include <QObject>

namespace ui {

class InputMode : public QObject {
  Q_OBJECT
 public:
  bool insertMode() const { return insert_; }
  void setInsertMode(bool on);

 signals:
  void changed(bool insertMode);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  friend InputMode& inputMode();
  InputMode() = default;
  bool insert_ = false;
};

// The program's input mode; the first call starts watching the keys of the
// running application (a QApplication must exist).
InputMode& inputMode();

}  // namespace ui
