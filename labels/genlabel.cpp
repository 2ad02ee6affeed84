#include "labels/genlabel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

#include "data/abrir.h"
#include "data/catalog.h"
#include "data/tables.h"
#include "labels/catalogue_screen.h"
#include "labels/design_dialog.h"
#include "labels/label_formats.h"
#include "labels/label_run.h"
#include "labels/printer_offset.h"
#include "print/printer_dialogs.h"
#include "print/printer_setup.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "ui/widget_helpers.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace lb {

namespace {

using qv::WorkArea;
using qv::workAreas;

// The measure fields and the format fields they show.
struct Measure {
  int id;
  const char* field;
};
constexpr Measure kMeasures[] = {
    {106, "ANCHOETIQ"}, {110, "SEPARAHORZ"}, {107, "ALTOETIQ"}, {108, "SEPARAVERT"},
    {109, "MARGENIZD"}, {111, "MARGENSUP"},  {113, "COLUMNAS"}, {112, "FILAS"},
};
constexpr int kDesignList = 102, kFormatList = 103, kLastRow = 104, kTotals = 125, kPrinter = 127;
constexpr int kPrint = 1, kNew = 105, kDelete = 123, kChoosePrinter = 126, kClose = 2, kDesign = 128;
constexpr int kStart = 141, kQuantityCaption = 142, kQuantity = 143, kOutlines = 145, kOffsetX = 147, kOffsetY = 149;

struct Tooltip {
  int id;
  const char* text;
};
constexpr Tooltip kTooltips[] = {
    {kPrint, "Ver e Imprimir las Etiquetas"},
    {kNew, "Diseñar nueva Etiqueta"},
    {kDelete, "Borrar diseño actual"},
    {kChoosePrinter, "Seleccionar impresora de destino de las Etiquetas"},
    {kDesign, "Diseñar la etiqueta seleccionada o una nueva"},
    {kClose, "Terminar opción"},
};

// The design selected at the last opening during this run.
int g_lastDesign = 1;

std::string fileNameOr(const char* value, const char* otherwise) {
  const std::string v = qv::fileNameValue(value);
  return v.empty() ? otherwise : v;
}

QString shown(const std::string& stored) { return QString::fromStdString(std::string(xb::trimRight(xb::cp1252ToUtf8(stored)))); }

// The search key of the code in hand, as the index stores it.
std::string searchKey() {
  const xb::Value* v = xb::findNamed("cBusqueda");
  return v && v->isText() ? xb::utf8ToCp1252(v->text()) : std::string();
}

template <typename T>
T* control(QWidget* dialog, int id) {
  return qobject_cast<T*>(ui::controlById(dialog, id));
}

// Shows the wait cursor for its lifetime.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

std::string labelDesignFile(const std::string& cFile) {
  std::string name = cFile;
  if (name.find('.') != std::string::npos) name = qv::QUITAR_EXT(qv::QUITAR_CAM(name));
  return name + ".ETI";
}

DesignList readDesigns(const std::string& alias, int previous) {
  DesignList out;
  out.selected = previous;
  WorkArea* a = workAreas().find(alias);
  if (!a) return out;
  double number = 0;
  for (a->goTop(); !a->eof(); a->skip()) {
    const xb::Value n = a->fieldGet(std::string_view("NUMERO_ETI"));
    const double current = n.isNumber() ? n.num() : 0;
    if (out.names.empty() || current != number) {
      out.names.push_back(textOf(a->fieldGet(std::string_view("CAMPO"))));
      out.headers.push_back(a->recno());
      number = current;
    }
    const xb::Value mark = a->fieldGet(std::string_view("ULTIMA"));
    if (mark.isLogical() && mark.logical()) out.selected = int(out.names.size());
  }
  out.selected = out.names.empty() ? 0 : std::clamp(out.selected, 1, int(out.names.size()));
  return out;
}

std::unique_ptr<GenLabelScreen> openGenLabel(const std::string& cFile, const std::string& cTitle) {
  return GenLabelScreen::open(cFile, cTitle, std::nullopt);
}

std::unique_ptr<GenLabelScreen> openGenLabelList(const std::string& cFile, std::vector<ListLine> lines,
                                                 const std::string& cTitle) {
  return GenLabelScreen::open(cFile, cTitle, std::move(lines));
}

std::unique_ptr<GenLabelScreen> GenLabelScreen::open(const std::string& cFile, const std::string& cTitle,
                                                     std::optional<std::vector<ListLine>> list) {
  xb::Prompter& ask = xb::prompter();
  std::string productFile = cFile;
  std::string name = cFile;
  if (name.empty()) {
    if (!ask.yesNo(kNoFileTitle, kNoFileQuestion)) return nullptr;
    const std::optional<std::string> chosen = ask.openFile(kChooseDesignTitle, kDesignFilter);
    if (!chosen || chosen->empty()) return nullptr;
    name = *chosen;
    // A design file was chosen: the product table is the table it belongs to.
    productFile = qv::QUITAR_EXT(qv::QUITAR_CAM(name)) + ".dbf";
  }
  const std::string designFile = labelDesignFile(name);
  if (!qv::fileExists(designFile)) {
    ask.message(xb::MsgKind::Stop, kMissingFileTitle, kMissingFileText + designFile);
    return nullptr;
  }

  std::unique_ptr<GenLabelScreen> screen(new GenLabelScreen);
  screen->list_ = std::move(list);
  screen->previousArea_ = workAreas().selected();
  {
    const BusyCursor busy;
    if (!screen->openTables(productFile, designFile)) return nullptr;
  }
  if (!screen->buildDialog(cTitle)) return nullptr;
  return screen;
}

bool GENLABEL(const std::string& cFile, const std::string& cTitle) {
  std::unique_ptr<GenLabelScreen> screen = openGenLabel(cFile, cTitle.empty() ? kGenLabelTitle : cTitle);
  if (!screen) return false;
  screen->exec();
  return true;
}

bool GENLABELLISTA(const std::string& cFile, std::vector<ListLine> lines, const std::string& cTitle) {
  std::unique_ptr<GenLabelScreen> screen =
      openGenLabelList(cFile, std::move(lines), cTitle.empty() ? kGenLabelTitle : cTitle);
  if (!screen) return false;
  screen->exec();
  return true;
}

bool GenLabelScreen::openTables(const std::string& productFile, const std::string& designFile) {
  auto& areas = workAreas();
  productAlias_ = qv::QUITAR_EXT(qv::QUITAR_CAM(productFile));
  const struct {
    std::string alias, file, index;
  } tables[] = {
      {productAlias_, productFile, fileNameOr("CODPROX", "CodiProx.cdx")},
      {kDesignsAlias, designFile, fileNameOr("CODETIX", "CodEti.cdx")},
      {kFormatsAlias, fileNameOr("LABELS", "Labels.dbf"), fileNameOr("LABELSX", "Labelsx.cdx")},
  };
  for (const auto& t : tables) {
    const bool ok = qv::ABRIR(t.alias, t.file, "", {t.index});
    if (!ok) {
      qv::CERRAR(t.alias);
      return false;  // the destructor closes the tables opened before
    }
    opened_.push_back(t.alias);
  }

  WorkArea& product = *areas.find(productAlias_);
  if (list_) {
    for (const ListLine& l : *list_) recordCount_ += std::max<int64_t>(l.quantity, 0);
  } else {
    const std::string key = searchKey();
    product.setScope(xb::Value(key), xb::Value(key));
    for (product.goTop(); !product.eof(); product.skip()) ++recordCount_;
  }
  product.goTop();

  WorkArea& design = *areas.find(kDesignsAlias);
  design.setOrder("NumEti");
  designs_ = readDesigns(kDesignsAlias, g_lastDesign);
  if (designs_.selected > 0) g_lastDesign = designs_.selected;
  if (!designs_.headers.empty()) design.goTo(designs_.headers.back());
  oDesign_.Load();

  selectedFormat_ = LISTALABELS(formatNames_);
  oFormat_.Load();
  areas.select(previousArea_);
  return true;
}

GenLabelScreen::~GenLabelScreen() {
  if (pending_) saveFormat();
  // Sheets the previews have not recorded yet are recorded while the
  // product table is still open.
  finishLabelJobs();
  dialog_.reset();
  for (auto it = opened_.rbegin(); it != opened_.rend(); ++it) qv::CERRAR(*it);
  workAreas().select(previousArea_);
}

bool GenLabelScreen::buildDialog(const std::string& cTitle) {
  const QString root = ui::mainResourceRoot();
  std::unique_ptr<QWidget> w = ui::resourceDialog(root, QStringLiteral("GENLABEL"), QApplication::activeWindow());
  auto* dlg = qobject_cast<QDialog*>(w.get());
  if (!dlg) return false;
  w.release();
  dialog_.reset(dlg);
  dlg->setWindowTitle(QString::fromStdString(cTitle));
  dlg->setWindowIcon(ui::resourceIcon(root, QStringLiteral("Quorvlnt")));
  QPalette pal = dlg->palette();
  pal.setColor(QPalette::Window, QColor(215, 255, 215));
  dlg->setPalette(pal);
  dlg->setAutoFillBackground(true);
  if (auto* l = control<QLabel>(dlg, 200)) l->setPixmap(ui::resourceBitmap(root, QStringLiteral("LABELSIZ")));
  if (auto* l = control<QLabel>(dlg, 201)) l->setPixmap(ui::resourceBitmap(root, QStringLiteral("NEWLABEL")));
  for (const Tooltip& t : kTooltips)
    if (QWidget* b = ui::controlById(dlg, t.id)) b->setToolTip(QString::fromUtf8(t.text));

  // Each measure field takes the width and decimals of its field.
  const WorkArea* formats = workAreas().find(kFormatsAlias);
  for (const Measure& m : kMeasures) {
    auto* spin = control<QDoubleSpinBox>(dlg, m.id);
    if (!spin) continue;
    int width = 10, decimals = 2;
    if (formats)
      for (const auto& f : formats->structure())
        if (f.name == m.field) {
          width = f.width;
          decimals = f.decimals;
        }
    spin->setDecimals(decimals);
    spin->setRange(0, std::pow(10.0, width - (decimals > 0 ? decimals + 1 : 0)) - std::pow(10.0, -decimals));
    QObject::connect(spin, &QDoubleSpinBox::editingFinished, dlg, [this, id = m.id] { saveMeasure(id); });
  }
  if (auto* check = control<QCheckBox>(dlg, kLastRow)) {
    QObject::connect(check, &QCheckBox::toggled, dlg, [this](bool on) {
      oFormat_.FieldPut("PRNULTFILA", xb::Value(on));
      pending_ = true;
      showTotals();
    });
    QObject::connect(qApp, &QApplication::focusChanged, check, [this, check](QWidget* old, QWidget*) {
      if (old == check && pending_) saveFormat();
    });
  }

  if (auto* list = control<QListWidget>(dlg, kDesignList)) {
    for (const std::string& n : designs_.names) list->addItem(shown(n));
    list->setCurrentRow(designs_.selected - 1);
    QObject::connect(list, &QListWidget::currentRowChanged, dlg, [this](int row) { chooseDesign(row); });
  }
  fillFormatList();
  if (auto* list = control<QListWidget>(dlg, kFormatList))
    QObject::connect(list, &QListWidget::currentRowChanged, dlg, [this](int row) { chooseFormat(row); });
  buildRunChoices();
  showFormat();
  showPrinter();

  const auto onClick = [dlg](int id, auto fn) {
    if (auto* b = control<QAbstractButton>(dlg, id)) QObject::connect(b, &QAbstractButton::clicked, dlg, fn);
  };
  onClick(kPrint, [this] { print(); });
  onClick(kNew, [this] { newFormat(); });
  onClick(kDelete, [this] { deleteFormat(); });
  onClick(kChoosePrinter, [this] { choosePrinter(); });
  onClick(kDesign, [this] { design(); });
  onClick(kClose, [dlg] { dlg->reject(); });
  return true;
}

void GenLabelScreen::exec() {
  if (QWidget* list = ui::controlById(dialog_.get(), kDesignList)) list->setFocus();
  ui::execModal(*dialog_);
}

void GenLabelScreen::fillFormatList() {
  auto* list = control<QListWidget>(dialog_.get(), kFormatList);
  if (!list) return;
  const QSignalBlocker quiet(list);
  list->clear();
  for (const std::string& n : formatNames_) list->addItem(shown(n));
  const auto at = std::find(formatNames_.begin(), formatNames_.end(), selectedFormat_);
  list->setCurrentRow(at == formatNames_.end() ? -1 : int(at - formatNames_.begin()));
}

void GenLabelScreen::showFormat() {
  QDialog* dlg = dialog_.get();
  const WorkArea* formats = workAreas().find(kFormatsAlias);
  // Without a format record there is nothing to edit, delete or print.
  const bool have = formats && oFormat_.RecNo() >= 1 && !formatNames_.empty();
  for (const Measure& m : kMeasures)
    if (auto* spin = control<QDoubleSpinBox>(dlg, m.id)) {
      const QSignalBlocker quiet(spin);
      const xb::Value v = oFormat_.FieldGet(m.field);
      spin->setValue(v.isNumber() ? v.num() : 0);
      spin->setEnabled(have);
    }
  if (auto* check = control<QCheckBox>(dlg, kLastRow)) {
    const QSignalBlocker quiet(check);
    const xb::Value v = oFormat_.FieldGet("PRNULTFILA");
    check->setChecked(v.isLogical() && v.logical());
    check->setEnabled(have);
  }
  if (QWidget* b = ui::controlById(dlg, kDelete)) b->setEnabled(have);
  if (QWidget* b = ui::controlById(dlg, kPrint)) b->setEnabled(have && designs_.selected > 0);
  showStart();
  showTotals();
}

void GenLabelScreen::showTotals() {
  auto* l = control<QLabel>(dialog_.get(), kTotals);
  if (!l) return;
  if (list_) {
    l->setText(QString::fromStdString(
        jobTotalsText(recordCount_, runChoices().start, labelRunValues(oFormat_).perSheet())));
  } else {
    l->setText(QString::fromStdString(labelTotalsText(recordCount_, oFormat_)));
  }
}

void GenLabelScreen::showPrinter() {
  if (auto* l = control<QLabel>(dialog_.get(), kPrinter))
    l->setText(QString::fromUtf8(kPrinterPrefix) + QString::fromStdString(pr::printerName(pr::printerSetup())));
  showOffset();
}

void GenLabelScreen::buildRunChoices() {
  QDialog* dlg = dialog_.get();
  if (auto* start = control<QSpinBox>(dlg, kStart))
    QObject::connect(start, &QSpinBox::valueChanged, dlg, [this] { showTotals(); });
  if (auto* quantity = control<QLineEdit>(dlg, kQuantity)) {
    quantity->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), quantity));
    quantity->setVisible(!list_);
    if (QWidget* caption = ui::controlById(dlg, kQuantityCaption)) caption->setVisible(!list_);
  }
  if (auto* outlines = control<QComboBox>(dlg, kOutlines))
    for (const char* choice : kOutlineChoices) outlines->addItem(QString::fromUtf8(choice));
  for (const int id : {kOffsetX, kOffsetY})
    if (auto* spin = control<QDoubleSpinBox>(dlg, id)) {
      spin->setDecimals(1);
      spin->setSingleStep(0.1);
      spin->setRange(-kMaxOffsetMm, kMaxOffsetMm);
      QObject::connect(spin, &QDoubleSpinBox::editingFinished, dlg, [this] { saveOffset(); });
    }
}

void GenLabelScreen::showStart() {
  if (auto* start = control<QSpinBox>(dialog_.get(), kStart)) {
    const QSignalBlocker quiet(start);
    start->setRange(1, int(std::clamp<int64_t>(labelRunValues(oFormat_).perSheet(), 1, 99999)));
  }
}

void GenLabelScreen::showOffset() {
  const PrinterOffset offset = printerOffset(pr::printerName(pr::printerSetup()));
  const std::pair<int, double> shown[] = {{kOffsetX, offset.xMm}, {kOffsetY, offset.yMm}};
  for (const auto& [id, mm] : shown)
    if (auto* spin = control<QDoubleSpinBox>(dialog_.get(), id)) {
      const QSignalBlocker quiet(spin);
      spin->setValue(mm);
    }
}

void GenLabelScreen::saveOffset() {
  auto* x = control<QDoubleSpinBox>(dialog_.get(), kOffsetX);
  auto* y = control<QDoubleSpinBox>(dialog_.get(), kOffsetY);
  if (!x || !y) return;
  const std::string printer = pr::printerName(pr::printerSetup());
  const PrinterOffset kept = printerOffset(printer);
  if (kept.xMm != x->value() || kept.yMm != y->value()) savePrinterOffset(printer, {x->value(), y->value()});
}

JobChoices GenLabelScreen::runChoices() const {
  JobChoices c;
  QDialog* dlg = dialog_.get();
  if (auto* start = control<QSpinBox>(dlg, kStart)) c.start = start->value();
  if (auto* outlines = control<QComboBox>(dlg, kOutlines))
    c.outlines = outlines->currentIndex() == 1 ? Outlines::Over
                 : outlines->currentIndex() == 2 ? Outlines::Only
                                                 : Outlines::None;
  const PrinterOffset offset = printerOffset(pr::printerName(pr::printerSetup()));
  c.offsetXmm = offset.xMm;
  c.offsetYmm = offset.yMm;
  return c;
}

std::vector<LabelOrder> GenLabelScreen::listOrders() {
  std::vector<LabelOrder> orders;
  WorkArea* product = workAreas().find(productAlias_);
  if (!product || !list_) return orders;
  std::string gone;
  for (const ListLine& l : *list_) {
    if (product->seek(xb::Value(l.key))) {
      orders.push_back({product->recno(), l.quantity});
    } else {
      gone += (gone.empty() ? "" : ", ") + xb::cp1252ToUtf8(xb::trim(l.key));
    }
  }
  if (!gone.empty()) xb::prompter().message(xb::MsgKind::Stop, kListGoneTitle, kListGoneText + gone);
  return orders;
}

void GenLabelScreen::saveMeasure(int id) {
  for (const Measure& m : kMeasures)
    if (m.id == id)
      if (auto* spin = control<QDoubleSpinBox>(dialog_.get(), id)) {
        oFormat_.FieldPut(m.field, xb::Value(spin->value(), spin->decimals()));
        pending_ = true;
      }
  saveFormat();
  showStart();
}

void GenLabelScreen::saveFormat() {
  if (oFormat_.RecNo() < 1 || formatNames_.empty()) return;
  if (oFormat_.Save()) pending_ = false;
}

void GenLabelScreen::chooseDesign(int row) {
  if (row < 0 || row >= int(designs_.headers.size())) return;
  designs_.selected = CAMBIOETIQ(row + 1, designs_.selected, designs_.headers);
  g_lastDesign = designs_.selected;
  if (WorkArea* a = workAreas().find(kDesignsAlias)) {
    a->goTo(designs_.headers[size_t(row)]);
    oDesign_.Load();
  }
}

void GenLabelScreen::chooseFormat(int row) {
  if (row < 0 || row >= int(formatNames_.size())) return;
  if (pending_) saveFormat();
  selectedFormat_ = CAMBIOLABEL(formatNames_[size_t(row)]);
  oFormat_.Load();
  fillFormatList();
  showFormat();
}

void GenLabelScreen::newFormat() {
  if (pending_) saveFormat();
  const NewFormatChoice choice = chooseNewFormat(dialog_.get());
  if (choice.kind == NewFormatChoice::Cancelled) return;
  const std::string name = choice.product ? NEWLABEL(oFormat_, formatMeasures(*choice.product)) : NEWLABEL(oFormat_);
  if (name.empty()) return;
  selectedFormat_ = name;
  formatNames_.push_back(name);
  if (auto* list = control<QListWidget>(dialog_.get(), kFormatList)) {
    const QSignalBlocker quiet(list);
    list->addItem(shown(name));
    list->setCurrentRow(list->count() - 1);
  }
  showFormat();
  if (!choice.product) {
    xb::prompter().message(xb::MsgKind::Info, kNewFormatTitle, kNewFormatText);
    return;
  }
  const std::string note = catalogueNote(*choice.product);
  xb::prompter().message(xb::MsgKind::Info, kNewFormatTitle,
                         std::string(kCatalogueDoneText) + (note.empty() ? "" : "\r\n\r\n" + note));
}

void GenLabelScreen::deleteFormat() {
  if (pending_) saveFormat();
  WorkArea* formats = workAreas().find(kFormatsAlias);
  if (!formats || oFormat_.RecNo() < 1) return;
  formats->goTo(oFormat_.RecNo());
  if (!DELLABEL(selectedFormat_)) return;
  selectedFormat_ = LISTALABELS(formatNames_);
  oFormat_.Load();
  fillFormatList();
  showFormat();
  xb::prompter().message(xb::MsgKind::Info, kDeletedTitle, kDeletedText);
}

void GenLabelScreen::design() {
  if (pending_) saveFormat();
  const int left = DISENAETIQ(kDesignsAlias, productAlias_, designs_.selected, labelRunValues(oFormat_));
  // The designs may have changed: read again, the design left on chosen.
  designs_ = readDesigns(kDesignsAlias, designs_.selected);
  const int chosen = left > 0 && left <= int(designs_.headers.size()) ? left : designs_.selected;
  if (auto* list = control<QListWidget>(dialog_.get(), kDesignList)) {
    const QSignalBlocker quiet(list);
    list->clear();
    for (const std::string& n : designs_.names) list->addItem(shown(n));
    list->setCurrentRow(chosen - 1);
  }
  if (chosen > 0) chooseDesign(chosen - 1);
  showFormat();
}

void GenLabelScreen::choosePrinter() {
  pr::printerDialogs().choosePrinter(pr::printerSetup());
  showPrinter();
}

void GenLabelScreen::print() {
  saveFormat();
  saveOffset();
  if (list_) {
    const std::vector<LabelOrder> orders = listOrders();
    if (orders.empty()) return;
    PRNLABELLISTA(productAlias_, oDesign_, designs_.selected, designs_.names, designs_.headers, oFormat_, orders,
                  runChoices());
    return;
  }
  std::optional<int64_t> quantity;
  if (auto* edit = control<QLineEdit>(dialog_.get(), kQuantity); edit && !edit->text().trimmed().isEmpty()) {
    const int64_t n = edit->text().trimmed().toLongLong();
    if (n <= 0) {
      xb::prompter().message(xb::MsgKind::Stop, kQuantityTitle, kQuantityText);
      return;
    }
    quantity = n;
  }
  PRNLABEL(productAlias_, oDesign_, designs_.selected, designs_.names, designs_.headers, oFormat_, formatNames_,
           runChoices(), quantity);
}

}  // namespace lb
