#include "app/product_csv_screens.h"

#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <fstream>
#include <iterator>

#include "app/app_texts.h"
#include "data/mantenimiento.h"
#include "ui/widget_helpers.h"
#include "xbase/prompt.h"

namespace qv {

namespace {

constexpr int kShownRows = 10;

QString qs(const std::string& s) { return QString::fromStdString(s); }

void greenBackground(QWidget* w) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, QColor(215, 255, 215));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

QPushButton* button(QDialog* dlg, QHBoxLayout* row, const char* text) {
  auto* b = new QPushButton(QString::fromUtf8(text), dlg);
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}

std::string bareName(const std::string& path) { return QFileInfo(qs(path)).fileName().toStdString(); }

bool writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  return bool(out << text) && bool(out.flush());
}

}  // namespace

std::unique_ptr<QDialog> importPreview(const ImportPlan& plan, const std::string& file, QWidget* parent) {
  auto dlg = std::make_unique<QDialog>(parent);
  dlg->setWindowTitle(QString::fromUtf8(kImportTitle));
  dlg->resize(700, 420);
  greenBackground(dlg.get());
  auto* layout = new QVBoxLayout(dlg.get());
  std::string about = "Fichero: " + file + "\n";
  if (!plan.fault.empty()) {
    about += plan.fault;
  } else {
    about += columnsText(plan) + "\nFilas válidas: " + std::to_string(plan.rows.size()) +
             "; rechazadas: " + std::to_string(plan.refused.size()) + " (el resumen final dirá por qué).";
  }
  auto* info = new QLabel(qs(about), dlg.get());
  info->setWordWrap(true);
  layout->addWidget(info);
  layout->addWidget(new QLabel(QString::fromUtf8(kPreviewRows), dlg.get()));

  auto* table = new QTableWidget(dlg.get());
  table->setObjectName(QStringLiteral("rows"));
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  const std::vector<CsvRow>& rows = plan.csv.rows;
  if (!rows.empty()) {
    const std::vector<std::string>& header = rows.front().fields;
    table->setColumnCount(int(header.size()));
    QStringList headings;
    for (const std::string& h : header) headings << qs(h);
    table->setHorizontalHeaderLabels(headings);
    QStringList lines;
    for (size_t i = 1; i < rows.size() && int(lines.size()) < kShownRows; ++i) {
      const int r = int(lines.size());
      table->insertRow(r);
      lines << QString::number(rows[i].line);
      for (size_t c = 0; c < rows[i].fields.size() && int(c) < table->columnCount(); ++c)
        table->setItem(r, int(c), new QTableWidgetItem(qs(rows[i].fields[c])));
    }
    table->setVerticalHeaderLabels(lines);
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table, 1);

  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  QPushButton* go = button(dlg.get(), buttons, "&Importar");
  QPushButton* cancel = button(dlg.get(), buttons, "&Cancelar");
  go->setEnabled(plan.fault.empty() && !plan.rows.empty());
  go->setDefault(go->isEnabled());
  QDialog* raw = dlg.get();
  QObject::connect(go, &QPushButton::clicked, raw, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, raw, &QDialog::reject);
  return dlg;
}

std::unique_ptr<QDialog> importSummary(const std::string& text, QWidget* parent) {
  auto dlg = std::make_unique<QDialog>(parent);
  dlg->setWindowTitle(QString::fromUtf8(kImportTitle));
  dlg->resize(640, 400);
  greenBackground(dlg.get());
  auto* layout = new QVBoxLayout(dlg.get());
  auto* shown = new QPlainTextEdit(qs(text), dlg.get());
  shown->setReadOnly(true);
  layout->addWidget(shown, 1);
  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  QPushButton* save = button(dlg.get(), buttons, "&Guardar informe…");
  QPushButton* close = button(dlg.get(), buttons, "&Cerrar");
  QDialog* raw = dlg.get();
  QObject::connect(save, &QPushButton::clicked, raw, [text] {
    const std::optional<std::string> file =
        xb::prompter().saveFile("Guardar informe de importación", "Texto (*.txt)| *.txt|", "importacion.txt");
    if (file && !writeText(*file, text))
      xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, "No se puede escribir el fichero " + *file);
  });
  QObject::connect(close, &QPushButton::clicked, raw, &QDialog::accept);
  return dlg;
}

bool IMPORTARCODIGOS(QWidget* parent) {
  const std::optional<std::string> file = xb::prompter().openFile(kImportTitle, kCsvFilter);
  if (!file || file->empty()) return false;
  std::ifstream in(*file, std::ios::binary);
  if (!in) {
    xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, "No se puede leer el fichero " + *file);
    return false;
  }
  const ImportPlan plan = planImport(std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
  if (std::unique_ptr<QDialog> preview = importPreview(plan, bareName(*file), parent);
      ui::execModal(*preview) != QDialog::Accepted)
    return false;
  ImportSummary summary;
  progressRun().run("Importando " + std::to_string(plan.rows.size()) + " códigos…", kImportTitle,
                    [&](ProgressSink& sink) { summary = importPlan(plan, &sink); });
  std::unique_ptr<QDialog> shown = importSummary(summaryText(summary, *file), parent);
  ui::execModal(*shown);
  return summary.stored + summary.replaced > 0;
}

void EXPORTARCODIGOS(QWidget*, const BrowseSearch* search) {
  std::vector<int64_t> only;
  const bool some = search && !search->text.empty() &&
                    xb::prompter().yesNo(kExportTitle, "¿ Exportar solo los códigos que contienen \"" + search->text +
                                                           "\" ? (No: toda la tabla)");
  if (some) only = productsContaining(search->text, search->byDescription);
  const std::optional<std::string> file = xb::prompter().saveFile(kExportTitle, kCsvFilter, "codigos.csv");
  if (!file || file->empty()) return;
  const std::string text = exportProducts(some ? &only : nullptr);
  if (!writeText(*file, text)) {
    xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, "No se puede escribir el fichero " + *file);
    return;
  }
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  xb::prompter().message(xb::MsgKind::Info, kExportTitle,
                         std::to_string(lines - 1) + " códigos exportados a " + *file);
}

}  // namespace qv
