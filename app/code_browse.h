// The product-code browse "Seleccione Código" over CodPro2 (order Codigo,
// its row filter, deleted rows hidden) and its search dialog (template
// BUSCACOD2): the user browses the stored codes in code order, searches by
// part of the code or of the description and picks one for page 1 of the
// main panel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QDialog;
class QTableView;
class QWidget;

namespace qv {

inline constexpr const char* kBrowseTitle = "Seleccione Código";
inline constexpr const char* kSearchTitle = "Criterio de búsquda";

class CodeBrowse;

// Runs the browse window "Seleccione Código" over CodPro2, modal over `panel`
// (its position taken from the panel). It opens on the row of cCodigo when
// that code is stored, else on the first row. True when a row with a code
// was selected: cCodigo then holds the selected code (CODIGO without
// leading and trailing blanks + DGCNT likewise) and CodPro2 stands on its
// record. The caller (page 1 of the main panel) puts it into its code input
// and enters its state Found. Closed without a selection, cCodigo is left
// as it was and CodPro2 goes back to the record it stood on before, so the
// code page 1 shows stays the record its buttons act on. Either way the
// selected work area is selected again.
bool CONSULTCODPRO(QWidget* panel = nullptr);
// The search dialog (template BUSCACOD2) for an open browse, modal.
void BUSCASELCOD(CodeBrowse& oBrowse);
// Builds that dialog without running it: 101/102 the criterion (code,
// description), 130 the search text (upper case, 35 characters), 200
// "&Buscar" searches with BUSCA2 and accepts, 201 "Ca&ncelar" rejects.
// Null when the template cannot be loaded.
std::unique_ptr<QDialog> searchDialog(CodeBrowse& oBrowse);
// Searches CodPro2 and repositions the browse: criterion 1 looks in
// COD_COMPL, 2 in NOMETI, for the text without leading and trailing blanks
// as a part of the upper-cased field. The first record in code order that
// holds it becomes current; without one the browse keeps its row. The
// selected work area is selected again.
void BUSCA2(const std::string& cText, int nCriterion, CodeBrowse& oBrowse);

// The browse window over CodPro2: one row per visible record in the order
// Codigo (as many rows as the order has keys), columns "Código" (COD_COMPL
// trimmed) and "Descripción" (NOMETI); above the three buttons a row with
// "&Importar…" and "&Exportar…" (app/product_csv_screens.h). Rows are read from the table a window
// at a time as they are shown, so a large table opens at once. Moving the
// cursor moves CodPro2 to the row's record.
class CodeBrowse {
 public:
  // Builds the window (not shown), positioned from `panel` when given, with
  // the cursor on the row of CodPro2's current record (the first row when
  // the table stands at its end).
  explicit CodeBrowse(QWidget* panel = nullptr);
  ~CodeBrowse();
  CodeBrowse(const CodeBrowse&) = delete;
  CodeBrowse& operator=(const CodeBrowse&) = delete;

  QDialog* window() const;
  QTableView* view() const;
  // Rows the browse shows.
  int rowCount() const;
  // The row of the cursor; -1 when the browse is empty.
  int currentRow() const;
  // The record of a row; 0 when there is none.
  int64_t recordOfRow(int row) const;
  // Puts the cursor on the row of CodPro2's current record (the first row
  // when it stands on none) and gives the browse the focus.
  void stabilize();
  // Selects the cursor's row: cCodigo gets its code and the window closes.
  // Nothing happens on an empty browse.
  void select();
  // Whether a row was selected.
  bool selected() const;
  // Runs the window modally.
  void exec();
  // "&Importar…": the import (IMPORTARCODIGOS); the rows are read again
  // when codes were stored.
  void importCodes();
  // Remembers the last search for "&Exportar…", which offers to export
  // only the codes it finds.
  void searched(const std::string& text, bool byDescription);

 private:
  class Model;
  struct Parts;
  std::unique_ptr<Parts> p_;
};

}  // namespace qv
