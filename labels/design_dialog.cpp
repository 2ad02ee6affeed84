#include "labels/design_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
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
#include "labels/design_window.h"
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

// Buttons three to a row.
QGridLayout* threeAcross(std::initializer_list<QPushButton*> buttons) {
  auto* grid = new QGridLayout;
  int n = 0;
  for (QPushButton* b : buttons) {
    grid->addWidget(b, n / 3, n % 3);
    ++n;
  }
  return grid;
}

}  // namespace

DesignDialog::DesignDialog() : p_(std::make_unique<DesignWindow>()) {}
DesignDialog::~DesignDialog() = default;
QDialog* DesignDialog::dialog() const { return p_->dlg.get(); }
DesignEditor& DesignDialog::editor() { return *p_->editor; }

void DesignWindow::build() {
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
  dl->addLayout(threeAcross({bNew, bCopy, bDelete, bImport, bExport}));
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
  QPushButton* addBar = button("+ &Código de barras", "addBarcode");
  QPushButton* addText = button("+ &Texto", "addText");
  QPushButton* addPicture = button("+ I&magen", "addPicture");
  QPushButton* remove = button("&Quitar", "removeItem");
  QPushButton* up = button("&Subir", "moveUp");
  QPushButton* down = button("Ba&jar", "moveDown");
  il->addLayout(threeAcross({addBar, addText, addPicture, remove, up, down}));
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

void DesignWindow::refresh() {
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

void DesignWindow::showItems() {
  const QSignalBlocker quiet(items);
  items->clear();
  int n = 0;
  for (const DesignItem& i : editor->design().items) items->addItem(itemCaption(++n, i, productFields(productAlias)));
  items->setCurrentRow(editor->selected());
}

void DesignWindow::showState() {
  undo->setEnabled(editor->canUndo());
  redo->setEnabled(editor->canRedo());
  save->setEnabled(editor->dirty());
  QString title = QString::fromUtf8(kDesignEditorTitle) + " - " + qs(editor->design().name);
  if (editor->dirty()) title += " *";
  dlg->setWindowTitle(title);
}

void DesignWindow::redraw() {
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

void DesignWindow::after() {
  const int row = editor->selected();
  if (row >= 0 && row < items->count()) items->item(row)->setText(itemCaption(row + 1, editor->design().items[size_t(row)], productFields(productAlias)));
  if (editor->number() == 0 && designs->count() > 0)
    designs->item(designs->count() - 1)->setText(QStringLiteral("(nuevo)  ") + qs(editor->design().name));
  showState();
  redraw();
}

void DesignWindow::edit(const std::function<void(DesignItem&)>& fn, const std::string& key) {
  if (refreshing) return;
  editor->change(fn, key);
  if (const DesignItem* i = editor->selectedItem(); i && i->kind == kKindText)
    exprError->setText(qs(expressionError(i->campo, editor->productAlias())));
  if (const DesignItem* i = editor->selectedItem(); i && i->kind == kKindBarcode) showMagnification(*i);
  after();
}

bool DesignWindow::keepOrDrop() {
  if (!editor->dirty()) return true;
  // A new design with nothing in it is not worth keeping.
  if (editor->number() == 0 && editor->design().items.empty()) return true;
  const int answer = xb::prompter().alert(kUnsavedQuestion, {"   &Si   ", "   &No   ", "&Cancelar"}, kEditorTitle, 1);
  if (answer == 1) return editor->save();
  return answer == 2;
}

void DesignWindow::openDesign(int row) {
  if (refreshing || row < 0) return;
  const bool onNew = editor->number() == 0 && row == designs->count() - 1;
  if (onNew || row + 1 == editor->number()) return;
  if (keepOrDrop()) editor->open(row + 1);
  refresh();
}

void DesignWindow::newDesign() {
  if (!keepOrDrop()) return;
  editor->startNew();
  refresh();
  name->setFocus();
  name->selectAll();
}

void DesignWindow::copyDesign() {
  if (!keepOrDrop()) return;
  editor->startCopy();
  refresh();
  name->setFocus();
  name->selectAll();
}

void DesignWindow::deleteDesign() {
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

void DesignWindow::importDesign() {
  if (!keepOrDrop()) return;
  const std::optional<std::string> file = xb::prompter().openFile("Importar un diseño de etiquetas", "Etiquetas (*.eti)| *.eti|");
  if (!file || file->empty()) return;
  std::string error;
  if (!editor->importFile(*file, &error)) xb::prompter().message(xb::MsgKind::Stop, kEditorTitle, error);
  refresh();
}

void DesignWindow::exportDesign() {
  if (editor->dirty() && !keepOrDrop()) return;
  const std::optional<std::string> file = xb::prompter().saveFile(
      "Exportar el diseño de etiquetas", "Etiquetas (*.eti)| *.eti|", editor->design().name + ".eti");
  if (!file || file->empty()) return;
  std::string error;
  const std::string path = qs(*file).endsWith(".eti", Qt::CaseInsensitive) ? *file : *file + ".eti";
  if (!editor->exportFile(path, &error)) xb::prompter().message(xb::MsgKind::Stop, kEditorTitle, error);
}

void DesignWindow::choosePicture() {
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

void DesignWindow::insertLiteral() {
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

void DesignWindow::saveDesign() {
  editor->save();
  refresh();
}

void DesignWindow::chooseProduct(int index) {
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
