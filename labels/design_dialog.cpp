#include "labels/design_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

#include "barcode/colors.h"
#include "labels/design_check.h"
#include "labels/design_editor.h"
#include "labels/design_picture.h"
#include "labels/design_preview.h"
#include "labels/sample_product.h"
#include "print/printer_setup.h"
#include "ui/widget_helpers.h"
#include "xbase/codepage.h"
#include "xbase/prompt.h"

namespace lb {
namespace {

QString qs(const std::string& utf8) { return QString::fromStdString(utf8); }
std::string us(const QString& s) { return s.toStdString(); }

// The colours by the names a user reads.
const char* colourCaption(std::string_view name) {
  static const std::pair<std::string_view, const char*> kNames[] = {
      {"CLR_BLACK", "Negro"},          {"CLR_BLUE", "Azul"},
      {"CLR_GREEN", "Verde"},          {"CLR_CYAN", "Cian"},
      {"CLR_RED", "Rojo"},             {"CLR_MAGENTA", "Magenta"},
      {"CLR_BROWN", "Marrón"},         {"CLR_HGRAY", "Gris claro"},
      {"CLR_LIGHTGRAY", "Gris oscuro"}, {"CLR_GRAY", "Gris oscuro"},
      {"CLR_HBLUE", "Azul intenso"},   {"CLR_HGREEN", "Verde intenso"},
      {"CLR_HCYAN", "Cian intenso"},   {"CLR_HRED", "Rojo intenso"},
      {"CLR_HMAGENTA", "Magenta intenso"}, {"CLR_YELLOW", "Amarillo"},
      {"CLR_WHITE", "Blanco"},
  };
  for (const auto& [n, caption] : kNames)
    if (n == name) return caption;
  return "";
}

// The module of EAN and UPC at 100 %, millimetres.
constexpr double kNominalModuleMm = 0.33;
constexpr double kDefaultModuleMm = 0.25;
constexpr double kDefaultBarMm = 15;

QString itemCaption(int n, const DesignItem& i, const std::vector<ProductField>& fields) {
  QString what;
  switch (i.kind) {
    case kKindText: what = QStringLiteral("Texto: ") + qs(i.campo); break;
    case kKindBarcode:
      what = QStringLiteral("Código de barras: ") + (i.numCampo >= 1 && size_t(i.numCampo) <= fields.size()
                                                          ? qs(fields[size_t(i.numCampo) - 1].name)
                                                          : QStringLiteral("campo %1").arg(int(i.numCampo)));
      break;
    case kKindPicture: what = QStringLiteral("Imagen: ") + qs(i.campo); break;
    default: what = QStringLiteral("Tipo desconocido (%1)").arg(QChar(i.kind)); break;
  }
  return QStringLiteral("%1  %2%3").arg(n).arg(what, i.mismaLinea ? QStringLiteral("  →") : QString());
}

QDoubleSpinBox* spin(double lo, double hi, int decimals, double step) {
  auto* s = new QDoubleSpinBox;
  s->setRange(lo, hi);
  s->setDecimals(decimals);
  s->setSingleStep(step);
  return s;
}

QComboBox* combo(std::initializer_list<const char*> captions) {
  auto* c = new QComboBox;
  for (const char* t : captions) c->addItem(QString::fromUtf8(t));
  return c;
}

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

}  // namespace

struct DesignDialog::Parts {
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

DesignDialog::DesignDialog() : p_(std::make_unique<Parts>()) {}
DesignDialog::~DesignDialog() = default;
QDialog* DesignDialog::dialog() const { return p_->dlg.get(); }
DesignEditor& DesignDialog::editor() { return *p_->editor; }

QComboBox* DesignDialog::Parts::colourCombo() {
  auto* c = new QComboBox;
  for (const bc::NamedColor& n : bc::ColorNames()) {
    QPixmap swatch(14, 14);
    swatch.fill(QColor(int(n.value & 0xFF), int((n.value >> 8) & 0xFF), int((n.value >> 16) & 0xFF)));
    c->addItem(QIcon(swatch), QString::fromUtf8(colourCaption(n.name)) + " (" + QString::fromUtf8(n.name.data(), qsizetype(n.name.size())) + ")",
               QString::fromUtf8(n.name.data(), qsizetype(n.name.size())));
  }
  return c;
}

QWidget* DesignDialog::Parts::textPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  expression = new QLineEdit;
  expression->setObjectName("expression");
  expression->setMaxLength(int(kCampoWidth));
  fieldPicker = new QComboBox;
  fieldPicker->setObjectName("fieldPicker");
  auto* literal = new QPushButton(QStringLiteral("Añadir texto &fijo…"));
  auto* row = new QHBoxLayout;
  row->addWidget(fieldPicker, 1);
  row->addWidget(literal);
  exprError = new QLabel;
  exprError->setObjectName("expressionError");
  exprError->setWordWrap(true);
  exprError->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
  face = new QComboBox;
  face->setObjectName("face");
  face->addItems(QFontDatabase::families());
  size = spin(0, 999, 2, 1);
  size->setObjectName("size");
  auto* styles = new QHBoxLayout;
  bold = new QCheckBox(QStringLiteral("Negrita"));
  italic = new QCheckBox(QStringLiteral("Cursiva"));
  underline = new QCheckBox(QStringLiteral("Subrayado"));
  strike = new QCheckBox(QStringLiteral("Tachado"));
  for (QCheckBox* c : {bold, italic, underline, strike}) styles->addWidget(c);
  align = combo({"Como el elemento anterior", "A la izquierda", "Centrado en la etiqueta", "A la derecha de la etiqueta"});
  align->setObjectName("align");
  angle = spin(0, 359, 0, 15);
  textColour = colourCombo();
  form->addRow(QStringLiteral("&Expresión"), expression);
  form->addRow(QStringLiteral("Insertar"), row);
  form->addRow(QString(), exprError);
  form->addRow(QStringLiteral("Tipo de letra"), face);
  form->addRow(QStringLiteral("Tamaño (puntos)"), size);
  form->addRow(QStringLiteral("Estilo"), styles);
  form->addRow(QStringLiteral("&Alineación"), align);
  form->addRow(QStringLiteral("Ángulo (grados)"), angle);
  form->addRow(QStringLiteral("Color"), textColour);

  QObject::connect(expression, &QLineEdit::textEdited, page, [this](const QString& t) {
    edit([&](DesignItem& i) { i.campo = us(t); }, "campo");
  });
  QObject::connect(fieldPicker, qOverload<int>(&QComboBox::activated), page, [this](int index) {
    if (index <= 0) return;
    const QString name = fieldPicker->itemText(index);
    const QString now = expression->text().trimmed();
    expression->setText(now.isEmpty() ? name : now + " + " + name);
    fieldPicker->setCurrentIndex(0);
    edit([&](DesignItem& i) { i.campo = us(expression->text()); });
  });
  QObject::connect(literal, &QPushButton::clicked, page, [this] { insertLiteral(); });
  QObject::connect(face, &QComboBox::currentTextChanged, page,
                   [this](const QString& f) { edit([&](DesignItem& i) { i.fuente = us(f); }); });
  QObject::connect(size, &QDoubleSpinBox::valueChanged, page,
                   [this](double v) { edit([&](DesignItem& i) { i.tamano = v; }, "tamano"); });
  const auto flag = [this, page](QCheckBox* c, bool DesignItem::*member) {
    QObject::connect(c, &QCheckBox::toggled, page, [this, member](bool on) { edit([&](DesignItem& i) { i.*member = on; }); });
  };
  flag(bold, &DesignItem::negrita);
  flag(italic, &DesignItem::cursiva);
  flag(underline, &DesignItem::subrayado);
  flag(strike, &DesignItem::tachado);
  QObject::connect(align, qOverload<int>(&QComboBox::currentIndexChanged), page,
                   [this](int a) { edit([&](DesignItem& i) { setAlign(i, ItemAlign(a)); }); });
  QObject::connect(angle, &QDoubleSpinBox::valueChanged, page,
                   [this](double v) { edit([&](DesignItem& i) { i.angulo = v; }, "angulo"); });
  QObject::connect(textColour, qOverload<int>(&QComboBox::currentIndexChanged), page, [this](int) {
    edit([&](DesignItem& i) { i.color = us(textColour->currentData().toString()); });
  });
  return page;
}

QWidget* DesignDialog::Parts::barcodePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  encoded = new QComboBox;
  encoded->setObjectName("encoded");
  module = spin(0, 2, 3, 0.01);
  module->setObjectName("module");
  magnification = new QLabel;
  auto* moduleRow = new QHBoxLayout;
  moduleRow->addWidget(module);
  moduleRow->addWidget(magnification, 1);
  barHeight = spin(0, 999, 1, 1);
  barHeight->setObjectName("barHeight");
  digits = new QCheckBox(QStringLiteral("Con los dígitos (EAN, UPC)"));
  vertical = new QCheckBox(QStringLiteral("Vertical"));
  check = new QCheckBox(QStringLiteral("Con carácter de control (Code 39, 2 de 5)"));
  codeSet = combo({"Automático", "A", "B", "C"});
  barPlace = combo({"En el cursor", "Centrado en la etiqueta", "A la derecha de la etiqueta"});
  barPlace->setObjectName("barPlace");
  barColour = colourCombo();
  form->addRow(QStringLiteral("Campo codificado"), encoded);
  form->addRow(QStringLiteral("Ancho de módulo (mm)"), moduleRow);
  form->addRow(QStringLiteral("Alto de las barras (mm)"), barHeight);
  form->addRow(QString(), digits);
  form->addRow(QString(), vertical);
  form->addRow(QStringLiteral("Juego de Code 128"), codeSet);
  form->addRow(QString(), check);
  form->addRow(QStringLiteral("&Posición"), barPlace);
  form->addRow(QStringLiteral("Color"), barColour);

  QObject::connect(encoded, qOverload<int>(&QComboBox::currentIndexChanged), page,
                   [this](int f) { edit([&](DesignItem& i) { i.numCampo = f + 1; }); });
  QObject::connect(module, &QDoubleSpinBox::valueChanged, page,
                   [this](double mm) { edit([&](DesignItem& i) { i.anchoMod = mm * 10; }, "anchomod"); });
  QObject::connect(barHeight, &QDoubleSpinBox::valueChanged, page,
                   [this](double mm) { edit([&](DesignItem& i) { i.altoBarra = mm / 10; }, "altobarra"); });
  const auto flag = [this, page](QCheckBox* c, bool DesignItem::*member) {
    QObject::connect(c, &QCheckBox::toggled, page, [this, member](bool on) { edit([&](DesignItem& i) { i.*member = on; }); });
  };
  flag(digits, &DesignItem::conDigitos);
  flag(vertical, &DesignItem::vertical);
  flag(check, &DesignItem::control);
  QObject::connect(codeSet, qOverload<int>(&QComboBox::currentIndexChanged), page, [this](int s) {
    edit([&](DesignItem& i) { i.juego128 = s == 0 ? std::string() : us(codeSet->itemText(s)); });
  });
  QObject::connect(barPlace, qOverload<int>(&QComboBox::currentIndexChanged), page,
                   [this](int place) { edit([&](DesignItem& i) { i.posicion = LabelPlace(place); }); });
  QObject::connect(barColour, qOverload<int>(&QComboBox::currentIndexChanged), page, [this](int) {
    edit([&](DesignItem& i) { i.color = us(barColour->currentData().toString()); });
  });
  return page;
}

QWidget* DesignDialog::Parts::picturePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  picture = new QLineEdit;
  picture->setReadOnly(true);
  auto* choose = new QPushButton(QStringLiteral("&Elegir…"));
  auto* row = new QHBoxLayout;
  row->addWidget(picture, 1);
  row->addWidget(choose);
  scale = spin(0, 99, 2, 0.1);
  picturePlace = combo({"En el cursor", "Centrada en la etiqueta", "A la derecha de la etiqueta"});
  form->addRow(QStringLiteral("Fichero"), row);
  form->addRow(QStringLiteral("Escala"), scale);
  form->addRow(QStringLiteral("&Posición"), picturePlace);
  QObject::connect(choose, &QPushButton::clicked, page, [this] { choosePicture(); });
  QObject::connect(scale, &QDoubleSpinBox::valueChanged, page,
                   [this](double v) { edit([&](DesignItem& i) { i.tamano = v; }, "escala"); });
  QObject::connect(picturePlace, qOverload<int>(&QComboBox::currentIndexChanged), page,
                   [this](int place) { edit([&](DesignItem& i) { i.posicion = LabelPlace(place); }); });
  return page;
}

void DesignDialog::Parts::fillFieldPickers() {
  const QSignalBlocker a(fieldPicker), b(encoded);
  fieldPicker->clear();
  encoded->clear();
  fieldPicker->addItem(QStringLiteral("Campo del producto…"));
  for (const ProductField& f : productFields(productAlias)) {
    fieldPicker->addItem(qs(f.name));
    encoded->addItem(qs(f.name));
  }
}

void DesignDialog::Parts::build() {
  dlg = std::make_unique<EditorWindow>(QApplication::activeWindow());
  dlg->mayClose = [this] { return keepOrDrop(); };
  dlg->setObjectName("DesignEditor");
  dlg->setWindowTitle(QString::fromUtf8(kDesignEditorTitle));
  dlg->resize(1180, 680);
  auto* top = new QHBoxLayout(dlg.get());

  // The designs.
  auto* left = new QVBoxLayout;
  auto* designsBox = new QGroupBox(QStringLiteral("Diseños"));
  auto* dl = new QVBoxLayout(designsBox);
  designs = new QListWidget;
  designs->setObjectName("designs");
  dl->addWidget(designs);
  auto* dButtons = new QGridLayout;
  const auto button = [](const char* caption, const char* objectName) {
    auto* b = new QPushButton(QString::fromUtf8(caption));
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    return b;
  };
  QPushButton* bNew = button("N&uevo", "newDesign");
  QPushButton* bCopy = button("C&opiar", "copyDesign");
  QPushButton* bDelete = button("&Borrar", "deleteDesign");
  QPushButton* bImport = button("&Importar…", "importDesign");
  QPushButton* bExport = button("E&xportar…", "exportDesign");
  dButtons->addWidget(bNew, 0, 0);
  dButtons->addWidget(bCopy, 0, 1);
  dButtons->addWidget(bDelete, 0, 2);
  dButtons->addWidget(bImport, 1, 0);
  dButtons->addWidget(bExport, 1, 1);
  dl->addLayout(dButtons);
  auto* nameRow = new QFormLayout;
  name = new QLineEdit;
  name->setObjectName("name");
  name->setMaxLength(int(kCampoWidth));
  nameRow->addRow(QStringLiteral("&Nombre"), name);
  dl->addLayout(nameRow);
  left->addWidget(designsBox, 1);

  // The items and their properties.
  auto* itemsBox = new QGroupBox(QStringLiteral("Elementos, en el orden en que se imprimen"));
  auto* il = new QVBoxLayout(itemsBox);
  items = new QListWidget;
  items->setObjectName("items");
  il->addWidget(items);
  auto* iButtons = new QGridLayout;
  QPushButton* addBar = button("+ &Código de barras", "addBarcode");
  QPushButton* addText = button("+ &Texto", "addText");
  QPushButton* addPicture = button("+ I&magen", "addPicture");
  QPushButton* remove = button("&Quitar", "removeItem");
  QPushButton* up = button("&Subir", "moveUp");
  QPushButton* down = button("Ba&jar", "moveDown");
  iButtons->addWidget(addBar, 0, 0);
  iButtons->addWidget(addText, 0, 1);
  iButtons->addWidget(addPicture, 0, 2);
  iButtons->addWidget(remove, 1, 0);
  iButtons->addWidget(up, 1, 1);
  iButtons->addWidget(down, 1, 2);
  il->addLayout(iButtons);
  left->addWidget(itemsBox, 1);
  top->addLayout(left, 3);

  auto* props = new QGroupBox(QStringLiteral("Propiedades del elemento"));
  auto* pl = new QVBoxLayout(props);
  pages = new QStackedWidget;
  pages->addWidget(new QLabel(QStringLiteral("Elija un elemento o añada uno.")));
  pages->addWidget(textPage());
  pages->addWidget(barcodePage());
  pages->addWidget(picturePage());
  pl->addWidget(pages);
  sameLine = new QCheckBox(QStringLiteral("El siguiente elemento sigue en la misma &línea"));
  sameLine->setObjectName("sameLine");
  pl->addWidget(sameLine);
  pl->addStretch(1);
  top->addWidget(props, 3);

  // The preview and the closing buttons.
  auto* right = new QVBoxLayout;
  auto* previewBox = new QGroupBox(QStringLiteral("Vista previa"));
  auto* vl = new QVBoxLayout(previewBox);
  auto* controls = new QHBoxLayout;
  zoom = combo({"50 %", "100 %", "200 %", "400 %"});
  zoom->setObjectName("zoom");
  zoom->setCurrentIndex(1);
  wholeSheet = new QCheckBox(QStringLiteral("&Hoja entera"));
  wholeSheet->setObjectName("wholeSheet");
  product = new QComboBox;
  product->setObjectName("product");
  controls->addWidget(new QLabel(QStringLiteral("Zoom")));
  controls->addWidget(zoom);
  controls->addWidget(wholeSheet);
  controls->addWidget(product, 1);
  vl->addLayout(controls);
  auto* scroll = new QScrollArea;
  preview = new QLabel;
  preview->setObjectName("preview");
  preview->setAlignment(Qt::AlignCenter);
  scroll->setWidget(preview);
  scroll->setWidgetResizable(true);
  vl->addWidget(scroll, 1);
  findings = new QLabel;
  findings->setObjectName("findings");
  findings->setWordWrap(true);
  findings->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
  vl->addWidget(findings);
  right->addWidget(previewBox, 1);
  auto* bottom = new QHBoxLayout;
  save = button("&Guardar", "save");
  undo = button("&Deshacer", "undo");
  redo = button("&Rehacer", "redo");
  QPushButton* close = button("Cerrar", "close");
  for (QPushButton* b : {save, undo, redo}) bottom->addWidget(b);
  bottom->addStretch(1);
  bottom->addWidget(close);
  right->addLayout(bottom);
  top->addLayout(right, 4);

  fillFieldPickers();
  product->addItem(QStringLiteral("Producto en curso"), qs(productAlias));
  product->addItem(QStringLiteral("Producto de muestra"), QString::fromUtf8(kSampleAlias));

  QObject::connect(designs, &QListWidget::currentRowChanged, dlg.get(), [this](int row) { openDesign(row); });
  QObject::connect(name, &QLineEdit::textEdited, dlg.get(), [this](const QString& t) {
    editor->rename(us(t));
    after();
  });
  QObject::connect(bNew, &QPushButton::clicked, dlg.get(), [this] { newDesign(); });
  QObject::connect(bCopy, &QPushButton::clicked, dlg.get(), [this] { copyDesign(); });
  QObject::connect(bDelete, &QPushButton::clicked, dlg.get(), [this] { deleteDesign(); });
  QObject::connect(bImport, &QPushButton::clicked, dlg.get(), [this] { importDesign(); });
  QObject::connect(bExport, &QPushButton::clicked, dlg.get(), [this] { exportDesign(); });
  QObject::connect(items, &QListWidget::currentRowChanged, dlg.get(), [this](int row) {
    if (refreshing) return;
    editor->select(row);
    showItem();
  });
  const auto act = [this](QPushButton* b, std::function<void()> fn) {
    QObject::connect(b, &QPushButton::clicked, dlg.get(), [this, fn] {
      fn();
      refresh();
    });
  };
  act(addBar, [this] { editor->addItem(kKindBarcode); });
  act(addText, [this] { editor->addItem(kKindText); });
  act(addPicture, [this] { editor->addItem(kKindPicture); });
  // A new item is edited at once: the focus goes to its first field.
  for (QPushButton* b : {addBar, addText, addPicture})
    QObject::connect(b, &QPushButton::clicked, dlg.get(), [this] {
      if (QWidget* first = pages->currentWidget()->nextInFocusChain(); first && pages->currentWidget()->isAncestorOf(first))
        first->setFocus();
    });
  act(remove, [this] { editor->removeItem(); });
  act(up, [this] { editor->moveItem(-1); });
  act(down, [this] { editor->moveItem(1); });
  act(undo, [this] { editor->undo(); });
  act(redo, [this] { editor->redo(); });
  QObject::connect(sameLine, &QCheckBox::toggled, dlg.get(),
                   [this](bool on) { edit([&](DesignItem& i) { i.mismaLinea = on; }); });
  QObject::connect(save, &QPushButton::clicked, dlg.get(), [this] { saveDesign(); });
  QObject::connect(close, &QPushButton::clicked, dlg.get(), [this] { dlg->reject(); });
  QObject::connect(zoom, qOverload<int>(&QComboBox::currentIndexChanged), dlg.get(), [this](int) { redraw(); });
  QObject::connect(wholeSheet, &QCheckBox::toggled, dlg.get(), [this](bool) { redraw(); });
  QObject::connect(product, qOverload<int>(&QComboBox::currentIndexChanged), dlg.get(),
                   [this](int i) { chooseProduct(i); });
  auto* sUndo = new QShortcut(QKeySequence::Undo, dlg.get());
  auto* sRedo = new QShortcut(QKeySequence::Redo, dlg.get());
  auto* sSave = new QShortcut(QKeySequence::Save, dlg.get());
  QObject::connect(sUndo, &QShortcut::activated, undo, &QPushButton::click);
  QObject::connect(sRedo, &QShortcut::activated, redo, &QPushButton::click);
  QObject::connect(sSave, &QShortcut::activated, save, &QPushButton::click);
}

void DesignDialog::Parts::refresh() {
  refreshing = true;
  {
    const QSignalBlocker quiet(designs);
    designs->clear();
    for (const DesignEntry& e : editor->designs())
      designs->addItem(QStringLiteral("%1  %2").arg(e.number).arg(qs(xb::cp1252ToUtf8(e.name))));
    if (editor->number() == 0) designs->addItem(QStringLiteral("(nuevo)  ") + qs(editor->design().name));
    designs->setCurrentRow(editor->number() == 0 ? designs->count() - 1 : editor->number() - 1);
  }
  if (name->text() != qs(editor->design().name)) name->setText(qs(editor->design().name));
  showItems();
  refreshing = false;
  showItem();
  showState();
  redraw();
}

void DesignDialog::Parts::showItems() {
  const QSignalBlocker quiet(items);
  items->clear();
  int n = 0;
  for (const DesignItem& i : editor->design().items) items->addItem(itemCaption(++n, i, productFields(productAlias)));
  items->setCurrentRow(editor->selected());
}

void DesignDialog::Parts::showItem() {
  const DesignItem* i = editor->selectedItem();
  const QList<QWidget*> all = pages->findChildren<QWidget*>();
  std::vector<std::unique_ptr<QSignalBlocker>> quiet;
  for (QWidget* w : all) quiet.push_back(std::make_unique<QSignalBlocker>(w));
  quiet.push_back(std::make_unique<QSignalBlocker>(sameLine));
  sameLine->setEnabled(i != nullptr);
  if (!i) {
    pages->setCurrentIndex(0);
    return;
  }
  sameLine->setChecked(i->mismaLinea);
  const auto colour = [](QComboBox* c, const std::string& n) {
    const int at = c->findData(qs(n.empty() ? "CLR_BLACK" : n));
    c->setCurrentIndex(at < 0 ? 0 : at);
  };
  if (i->kind == kKindText) {
    pages->setCurrentIndex(1);
    if (expression->text() != qs(i->campo)) expression->setText(qs(i->campo));
    exprError->setText(qs(expressionError(i->campo, editor->productAlias())));
    const QString f = qs(i->fuente.empty() ? "Arial" : i->fuente);
    if (face->findText(f) < 0) face->addItem(f);
    face->setCurrentText(f);
    size->setValue(i->tamano);
    bold->setChecked(i->negrita);
    italic->setChecked(i->cursiva);
    underline->setChecked(i->subrayado);
    strike->setChecked(i->tachado);
    align->setCurrentIndex(int(alignOf(*i)));
    angle->setValue(i->angulo);
    colour(textColour, i->color);
  } else if (i->kind == kKindBarcode) {
    pages->setCurrentIndex(2);
    encoded->setCurrentIndex(int(i->numCampo) - 1);
    module->setValue(i->anchoMod / 10);
    showMagnification(*i);
    barHeight->setValue(i->altoBarra * 10);
    barHeight->setSpecialValueText(QStringLiteral("%1 (por omisión)").arg(kDefaultBarMm));
    digits->setChecked(i->conDigitos);
    vertical->setChecked(i->vertical);
    check->setChecked(i->control);
    const int set = codeSet->findText(qs(i->juego128));
    codeSet->setCurrentIndex(i->juego128.empty() || set < 0 ? 0 : set);
    barPlace->setCurrentIndex(int(i->posicion));
    colour(barColour, i->color);
  } else if (i->kind == kKindPicture) {
    pages->setCurrentIndex(3);
    picture->setText(qs(i->campo));
    scale->setValue(i->tamano);
    picturePlace->setCurrentIndex(int(i->posicion));
  } else {
    pages->setCurrentIndex(0);
  }
}

void DesignDialog::Parts::showMagnification(const DesignItem& i) {
  const double mm = i.anchoMod > 0 ? i.anchoMod / 10 : kDefaultModuleMm;
  magnification->setText(QStringLiteral("%1 % de EAN/UPC%2")
                             .arg(int(std::lround(mm / kNominalModuleMm * 100)))
                             .arg(i.anchoMod > 0 ? QString() : QStringLiteral(" (0: 0,25 mm)")));
}

void DesignDialog::Parts::showState() {
  undo->setEnabled(editor->canUndo());
  redo->setEnabled(editor->canRedo());
  save->setEnabled(editor->dirty());
  QString title = QString::fromUtf8(kDesignEditorTitle) + " - " + qs(editor->design().name);
  if (editor->dirty()) title += " *";
  dlg->setWindowTitle(title);
}

void DesignDialog::Parts::redraw() {
  static constexpr double kZoom[] = {0.5, 1, 2, 4};
  const double z = kZoom[std::clamp(zoom->currentIndex(), 0, 3)];
  const bool sheet = wholeSheet->isChecked();
  const double screenDpi = preview->logicalDpiX();
  // Drawn at the screen's resolution for the zoom (at least 300 dpi for a
  // label, at most 300 for a sheet), pictures as the printer sizes them.
  const double dpi = sheet ? std::min(screenDpi * z, 300.0) : std::clamp(screenDpi * z, 300.0, 600.0);
  const DesignPreview drawn = drawDesignPreview(editor->rows(), editor->productAlias(), run,
                                                sheet ? PreviewScope::Sheet : PreviewScope::Label, dpi, printerDpi);
  const QSize shown = (QSizeF(drawn.image.size()) * (screenDpi * z / dpi)).toSize();
  preview->setPixmap(QPixmap::fromImage(drawn.image.scaled(shown, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  QString text;
  for (const ItemOverflow& o : drawn.overflows) text += (text.isEmpty() ? "" : "\n") + qs(overflowText(o));
  findings->setText(text);
}

void DesignDialog::Parts::after() {
  const int row = editor->selected();
  if (row >= 0 && row < items->count()) items->item(row)->setText(itemCaption(row + 1, editor->design().items[size_t(row)], productFields(productAlias)));
  if (editor->number() == 0 && designs->count() > 0)
    designs->item(designs->count() - 1)->setText(QStringLiteral("(nuevo)  ") + qs(editor->design().name));
  showState();
  redraw();
}

void DesignDialog::Parts::edit(const std::function<void(DesignItem&)>& fn, const std::string& key) {
  if (refreshing) return;
  editor->change(fn, key);
  if (const DesignItem* i = editor->selectedItem(); i && i->kind == kKindText)
    exprError->setText(qs(expressionError(i->campo, editor->productAlias())));
  if (const DesignItem* i = editor->selectedItem(); i && i->kind == kKindBarcode) showMagnification(*i);
  after();
}

bool DesignDialog::Parts::keepOrDrop() {
  if (!editor->dirty()) return true;
  // A new design with nothing in it is not worth keeping.
  if (editor->number() == 0 && editor->design().items.empty()) return true;
  const int answer = xb::prompter().alert(kUnsavedQuestion, {"   &Si   ", "   &No   ", "&Cancelar"}, kEditorTitle, 1);
  if (answer == 1) return editor->save();
  return answer == 2;
}

void DesignDialog::Parts::openDesign(int row) {
  if (refreshing || row < 0) return;
  const bool onNew = editor->number() == 0 && row == designs->count() - 1;
  if (onNew || row + 1 == editor->number()) return;
  if (keepOrDrop()) editor->open(row + 1);
  refresh();
}

void DesignDialog::Parts::newDesign() {
  if (!keepOrDrop()) return;
  editor->startNew();
  refresh();
  name->setFocus();
  name->selectAll();
}

void DesignDialog::Parts::copyDesign() {
  if (!keepOrDrop()) return;
  editor->startCopy();
  refresh();
  name->setFocus();
  name->selectAll();
}

void DesignDialog::Parts::deleteDesign() {
  const int n = editor->number();
  if (n == 0) {
    newDesign();
    return;
  }
  const std::string question = "El diseño " + std::to_string(n) + " (" + editor->design().name +
                               ") va a ser borrado de la tabla de diseños y los siguientes se numerarán de nuevo."
                               "\r\n\r\n¿ Desea realmente borrar este diseño ?";
  if (!xb::prompter().noYes("BORRAR DISEÑO DE ETIQUETA", question)) return;
  editor->remove(n);
  refresh();
}

void DesignDialog::Parts::importDesign() {
  if (!keepOrDrop()) return;
  const std::optional<std::string> file = xb::prompter().openFile("Importar un diseño de etiquetas", "Etiquetas (*.eti)| *.eti|");
  if (!file || file->empty()) return;
  std::string error;
  if (!editor->importFile(*file, &error)) xb::prompter().message(xb::MsgKind::Stop, kEditorTitle, error);
  refresh();
}

void DesignDialog::Parts::exportDesign() {
  if (editor->dirty() && !keepOrDrop()) return;
  const QString file = QFileDialog::getSaveFileName(dlg.get(), QStringLiteral("Exportar el diseño de etiquetas"),
                                                    qs(editor->design().name) + ".eti",
                                                    QStringLiteral("Etiquetas (*.eti)"));
  if (file.isEmpty()) return;
  std::string error;
  const std::string path = us(file.endsWith(".eti", Qt::CaseInsensitive) ? file : file + ".eti");
  if (!editor->exportFile(path, &error)) xb::prompter().message(xb::MsgKind::Stop, kEditorTitle, error);
}

void DesignDialog::Parts::choosePicture() {
  const std::optional<std::string> file =
      xb::prompter().openFile("Elija la imagen", "Imágenes (*.bmp *.png *.jpg)| *.bmp *.png *.jpg|");
  if (!file || file->empty()) return;
  std::string error;
  const std::string stored = adoptPicture(*file, &error);
  if (stored.empty()) {
    xb::prompter().message(xb::MsgKind::Stop, kEditorTitle, error);
    return;
  }
  if (const std::string why = fileNameError(stored); !why.empty()) {
    xb::prompter().message(xb::MsgKind::Stop, kEditorTitle, why);
    return;
  }
  picture->setText(qs(stored));
  edit([&](DesignItem& i) { i.campo = stored; });
}

void DesignDialog::Parts::insertLiteral() {
  const std::optional<std::string> typed =
      xb::prompter().input("Añadir texto", "Texto que se imprime tal cual", std::string(40, ' '), "");
  if (!typed) return;
  std::string t = us(QString::fromStdString(*typed).trimmed());
  if (t.empty()) return;
  const char quote = t.find('"') == std::string::npos ? '"' : '\'';
  const QString literal = QString(QChar(quote)) + qs(t) + QChar(quote);
  const QString now = expression->text().trimmed();
  expression->setText(now.isEmpty() ? literal : now + " + " + literal);
  edit([&](DesignItem& i) { i.campo = us(expression->text()); });
}

void DesignDialog::Parts::saveDesign() {
  editor->save();
  refresh();
}

void DesignDialog::Parts::chooseProduct(int index) {
  if (index == 1 && !sample) sample = std::make_unique<SampleProduct>(productAlias);
  editor->setProductAlias(us(product->itemData(index).toString()));
  fillFieldPickers();
  showItem();
  redraw();
}

std::unique_ptr<DesignDialog> openDesignEditor(const std::string& designAlias, const std::string& productAlias,
                                               int number, const LabelRunValues& run) {
  std::unique_ptr<DesignDialog> d(new DesignDialog);
  auto& p = *d->p_;
  p.productAlias = productAlias;
  p.run = run;
  p.printerDpi = std::clamp(double(pr::printerSetup().resolution()), 150.0, 1200.0);
  if (run.perSheet() < 1 || run.labelWidth <= 0 || run.labelHeight <= 0) {
    // A format without measures: a 70 x 37 mm label.
    p.run.labelWidth = 7.0;
    p.run.labelHeight = 3.7;
    p.run.rows = p.run.columns = 1;
  }
  p.editor = std::make_unique<DesignEditor>(designAlias, productAlias);
  if (number > 0) p.editor->open(number);
  p.build();
  // Without a product in hand the preview shows the sample.
  bool inHand = false;
  if (qv::WorkArea* a = qv::workAreas().find(productAlias)) {
    a->goTop();
    inHand = !a->eof();
  }
  if (!inHand) p.product->setCurrentIndex(1);
  p.refresh();
  return d;
}

int DesignDialog::exec() {
  ui::execModal(*p_->dlg);
  return p_->editor->number();
}

int DISENAETIQ(const std::string& designAlias, const std::string& productAlias, int number, const LabelRunValues& run) {
  std::unique_ptr<DesignDialog> d = openDesignEditor(designAlias, productAlias, number, run);
  return d->exec();
}

}  // namespace lb
