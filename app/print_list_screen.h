// The print list screen (template LISTAIMP), reached from page 1 of the
// main panel ("Imprimir &lista…") and from the browse: the user builds this
// copy's print list (print_list.h) and prints it through the label
// generator.
//
// Controls by ID: 102 the code input (a barcode scanner types the code and
// Enter), 103 adds it; 110 the list (code, description, quantity; the
// quantity can be edited in place); 120 adds rows chosen in the browse,
// 121 imports a CSV file, 122 removes the chosen lines, 123 empties the
// list; 130 the totals of labels and sheets for the format chosen last in
// the generator; 1 prints (the generator for the list), 2 closes. Every
// change is written to the list's file at once.
#pragma once

#include <memory>
#include <string>

class QDialog;
class QTableWidget;
class QWidget;

namespace qv {

inline constexpr const char* kPrintListTitle = "Lista de impresión";
inline constexpr const char* kListAttention = "Atención.....";
inline constexpr const char* kCsvTitle = "Seleccione un fichero CSV de códigos y cantidades";
inline constexpr const char* kCsvFilter = "Ficheros CSV (*.csv *.txt)| *.csv *.txt|";
inline constexpr const char* kImportTitle = "Importación de la lista";
inline constexpr const char* kEmptyList = "La lista de impresión está vacía: añada algún código antes de imprimir.";
inline constexpr const char* kClearQuestion = "¿ Desea vaciar la lista de impresión ?";
inline constexpr const char* kNotSaved = "No se ha podido guardar la lista de impresión en ";

class PrintListScreen {
 public:
  // Builds the screen over `parent` (not shown); null dialog() when the
  // template is missing. Codes of the kept list that are no longer stored
  // are named in a message when it is run.
  explicit PrintListScreen(QWidget* parent);
  ~PrintListScreen();
  PrintListScreen(const PrintListScreen&) = delete;
  PrintListScreen& operator=(const PrintListScreen&) = delete;

  QDialog* dialog() const { return dialog_.get(); }
  QTableWidget* table() const { return table_; }
  void exec();

  // What the controls do.
  void addTyped();
  void addFromBrowse();
  void importCsv();
  void removeChosen();
  void clearList();
  void print();
  // Shows the list and its totals again.
  void refresh();

 private:
  void changed();
  void save();
  void showTotals();
  void quantityEdited(int row);

  std::unique_ptr<QDialog> dialog_;
  QTableWidget* table_ = nullptr;
  bool filling_ = false;
};

// Runs the print list screen modally over `parent`.
void LISTAIMPRESION(QWidget* parent);

}  // namespace qv
