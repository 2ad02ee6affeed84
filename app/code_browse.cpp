#include "app/code_browse.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <map>
#include <vector>

#include "app/app_values.h"
#include "app/code_rules.h"
#include "app/product_code.h"
#include "app/product_csv_screens.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "ui/widget_helpers.h"
#include "xbase/memvar.h"
#include "xbase/text.h"

namespace qv {

namespace {

// The window's layout is laid out in dialog units of two pixels; the window
// itself is 515 x 450 pixels and the browse takes its whole width, less at
// its foot a row for the buttons of the spreadsheet files.
constexpr int kUnit = 2;
constexpr int kWindowWidth = 515, kWindowHeight = 450;
constexpr int kBrowseHeight = 200 * kUnit;
constexpr int kButtonRow = 205 * kUnit, kButtonWidth = 50 * kUnit, kButtonHeight = 15 * kUnit;
constexpr int kCodeWidth = 201, kDescriptionWidth = 298;

struct ButtonLook {
  int column;  // dialog units
  const char* text;
  const char* image;
  const char* pressed;
  const char* tooltip;
};
constexpr ButtonLook kSelectButton{28, "&Seleccionar", "OK1", "OK2", "Seleccionar Código"};
constexpr ButtonLook kSearchButton{104, "&Buscar", "Buscar1", "Buscar2", "Buscar Código"};
constexpr ButtonLook kCancelButton{180, "&Cancelar", "Exit1", "Exit2", "Cancela Selección"};
// A row above the three buttons for the spreadsheet files.
constexpr int kFilesRow = kBrowseHeight - kButtonHeight - 6;
constexpr ButtonLook kImportButton{28, "&Importar…", "OK1", "OK2", "Importar códigos de una hoja de cálculo (CSV)"};
constexpr ButtonLook kExportButton{104, "&Exportar…", "OK1", "OK2", "Exportar los códigos a una hoja de cálculo (CSV)"};
// Beside them, for the print list: the rows chosen go to it.
constexpr ButtonLook kListButton{180, "Imprimir &lista", "Impr1", "Impr2",
                                 "Añadir los códigos elegidos a la lista de impresión"};

// Controls of the search dialog.
constexpr int kByCode = 101, kByDescription = 102, kSearchText = 130, kSearch = 200, kCancelSearch = 201;
constexpr int kSearchLength = 35;

QString shown(const std::string& text) { return QString::fromStdString(std::string(xb::trim(text))); }

void setBackground(QWidget* w, const QColor& c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, c);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

}  // namespace

// The rows of CodPro2 in its order, read a window of rows at a time by
// skipping from the nearest row whose record is known (the first row of
// every window read so far, or the top). Reading leaves the table on the
// record it stood on.
class CodeBrowse::Model : public QAbstractTableModel {
 public:
  Model() { rows_ = countRows(); }

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const Row* r = rowAt(index.row());
    if (!r) return {};
    return index.column() == 0 ? r->code : r->description;
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? QStringLiteral("Código") : QStringLiteral("Descripción");
  }

  // The rows read again from the table (after an import).
  void reload() {
    beginResetModel();
    windows_.clear();
    anchors_.clear();
    rows_ = countRows();
    endResetModel();
  }

  int64_t recordOf(int row) const {
    const Row* r = rowAt(row);
    return r ? r->recno : 0;
  }

  // The row of a record: looked for among the rows read, else counted from
  // the top (which also learns where the windows on the way begin). -1 when
  // the record is not one of the rows.
  int rowOf(int64_t recno) {
    for (const auto& [window, rows] : windows_)
      for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].recno == recno) return window * kWindow + int(i);
    WorkArea* a = area();
    if (!a) return -1;
    const int64_t keep = a->recno();
    int found = -1, row = 0;
    for (a->goTop(); !a->eof() && row < rows_; a->skip(), ++row) {
      if (row % kWindow == 0) anchors_[row] = a->recno();
      if (a->recno() == recno) {
        found = row;
        break;
      }
    }
    a->goTo(keep);
    return found;
  }

 private:
  struct Row {
    int64_t recno;
    QString code, description;
  };
  static constexpr int kWindow = 64;
  static constexpr size_t kWindowsKept = 64;

  static WorkArea* area() { return productArea(); }

  static int countRows() {
    WorkArea* a = area();
    return a ? int(a->keyCount()) : 0;
  }

  const Row* rowAt(int row) const {
    if (row < 0 || row >= rows_) return nullptr;
    const int window = row / kWindow;
    auto it = windows_.find(window);
    if (it == windows_.end()) it = load(window);
    const size_t i = size_t(row % kWindow);
    return i < it->second.size() ? &it->second[i] : nullptr;
  }

  std::map<int, std::vector<Row>>::iterator load(int window) const {
    if (windows_.size() >= kWindowsKept) windows_.clear();
    std::vector<Row>& rows = windows_[window];
    WorkArea* a = area();
    if (!a) return windows_.find(window);
    const int64_t keep = a->recno();
    const int first = window * kWindow;
    auto anchor = anchors_.upper_bound(first);
    int at = 0;
    if (anchor == anchors_.begin()) {
      a->goTop();
    } else {
      --anchor;
      at = anchor->first;
      a->goTo(anchor->second);
    }
    if (first > at) a->skip(first - at);
    for (int i = 0; i < kWindow && first + i < rows_ && !a->eof(); ++i) {
      if (i == 0) anchors_[first] = a->recno();
      const ProductCode p = productOf(*a);
      rows.push_back({a->recno(), shown(p.complete), shown(p.description)});
      if (i + 1 < kWindow) a->skip();
    }
    const bool shortWindow = int(rows.size()) < std::min(kWindow, rows_ - first);
    a->goTo(keep);
    // The order holds keys of rows the filter hides: the rows end earlier
    // than the key count said. Drop the rows past the end once painting is
    // over.
    if (shortWindow) {
      const int end = first + int(rows.size());
      auto* self = const_cast<Model*>(this);
      QTimer::singleShot(0, self, [self, end] { self->endAt(end); });
    }
    return windows_.find(window);
  }

  void endAt(int end) {
    if (end >= rows_) return;
    beginRemoveRows({}, end, rows_ - 1);
    rows_ = end;
    endRemoveRows();
  }

  int rows_ = 0;
  mutable std::map<int, std::vector<Row>> windows_;
  mutable std::map<int, int64_t> anchors_;
};

struct CodeBrowse::Parts {
  std::unique_ptr<QDialog> window;
  QTableView* view = nullptr;
  std::unique_ptr<Model> model;
  bool selected = false;
  std::vector<int64_t> forList;
  BrowseSearch search;  // the last search made, for the export
};

CodeBrowse::CodeBrowse(QWidget* panel, Use use) : p_(std::make_unique<Parts>()) {
  p_->window = std::make_unique<QDialog>(panel);
  QDialog* w = p_->window.get();
  w->setWindowTitle(QString::fromUtf8(kBrowseTitle));
  w->setModal(true);
  w->setFixedSize(kWindowWidth, kWindowHeight);
  setBackground(w, QColor(215, 255, 215));
  if (panel) {
    const QPoint at = panel->mapToGlobal(QPoint(0, 0));
    w->move(at.x() + 180, at.y() + 50);
  }

  p_->model = std::make_unique<Model>();
  auto* view = new QTableView(w);
  p_->view = view;
  view->setModel(p_->model.get());
  view->setGeometry(0, 0, kWindowWidth, kFilesRow - 6);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setShowGrid(true);
  view->setGridStyle(Qt::SolidLine);
  view->setFrameShadow(QFrame::Sunken);
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->horizontalHeader()->setFixedHeight(view->horizontalHeader()->sizeHint().height() + 2);
  view->horizontalHeader()->setHighlightSections(false);
  view->setColumnWidth(0, kCodeWidth);
  view->setColumnWidth(1, kDescriptionWidth);
  // Enter and a double click on a row select it (take the chosen rows for
  // the print list).
  QObject::connect(view, &QAbstractItemView::activated, w, [this, use] {
    use == Use::ForList ? takeForList() : select();
  });
  QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, w,
                   [this](const QModelIndex& current) {
                     if (WorkArea* a = productArea(); a && current.isValid()) {
                       if (const int64_t r = p_->model->recordOf(current.row()); r > 0) a->goTo(r);
                     }
                   });

  const auto button = [w](const ButtonLook& look, int row = kButtonRow) {
    auto* b = new QPushButton(QString::fromUtf8(look.text), w);
    b->setGeometry(look.column * kUnit, row, kButtonWidth, kButtonHeight);
    b->setToolTip(QString::fromUtf8(look.tooltip));
    b->setAutoDefault(false);
    ui::setPressedImages(b, look.image, look.pressed);
    return b;
  };
  QPushButton* choose = button(kSelectButton);
  if (use == Use::ForList) {
    choose->setToolTip(QString::fromUtf8(kListButton.tooltip));
    QObject::connect(choose, &QPushButton::clicked, w, [this] { takeForList(); });
  } else {
    QObject::connect(choose, &QPushButton::clicked, w, [this] { select(); });
  }
  QObject::connect(button(kSearchButton), &QPushButton::clicked, w, [this] {
    BUSCASELCOD(*this);
    p_->view->setFocus();
  });
  QObject::connect(button(kCancelButton), &QPushButton::clicked, w, [w] { w->reject(); });
  QObject::connect(button(kImportButton, kFilesRow), &QPushButton::clicked, w, [this] { importCodes(); });
  QObject::connect(button(kExportButton, kFilesRow), &QPushButton::clicked, w, [this] {
    EXPORTARCODIGOS(p_->window.get(), p_->search.text.empty() ? nullptr : &p_->search);
    p_->view->setFocus();
  });
  if (use == Use::PickOrList)
    QObject::connect(button(kListButton, kFilesRow), &QPushButton::clicked, w, [this] { takeForList(); });
  stabilize();
}

CodeBrowse::~CodeBrowse() {
  // The view goes before the model it shows.
  p_->window.reset();
}

QDialog* CodeBrowse::window() const { return p_->window.get(); }
QTableView* CodeBrowse::view() const { return p_->view; }
int CodeBrowse::rowCount() const { return p_->model->rowCount(); }

int CodeBrowse::currentRow() const {
  const QModelIndex i = p_->view->currentIndex();
  return i.isValid() ? i.row() : -1;
}

int64_t CodeBrowse::recordOfRow(int row) const { return p_->model->recordOf(row); }

void CodeBrowse::stabilize() {
  WorkArea* a = productArea();
  int row = -1;
  if (a && !a->eof()) row = p_->model->rowOf(a->recno());
  if (row < 0 && p_->model->rowCount() > 0) row = 0;
  if (row >= 0) {
    const QModelIndex index = p_->model->index(row, 0);
    p_->view->setCurrentIndex(index);
    p_->view->scrollTo(index);
  }
  p_->view->setFocus();
}

void CodeBrowse::select() {
  WorkArea* a = productArea();
  const int64_t recno = recordOfRow(currentRow());
  if (!a || recno <= 0) return;
  a->goTo(recno);
  const ProductCode p = productOf(*a);
  xb::assignOrCreate("cCodigo", xb::Value(std::string(xb::trim(p.code)) + std::string(xb::trim(p.check))));
  p_->selected = true;
  p_->window->accept();
}

bool CodeBrowse::selected() const { return p_->selected; }

void CodeBrowse::takeForList() {
  std::vector<int> rows;
  for (const QModelIndex& i : p_->view->selectionModel()->selectedRows()) rows.push_back(i.row());
  if (rows.empty() && currentRow() >= 0) rows.push_back(currentRow());
  std::sort(rows.begin(), rows.end());
  p_->forList.clear();
  for (int row : rows)
    if (const int64_t r = recordOfRow(row); r > 0) p_->forList.push_back(r);
  if (p_->forList.empty()) return;
  p_->window->accept();
}

const std::vector<int64_t>& CodeBrowse::forList() const { return p_->forList; }

void CodeBrowse::importCodes() {
  if (IMPORTARCODIGOS(p_->window.get())) {
    p_->model->reload();
    stabilize();
  }
  p_->view->setFocus();
}

void CodeBrowse::searched(const std::string& text, bool byDescription) { p_->search = {std::string(xb::trim(text)), byDescription}; }

void CodeBrowse::exec() { ui::execModal(*p_->window); }

bool CONSULTCODPRO(QWidget* panel, const ToPrintList& toList) {
  auto& areas = workAreas();
  const int previousArea = areas.selected();
  WorkArea* a = productArea();
  if (!a) return false;
  const int64_t before = a->recno();
  if (!BUSCACOD2(currentCode())) a->goTop();
  bool chosen = false;
  std::vector<int64_t> forList;
  {
    CodeBrowse browse(panel, toList ? CodeBrowse::Use::PickOrList : CodeBrowse::Use::Pick);
    browse.exec();
    chosen = browse.selected();
    forList = browse.forList();
  }
  if (!chosen) a->goTo(before);
  areas.select(previousArea);
  if (!forList.empty()) toList(forList);
  return chosen && !xb::trim(currentCode()).empty();
}

std::unique_ptr<QDialog> searchDialog(CodeBrowse& oBrowse) {
  const QString root = ui::mainResourceRoot();
  std::unique_ptr<QWidget> w = ui::resourceDialog(root, QStringLiteral("BUSCACOD2"), oBrowse.window());
  auto* raw = qobject_cast<QDialog*>(w.get());
  if (!raw) return nullptr;
  w.release();
  std::unique_ptr<QDialog> dlg(raw);
  dlg->setWindowTitle(QString::fromUtf8(kSearchTitle));
  dlg->setModal(true);
  setBackground(raw, QColor(225, 255, 225));

  if (auto* r = qobject_cast<QRadioButton*>(ui::controlById(raw, kByCode))) r->setChecked(true);
  auto* text = qobject_cast<QLineEdit*>(ui::controlById(raw, kSearchText));
  if (text) {
    text->setMaxLength(kSearchLength);
    ui::upperCaseInput(text);
    // What the user types from the moment the dialog opens goes here.
    text->setFocus();
  }
  if (auto* b = qobject_cast<QAbstractButton*>(ui::controlById(raw, kSearch))) {
    ui::setPressedImages(b, "OK1", "OK2");
    QObject::connect(b, &QAbstractButton::clicked, raw, [raw, text, &oBrowse] {
      auto* byDescription = qobject_cast<QRadioButton*>(ui::controlById(raw, kByDescription));
      const int criterion = byDescription && byDescription->isChecked() ? 2 : 1;
      BUSCA2(text ? text->text().toStdString() : std::string(), criterion, oBrowse);
      raw->accept();
    });
  }
  if (auto* b = qobject_cast<QAbstractButton*>(ui::controlById(raw, kCancelSearch))) {
    ui::setPressedImages(b, "OK1", "OK2");
    b->setToolTip(QStringLiteral("Cancela búsqueda"));
    QObject::connect(b, &QAbstractButton::clicked, raw, [raw] { raw->reject(); });
  }
  return dlg;
}

void BUSCASELCOD(CodeBrowse& oBrowse) {
  if (std::unique_ptr<QDialog> dlg = searchDialog(oBrowse)) ui::execModal(*dlg);
}

void BUSCA2(const std::string& cText, int nCriterion, CodeBrowse& oBrowse) {
  if (!productArea()) return;
  findProductContaining(cText, nCriterion == 2);
  oBrowse.searched(cText, nCriterion == 2);
  oBrowse.stabilize();
}

}  // namespace qv
