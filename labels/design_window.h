// The design editor's window inside: its controls and what they show,
// shared by the file that lays the window out and runs it
// (design_dialog.cpp) and the file of the item properties form
// (design_form.cpp).
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "labels/design_editor.h"
#include "labels/label_layout.h"
#include "labels/sample_product.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace lb {

inline QString qs(const std::string& utf8) { return QString::fromStdString(utf8); }
inline std::string us(const QString& s) { return s.toStdString(); }
// A drop-down list of the captions given (UTF-8).
QComboBox* combo(std::initializer_list<const char*> captions);

// The editor's window: closing it (Cerrar, Escape, the title bar) asks
// first about changes not saved, while it is still in view.
class EditorWindow final : public QDialog {
 public:
  using QDialog::QDialog;
  std::function<bool()> mayClose;
  void reject() override {
    if (!mayClose || mayClose()) QDialog::reject();
  }
};

// The window's controls and state; its rules are the editor's.
struct DesignWindow {
  std::unique_ptr<EditorWindow> dlg;
  std::unique_ptr<DesignEditor> editor;
  std::unique_ptr<SampleProduct> sample;
  std::string productAlias;
  LabelRunValues run;
  double printerDpi = 300;
  bool refreshing = false;

  QListWidget* designs = nullptr;
  QLineEdit* name = nullptr;
  QListWidget* items = nullptr;
  QStackedWidget* pages = nullptr;
  QCheckBox* sameLine = nullptr;
  // Text
  QLineEdit* expression = nullptr;
  QComboBox* fieldPicker = nullptr;
  QLabel* exprError = nullptr;
  QComboBox* face = nullptr;
  QDoubleSpinBox* size = nullptr;
  QCheckBox *bold = nullptr, *italic = nullptr, *underline = nullptr, *strike = nullptr;
  QComboBox* align = nullptr;
  QDoubleSpinBox* angle = nullptr;
  QComboBox* textColour = nullptr;
  // Barcode
  QComboBox* encoded = nullptr;
  QDoubleSpinBox* module = nullptr;
  QLabel* magnification = nullptr;
  QDoubleSpinBox* barHeight = nullptr;
  QCheckBox *digits = nullptr, *vertical = nullptr, *check = nullptr;
  QComboBox* codeSet = nullptr;
  QComboBox* barPlace = nullptr;
  QComboBox* barColour = nullptr;
  // Picture
  QLineEdit* picture = nullptr;
  QDoubleSpinBox* scale = nullptr;
  QComboBox* picturePlace = nullptr;
  // Preview
  QLabel* preview = nullptr;
  QComboBox* zoom = nullptr;
  QCheckBox* wholeSheet = nullptr;
  QComboBox* product = nullptr;
  QLabel* findings = nullptr;
  QPushButton *save = nullptr, *undo = nullptr, *redo = nullptr;

  void build();
  QWidget* textPage();
  QWidget* barcodePage();
  QWidget* picturePage();
  QComboBox* colourCombo();
  // A form control changes one property of the item selected.
  void bindFlag(QCheckBox* c, bool DesignItem::*member);
  void bindNumber(QDoubleSpinBox* s, const std::string& key, void (*set)(DesignItem&, double));
  void bindColour(QComboBox* c);
  void bindPlace(QComboBox* c);
  void fillFieldPickers();

  void refresh();
  void showItem();
  void showItems();
  void showState();
  void showMagnification(const DesignItem& i);
  void redraw();
  void edit(const std::function<void(DesignItem&)>& fn, const std::string& key = {});
  void after();

  bool keepOrDrop();
  void openDesign(int row);
  void newDesign();
  void copyDesign();
  void deleteDesign();
  void importDesign();
  void exportDesign();
  void choosePicture();
  void insertLiteral();
  void saveDesign();
  void chooseProduct(int index);
};

}  // namespace lb
