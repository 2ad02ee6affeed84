#include "labels/catalogue_screen.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <functional>
#include <vector>

#include "ui/widget_helpers.h"

namespace lb {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

const char* const kHeadings[] = {"Marca", "Referencia", "Descripción", "Etiqueta", "Por hoja", "Hoja"};

}  // namespace

// The products that match the search, by their place in the catalogue.
class CatalogueScreen::Model : public QAbstractTableModel {
 public:
  explicit Model(const Catalogue& c) : catalogue_(c) { filter({}); }

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(shown_.size()); }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 6; }

  QVariant data(const QModelIndex& index, int role) const override {
    const CatalogueProduct* p = product(index.row());
    if (!p) return {};
    if (role == Qt::TextAlignmentRole && index.column() == 4) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
      case 0: return qs(p->brand);
      case 1: return qs(p->part);
      case 2: return qs(p->description);
      case 3: return qs(catalogueLabelSize(*p));
      case 4: return p->perSheet();
      default: return qs(cataloguePaper(*p));
    }
  }

  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 6) return {};
    return QString::fromUtf8(kHeadings[section]);
  }

  const CatalogueProduct* product(int row) const {
    return row >= 0 && row < int(shown_.size()) ? &catalogue_.products[shown_[size_t(row)]] : nullptr;
  }

  void filter(const std::string& text) {
    beginResetModel();
    shown_.clear();
    for (size_t i = 0; i < catalogue_.products.size(); ++i)
      if (catalogueMatches(catalogue_.products[i], text)) shown_.push_back(i);
    endResetModel();
  }

 private:
  const Catalogue& catalogue_;
  std::vector<size_t> shown_;
};

struct CatalogueScreen::Parts {
  std::unique_ptr<QDialog> window;
  std::unique_ptr<Model> model;
  QLineEdit* search = nullptr;
  QTableView* list = nullptr;
  QLabel* note = nullptr;
  QPushButton* use = nullptr;
  NewFormatChoice choice;
  bool installed = false;
};

CatalogueScreen::CatalogueScreen(const Catalogue& catalogue, QWidget* parent) : p_(std::make_unique<Parts>()) {
  p_->installed = !catalogue.products.empty();
  p_->window = std::make_unique<QDialog>(parent);
  QDialog* w = p_->window.get();
  w->setWindowTitle(QString::fromUtf8(kCatalogueTitle));
  w->resize(760, 480);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, QColor(215, 255, 215));
  w->setPalette(pal);
  w->setAutoFillBackground(true);

  auto* layout = new QVBoxLayout(w);
  auto* searchRow = new QHBoxLayout;
  auto* searchLabel = new QLabel(QStringLiteral("&Buscar:"), w);
  p_->search = new QLineEdit(w);
  p_->search->setPlaceholderText(QStringLiteral("marca, referencia, descripción o hoja (p. ej. avery a4)"));
  searchLabel->setBuddy(p_->search);
  searchRow->addWidget(searchLabel);
  searchRow->addWidget(p_->search);
  layout->addLayout(searchRow);

  p_->model = std::make_unique<Model>(catalogue);
  p_->list = new QTableView(w);
  p_->list->setModel(p_->model.get());
  p_->list->setSelectionBehavior(QAbstractItemView::SelectRows);
  p_->list->setSelectionMode(QAbstractItemView::SingleSelection);
  p_->list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  p_->list->verticalHeader()->hide();
  p_->list->horizontalHeader()->setStretchLastSection(true);
  for (int c = 0; c < 6; ++c) p_->list->setColumnWidth(c, (const int[]){90, 90, 250, 120, 70, 80}[c]);
  layout->addWidget(p_->list, 1);

  p_->note = new QLabel(w);
  p_->note->setWordWrap(true);
  layout->addWidget(p_->note);

  auto* buttons = new QHBoxLayout;
  p_->use = new QPushButton(QStringLiteral("&Usar esta hoja"), w);
  auto* hand = new QPushButton(QStringLiteral("&Medidas a mano"), w);
  auto* cancel = new QPushButton(QStringLiteral("&Cancelar"), w);
  for (QPushButton* b : {p_->use, hand, cancel}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  layout->addLayout(buttons);

  QObject::connect(p_->use, &QPushButton::clicked, w, [this] { useCurrent(); });
  QObject::connect(hand, &QPushButton::clicked, w, [this] { byHand(); });
  QObject::connect(cancel, &QPushButton::clicked, w, [w] { w->reject(); });
  QObject::connect(p_->list, &QAbstractItemView::activated, w, [this] { useCurrent(); });
  QObject::connect(p_->search, &QLineEdit::textChanged, w, [this](const QString& t) { filter(t.toStdString()); });
  // Enter in the search takes the product under the cursor.
  QObject::connect(p_->search, &QLineEdit::returnPressed, w, [this] { useCurrent(); });
  QObject::connect(p_->list->selectionModel(), &QItemSelectionModel::currentRowChanged, w, [this] {
    const CatalogueProduct* p = current();
    p_->note->setText(p ? qs(catalogueNote(*p)) : QString());
    p_->use->setEnabled(p != nullptr);
  });

  if (!p_->installed) {
    p_->search->setEnabled(false);
    p_->list->setEnabled(false);
    p_->note->setText(QString::fromUtf8(kCatalogueMissing));
    p_->use->setEnabled(false);
    hand->setFocus();
  } else {
    filter({});
    p_->search->setFocus();
  }
}

CatalogueScreen::~CatalogueScreen() {
  // The view goes before the model it shows.
  p_->window.reset();
}

QDialog* CatalogueScreen::window() const { return p_->window.get(); }
QLineEdit* CatalogueScreen::search() const { return p_->search; }
QTableView* CatalogueScreen::list() const { return p_->list; }
int CatalogueScreen::rowCount() const { return p_->model->rowCount(); }

const CatalogueProduct* CatalogueScreen::current() const {
  const QModelIndex i = p_->list->currentIndex();
  return i.isValid() ? p_->model->product(i.row()) : nullptr;
}

std::string CatalogueScreen::note() const { return p_->note->text().toStdString(); }

void CatalogueScreen::filter(const std::string& text) {
  if (!p_->installed) return;
  p_->model->filter(text);
  if (p_->model->rowCount() > 0)
    p_->list->setCurrentIndex(p_->model->index(0, 0));
  else
    p_->note->setText(QStringLiteral("Ninguna hoja del catálogo contiene ese texto."));
  p_->use->setEnabled(current() != nullptr);
}

void CatalogueScreen::useCurrent() {
  const CatalogueProduct* p = current();
  if (!p) return;
  p_->choice = {NewFormatChoice::FromCatalogue, *p};
  p_->window->accept();
}

void CatalogueScreen::byHand() {
  p_->choice = {NewFormatChoice::ByHand, std::nullopt};
  p_->window->accept();
}

const NewFormatChoice& CatalogueScreen::choice() const { return p_->choice; }

NewFormatChoice CatalogueScreen::exec() {
  ui::execModal(*p_->window);
  return p_->choice;
}

const Catalogue& installedCatalogue() {
  static const Catalogue catalogue = readCatalogue();
  return catalogue;
}

using NewFormatChooser = std::function<NewFormatChoice(QWidget*)>;

namespace {

NewFormatChooser& chooser() {
  static NewFormatChooser c;
  return c;
}

}  // namespace

NewFormatChooser setNewFormatChooser(NewFormatChooser c) {
  NewFormatChooser previous = std::move(chooser());
  chooser() = std::move(c);
  return previous;
}

NewFormatChoice chooseNewFormat(QWidget* parent) {
  if (chooser()) return chooser()(parent);
  CatalogueScreen screen(installedCatalogue(), parent);
  return screen.exec();
}

}  // namespace lb
