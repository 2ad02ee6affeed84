#include "app/print_list_screen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTableWidget>

#include "app/code_browse.h"
#include "app/print_list.h"
#include "app/product_code.h"
#include "data/catalog.h"
#include "data/tables.h"
#include "data/tdatabase.h"
#include "labels/genlabel.h"
#include "labels/label_job.h"
#include "labels/label_run.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "ui/widget_helpers.h"
#include "xbase/codepage.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace qv {

namespace {

constexpr int kCodeInput = 102, kAdd = 103, kTable = 110, kBrowse = 120, kImport = 121, kRemove = 122,
              kClear = 123, kTotals = 130, kPrint = 1, kClose = 2;
enum Column { kCodeColumn, kDescriptionColumn, kQuantityColumn };

template <typename T>
T* control(QWidget* dialog, int id) {
  return qobject_cast<T*>(ui::controlById(dialog, id));
}

void stop(const std::string& text) { xb::prompter().message(xb::MsgKind::Stop, kListAttention, text); }

// The format chosen last in the generator: its name and labels per sheet,
// read from the program's format table (Labels2).
struct ChosenFormat {
  std::string name;
  int64_t perSheet = 0;
};
ChosenFormat chosenFormat() {
  ChosenFormat out;
  WorkArea* a = workAreas().find("Labels2");
  if (!a) return out;
  const int64_t at = a->recno();
  qv::TDATABASE format("Labels2");
  for (a->goTop(); !a->eof(); a->skip()) {
    const xb::Value mark = a->fieldGet(std::string_view("ULTIMA"));
    if (out.name.empty() || (mark.isLogical() && mark.logical())) {
      format.Load();
      out.name = xb::cp1252ToUtf8(xb::trim(lb::textOf(format.FieldGet("NOMBRE"))));
      out.perSheet = lb::labelRunValues(format).perSheet();
      if (mark.isLogical() && mark.logical()) break;
    }
  }
  a->goTo(at);
  return out;
}

}  // namespace

PrintListScreen::PrintListScreen(QWidget* parent) {
  const QString root = ui::mainResourceRoot();
  std::unique_ptr<QWidget> w = ui::resourceDialog(root, QStringLiteral("LISTAIMP"), parent);
  auto* dlg = qobject_cast<QDialog*>(w.get());
  if (!dlg) return;
  w.release();
  dialog_.reset(dlg);
  dlg->setWindowTitle(QString::fromUtf8(kPrintListTitle));
  dlg->setWindowIcon(ui::resourceIcon(root, QStringLiteral("Quorvlnt")));
  QPalette pal = dlg->palette();
  pal.setColor(QPalette::Window, QColor(215, 255, 215));
  dlg->setPalette(pal);
  dlg->setAutoFillBackground(true);

  table_ = control<QTableWidget>(dlg, kTable);
  if (table_) {
    table_->setColumnCount(3);
    table_->setHorizontalHeaderLabels({QStringLiteral("Código"), QStringLiteral("Descripción"),
                                       QStringLiteral("Cantidad")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->setColumnWidth(kCodeColumn, 150);
    table_->setColumnWidth(kDescriptionColumn, 300);
    table_->horizontalHeader()->setStretchLastSection(true);
    QObject::connect(table_, &QTableWidget::itemChanged, dlg, [this](QTableWidgetItem* item) {
      if (!filling_ && item->column() == kQuantityColumn) quantityEdited(item->row());
    });
  }
  if (auto* input = control<QLineEdit>(dlg, kCodeInput)) {
    input->setMaxLength(int(kProductCodeWidth));
    ui::upperCaseInput(input);
    QObject::connect(input, &QLineEdit::returnPressed, dlg, [this] { addTyped(); });
  }
  const auto onClick = [dlg](int id, auto fn) {
    if (auto* b = control<QAbstractButton>(dlg, id)) QObject::connect(b, &QAbstractButton::clicked, dlg, fn);
  };
  onClick(kAdd, [this] { addTyped(); });
  onClick(kBrowse, [this] { addFromBrowse(); });
  onClick(kImport, [this] { importCsv(); });
  onClick(kRemove, [this] { removeChosen(); });
  onClick(kClear, [this] { clearList(); });
  onClick(kPrint, [this] { print(); });
  onClick(kClose, [dlg] { dlg->reject(); });
  const struct {
    int id;
    const char* tip;
  } tips[] = {
      {kAdd, "Añadir el código a la lista (otra vez: una etiqueta más)"},
      {kBrowse, "Añadir los códigos elegidos en la base de datos"},
      {kImport, "Añadir los códigos y cantidades de un fichero CSV"},
      {kRemove, "Quitar de la lista las líneas elegidas"},
      {kClear, "Quitar todas las líneas de la lista"},
      {kPrint, "Imprimir la lista con el generador de etiquetas"},
      {kClose, "Cerrar la lista (se guarda para la próxima vez)"},
  };
  for (const auto& t : tips)
    if (QWidget* b = ui::controlById(dlg, t.id)) b->setToolTip(QString::fromUtf8(t.tip));
  refresh();
}

PrintListScreen::~PrintListScreen() = default;

void PrintListScreen::exec() {
  if (!dialog_) return;
  if (QWidget* input = ui::controlById(dialog_.get(), kCodeInput)) input->setFocus();
  const std::vector<std::string> gone = takePrintListGone();
  if (!gone.empty()) {
    std::string names;
    for (const std::string& g : gone) names += (names.empty() ? "" : ", ") + g;
    stop("Estos códigos de la lista guardada ya no están almacenados y se han quitado: " + names);
    changed();
  }
  ui::execModal(*dialog_);
}

void PrintListScreen::refresh() {
  const PrintList& list = printList();
  if (table_) {
    table_->clearContents();
    filling_ = true;
    table_->setRowCount(int(list.lines().size()));
    for (size_t i = 0; i < list.lines().size(); ++i) {
      const PrintListLine& l = list.lines()[i];
      const auto cell = [&](int column, const std::string& text, bool editable) {
        auto* item = new QTableWidgetItem(QString::fromStdString(text));
        if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        if (column == kQuantityColumn) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(int(i), column, item);
      };
      cell(kCodeColumn, l.code, false);
      cell(kDescriptionColumn, l.description, false);
      cell(kQuantityColumn, std::to_string(l.quantity), true);
    }
    filling_ = false;
  }
  showTotals();
}

void PrintListScreen::showTotals() {
  const PrintList& list = printList();
  if (auto* totals = control<QLabel>(dialog_.get(), kTotals)) {
    const ChosenFormat f = chosenFormat();
    const int64_t labels = list.labels();
    std::string text = lb::jobTotalsText(labels, 1, f.perSheet);
    if (!f.name.empty()) text += " (" + f.name + ")";
    totals->setText(QString::fromStdString(text));
  }
  if (QWidget* b = ui::controlById(dialog_.get(), kPrint)) b->setEnabled(!list.empty());
}

void PrintListScreen::changed() {
  save();
  refresh();
}

void PrintListScreen::save() {
  if (!savePrintList()) stop(kNotSaved + printListFile());
}

void PrintListScreen::addTyped() {
  auto* input = control<QLineEdit>(dialog_.get(), kCodeInput);
  if (!input) return;
  const std::string code(xb::trim(input->text().toStdString()));
  if (code.empty()) return;
  if (printList().addCode(code) == PrintList::Added::NotStored) {
    stop(notStoredText(code));
    // Kept to be corrected; the next scan types over it.
    input->selectAll();
  } else {
    changed();
    input->clear();
  }
  input->setFocus();
}

void PrintListScreen::addFromBrowse() {
  WorkArea* a = productArea();
  if (!a) return;
  const int64_t before = a->recno();
  std::vector<int64_t> records;
  {
    CodeBrowse browse(dialog_.get(), CodeBrowse::Use::ForList);
    browse.exec();
    records = browse.forList();
  }
  for (int64_t r : records) printList().addRecord(r);
  a->goTo(before);
  if (!records.empty()) changed();
}

void PrintListScreen::importCsv() {
  const std::optional<std::string> file = xb::prompter().openFile(kCsvTitle, kCsvFilter);
  if (!file || file->empty()) return;
  QFile in(QString::fromStdString(*file));
  if (!in.open(QIODevice::ReadOnly)) {
    stop("No se puede leer el fichero " + *file);
    return;
  }
  const QByteArray bytes = in.readAll();
  const PrintList::Imported r = printList().importCsv(std::string_view(bytes.constData(), size_t(bytes.size())));
  changed();
  std::string text = "Etiquetas añadidas: " + std::to_string(r.labels) +
                     "; códigos nuevos en la lista: " + std::to_string(r.lines) + ".";
  if (!r.refused.empty()) {
    text += "\n\nLíneas no importadas (" + std::to_string(r.refused.size()) + "):";
    for (const PrintList::Refused& f : r.refused) text += "\n" + f.why;
  }
  xb::prompter().message(r.refused.empty() ? xb::MsgKind::Info : xb::MsgKind::Warning, kImportTitle, text);
}

void PrintListScreen::removeChosen() {
  if (!table_) return;
  std::vector<size_t> rows;
  for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows.push_back(size_t(i.row()));
  if (rows.empty() && table_->currentRow() >= 0) rows.push_back(size_t(table_->currentRow()));
  if (rows.empty()) return;
  printList().remove(rows);
  changed();
}

void PrintListScreen::clearList() {
  if (printList().empty() || !xb::prompter().noYes(kPrintListTitle, kClearQuestion)) return;
  printList().clear();
  changed();
}

void PrintListScreen::quantityEdited(int row) {
  QTableWidgetItem* item = table_->item(row, kQuantityColumn);
  if (!item || row < 0 || size_t(row) >= printList().lines().size()) return;
  bool ok = false;
  const qlonglong n = item->text().trimmed().toLongLong(&ok);
  if (!ok || n < 1 || n > kMaxListQuantity) {
    stop("La cantidad debe ser un número entero de 1 a " + std::to_string(kMaxListQuantity) + ".");
  } else {
    printList().setQuantity(size_t(row), n);
    save();
  }
  // The cell shows the quantity kept; the rest of the list is unchanged.
  filling_ = true;
  item->setText(QString::number(printList().lines()[size_t(row)].quantity));
  filling_ = false;
  showTotals();
}

void PrintListScreen::print() {
  if (printList().empty()) {
    stop(kEmptyList);
    return;
  }
  const std::string file = fileNameValue("CODPRO");
  lb::GENLABELLISTA(file.empty() ? kProductFile : file, printList().forGenerator());
  // The generator may have marked another format.
  refresh();
}

void LISTAIMPRESION(QWidget* parent) {
  PrintListScreen screen(parent);
  screen.exec();
}

}  // namespace qv
