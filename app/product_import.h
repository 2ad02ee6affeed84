// Product codes brought in from a spreadsheet's CSV file and taken out to
// one. The file's first line names its columns: the code ("código",
// "codigo", "code"), the description ("descripción", "nometi", ...) and the
// symbology, as the option number 1 to 8 of the code screens ("opción") or
// as a symbology code or name ("tipo", "tipobar", "simbología": 13, UPCA,
// 8, 128, 3-9, IND25, MAT25, 5, EAN-13, ...); names are compared without
// case, accents, blanks or underscores, and other columns are ignored.
// Without a symbology column, or with its cell empty, a code is EAN-13.
//
// Every row is validated as a code typed on the code screens is: its
// symbology's length and check digit, or, for a code typed without its
// check digit, that digit completed as the check-digit page computes it;
// codes kept whole must be codes their symbology can carry, of at most 25
// characters. A code that appears twice in the file is taken from its first
// line; blank lines are passed over.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/csv_text.h"
#include "app/product_code.h"

namespace qv {

inline constexpr const char* kImportTitle = "Importar códigos";
inline constexpr const char* kExportTitle = "Exportar códigos";
inline constexpr const char* kCsvFilter = "Hojas de cálculo CSV (*.csv *.txt)| *.csv *.txt|";
inline constexpr const char* kTableBusy =
    "La tabla de códigos está en uso en otro puesto: no se ha importado nada. Inténtelo de nuevo en un momento.";

struct ImportColumns {
  int code = -1, description = -1, option = -1, type = -1;  // -1: no such column
};

struct ImportRefusal {
  int line = 0;
  std::string code;    // as the file has it
  std::string reason;  // Spanish
};

struct ImportRow {
  int line = 0;
  ProductCode product;  // ready to store (numEti left to the store)
  bool completed = false;  // its check digit was added
};

// A file read and every row validated, nothing stored yet.
struct ImportPlan {
  CsvText csv;
  ImportColumns columns;
  std::string fault;  // the file cannot be imported at all (Spanish); empty when it can
  std::vector<ImportRow> rows;
  std::vector<ImportRefusal> refused;  // in line order
};
ImportPlan planImport(std::string_view bytes);

// The column names as the preview shows them ("Código: columna 1 (EAN)").
std::string columnsText(const ImportPlan& plan);

struct ImportSummary {
  int stored = 0;     // new codes
  int replaced = 0;   // codes that were in the table and were written again
  int completed = 0;  // of those, codes whose check digit was added
  std::vector<ImportRefusal> refused;
  bool busy = false;  // nothing stored: another copy holds the table
  std::string fault;  // nothing stored: the file cannot be imported
  // 0 when every row was stored, 1 when some were refused, 2 when nothing
  // could be imported.
  int exitCode() const;
};
// Stores the plan's rows through the product-code record in one locked
// bulk write (storeProducts) and tells what happened.
ImportSummary importPlan(const ImportPlan& plan, ProgressSink* progress = nullptr);

// The summary as a text a user reads and may save: the file, the counts,
// then each refused row with its line number and reason.
std::string summaryText(const ImportSummary& s, const std::string& file);

// The product table (the whole table, or only `recnos` in that order) as
// the CSV file spreadsheets open: UTF-8 with a byte-order mark, ";"
// separated, the header "Código;Descripción;Tipo", the complete code with
// its check digit written as a text formula (="0123") so that a
// spreadsheet keeps its leading zeros and all its digits. Reading such a
// file back gives the same table.
std::string exportProducts(const std::vector<int64_t>* recnos = nullptr);

}  // namespace qv
