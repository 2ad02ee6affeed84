// The browse's "&Importar…" and "&Exportar…": product codes from and to the
// CSV files of spreadsheets (app/product_import.h), with a look at the
// file's first rows before anything is stored, a progress meter while it
// is, and a summary that can be saved as a text file.
#pragma once

#include <memory>
#include <string>

#include "app/product_import.h"

class QDialog;
class QWidget;

namespace qv {

inline constexpr const char* kPreviewRows = "Primeras filas del fichero";

// The window of the first rows: the file and what was read of it (columnsText),
// how many rows are valid and how many refused, the first ten rows as the
// file has them, buttons "&Importar" (accepts; disabled when nothing can be
// imported) and "&Cancelar".
std::unique_ptr<QDialog> importPreview(const ImportPlan& plan, const std::string& file, QWidget* parent);
// The summary window: the text, "&Guardar informe…" (asks for a file and
// writes the text as UTF-8) and "&Cerrar".
std::unique_ptr<QDialog> importSummary(const std::string& text, QWidget* parent);

// The whole import: asks for the file, shows its first rows, imports it
// inside the progress dialog and shows the summary. True when codes were
// stored.
bool IMPORTARCODIGOS(QWidget* parent);

// The export: the codes of `search` when one is given and the user wants
// only those (asked first), else the whole table; asks for the file.
struct BrowseSearch {
  std::string text;
  bool byDescription = false;
};
void EXPORTARCODIGOS(QWidget* parent, const BrowseSearch* search);

}  // namespace qv
