#include "errors/error_browser.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include "errors/error_print.h"
#include "errors/error_report.h"
#include "xbase/dates.h"

namespace qv {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

BrowserLayout browserLayout(int screenWidth) {
  if (screenWidth < 800)
    return {"Registro de Errores del Programa", 600, 440, {"Fecha", "Hora", "Descripcion del error"},
            {90, 90, 150}, {"&Ver", "&Salir"}};
  return {"Registro de Errores del programa", 750, 500, {"Fecha", "Hora", "Nombre del error"},
          {90, 90, 150}, {"&Imprimir", "&Salir"}};
}

ErrorBrowser::ErrorBrowser(std::vector<LogRow> rows, int start, int screenWidth, QWidget* parent)
    : QDialog(parent), rows_(std::move(rows)) {
  const BrowserLayout look = browserLayout(screenWidth);
  setWindowTitle(q(look.title));
  setModal(true);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(12);
  setFont(font);
  resize(look.width, look.height);

  auto* layout = new QVBoxLayout(this);
  table_ = new QTableWidget(static_cast<int>(rows_.size()), static_cast<int>(look.columns.size()), this);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  for (size_t c = 0; c < look.columns.size(); ++c) {
    table_->setHorizontalHeaderItem(static_cast<int>(c), new QTableWidgetItem(q(look.columns[c])));
    table_->setColumnWidth(static_cast<int>(c), look.columnWidths[c]);
  }
  for (size_t r = 0; r < rows_.size(); ++r) {
    const int row = static_cast<int>(r);
    table_->setItem(row, 0, new QTableWidgetItem(q(xb::dateToText(rows_[r].fecha))));
    table_->setItem(row, 1, new QTableWidgetItem(q(rows_[r].hora)));
    table_->setItem(row, 2, new QTableWidgetItem(q(rows_[r].error)));
  }
  layout->addWidget(table_, 3);
  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(text_, 2);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch();
  for (const std::string& caption : look.buttons) {
    auto* b = new QPushButton(q(caption), this);
    b->setAutoDefault(false);
    buttons_.push_back(b);
    buttonRow->addWidget(b);
  }
  layout->addLayout(buttonRow);
  (screenWidth < 800 ? buttons_[1] : buttons_[0])->setDefault(true);
  connect(buttons_[0], &QPushButton::clicked, this, [this] {
    const int row = currentRow();
    if (row >= 0) IMPERROR(this, toLogText(rows_[static_cast<size_t>(row)].texto));
  });
  connect(buttons_[1], &QPushButton::clicked, this, &QDialog::accept);
  connect(table_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) { showRow(row); });
  if (start >= 0 && start < table_->rowCount()) table_->setCurrentCell(start, 0);
  showRow(currentRow());
}

QPushButton* ErrorBrowser::button(const QString& caption) const {
  for (QPushButton* b : buttons_)
    if (b->text() == caption) return b;
  return nullptr;
}

int ErrorBrowser::currentRow() const { return table_->rowCount() > 0 ? table_->currentRow() : -1; }

void ErrorBrowser::showRow(int row) {
  text_->setPlainText(row >= 0 && row < static_cast<int>(rows_.size())
                          ? q(rows_[static_cast<size_t>(row)].texto).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                          : QString());
}

void IMPERROR(ErrorBrowser* browser, std::string_view oemText) {
  printErrorReport(oemText);
  FINREP(browser);
}

void FINREP(ErrorBrowser* browser) {
  if (!browser) return;
  browser->table()->viewport()->update();
  browser->activateWindow();
  browser->table()->setFocus();
}

std::unique_ptr<ErrorBrowser> makeErrorBrowser(int screenWidth, QWidget* parent) {
  if (!ABREERROR()) return nullptr;
  std::vector<LogRow> rows = readOpenLog();
  closeErrorLog();
  std::vector<std::string> keys;
  keys.reserve(rows.size());
  for (const LogRow& r : rows) keys.push_back(xb::dateToDtos(r.fecha) + r.hora);
  const int start = browserStart(keys, xb::dateToDtos(xb::today()));
  return std::make_unique<ErrorBrowser>(std::move(rows), start, screenWidth, parent);
}

void _SHOWERROR() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const std::unique_ptr<ErrorBrowser> browser =
      makeErrorBrowser(screen ? screen->geometry().width() : 1024, QApplication::activeWindow());
  if (browser) browser->exec();
}

}  // namespace qv
