// The label generator: the screen from which a sheet of labels is printed
// for the product in hand. It opens its own shared instances of the product
// table (alias: the table's base name, index CodiProx.cdx, scoped on the
// search key cBusqueda), the design table (DATOSETI, order NumEti) and the
// format table (LABELS), shows the dialog "GENLABEL" of the main resource
// file and closes the three tables when it ends.
//
// Controls (by control ID): 102 the designs list, 103 the formats list,
// 106-113 the format's measures (saved to the format record on leaving),
// 104 "print the last row", 125 the totals text, 127 the printer, buttons
// 1 (see and print), 105 (new format), 123 (delete format), 126 (printer),
// 2 (close), 128 (the design editor on the selected design, after which
// the designs are read again and the one it was left on is chosen); 200
// and 201 show the bitmaps LABELSIZ and NEWLABEL. 141 the
// label to start at on the first sheet (1 top-left, row by row), 143 the
// number of labels of the code in hand (blank: the rest of the sheet; not
// shown for a print list), 145 the outlines (none, over the content, only
// the outlines), 147 and 149 the offset of the printer shown in 127
// (millimetres right and down, kept for that printer as they are left).
//
// For a print list the generator opens the whole product table and prints
// the list's products in list order; its totals text counts the list's
// labels from the start label.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/tdatabase.h"
#include "labels/label_job.h"

namespace lb {

inline constexpr const char* kGenLabelTitle = "Generador de etiquetas";
inline constexpr const char* kNoFileTitle = "Falta fichero de definición de etiquetas.";
inline constexpr const char* kNoFileQuestion =
    "No se ha indicado fichero para realizar etiquetas ¿Desea seleccionar uno?";
inline constexpr const char* kChooseDesignTitle = "Seleccione un diseño de etiquetas.";
inline constexpr const char* kDesignFilter = "Etiquetas (*.eti)| *.eti|";
inline constexpr const char* kMissingFileTitle = "Imposible generar etiquetas";
inline constexpr const char* kMissingFileText = "No se ha localizado el fichero: ";
inline constexpr const char* kNewFormatTitle = "NUEVO DISEÑO";
inline constexpr const char* kNewFormatText = "Ahora debe de introducir los datos de la etiqueta en milímetros.";
inline constexpr const char* kDeletedTitle = "DISEÑO BORRADO";
inline constexpr const char* kDeletedText = "La etiqueta seleccionada ha sido eliminada de la lista.";
inline constexpr const char* kPrinterPrefix = "Imprimir en ";

// The label-design file of a product table file: a name holding a "." is
// reduced to its bare file name without folders and without everything from
// its first "."; then ".ETI" is appended ("C:\\Datos\\CodPro.dbf" ->
// "CodPro.ETI").
std::string labelDesignFile(const std::string& cFile);

// The designs of the design table as read from its top in its order: the
// name and header record of each design (a design starts where the design
// number changes) and the design whose header carries ULTIMA (the last
// such), else `previous`; kept within the designs read (0 when none).
struct DesignList {
  std::vector<std::string> names;  // as stored (Windows-1252)
  std::vector<int64_t> headers;
  int selected = 0;
};
DesignList readDesigns(const std::string& alias, int previous);

inline constexpr const char* kOutlineChoices[] = {"Sin contornos", "Contornos sobre el contenido",
                                                  "Solo los contornos"};
inline constexpr const char* kListGoneTitle = "Atención.....";
inline constexpr const char* kListGoneText = "Ya no están almacenados y no se imprimirán: ";
inline constexpr const char* kQuantityTitle = "Atención.....";
inline constexpr const char* kQuantityText = "La cantidad de etiquetas debe ser un número entero mayor que cero.";

// One line of a print list as the generator takes it: the product by its
// key in the product table's order Codigo (CODIGO + DGCNT, as the table
// holds them) and its number of labels.
struct ListLine {
  std::string key;
  int64_t quantity = 0;
};

class GenLabelScreen;

// Opens the generator's tables and builds its dialog (not shown yet). When
// no file is given, asks for one; a declined question, a cancelled file
// dialog, a missing design file (after its message) or a table that does
// not open give null, with nothing left open.
std::unique_ptr<GenLabelScreen> openGenLabel(const std::string& cFile, const std::string& cTitle);

// The generator for a print list: the same screen over the whole product
// table, printing `lines` in order.
std::unique_ptr<GenLabelScreen> openGenLabelList(const std::string& cFile, std::vector<ListLine> lines,
                                                 const std::string& cTitle);

// The generator, modal: false when it could not be opened, true after it
// was closed.
bool GENLABEL(const std::string& cFile, const std::string& cTitle = kGenLabelTitle);
// The same for a print list.
bool GENLABELLISTA(const std::string& cFile, std::vector<ListLine> lines, const std::string& cTitle = kGenLabelTitle);

class GenLabelScreen {
 public:
  // Saves a measure edited and not yet saved, closes the product table,
  // DATOSETI and LABELS and selects the work area selected before opening.
  ~GenLabelScreen();
  GenLabelScreen(const GenLabelScreen&) = delete;
  GenLabelScreen& operator=(const GenLabelScreen&) = delete;

  QDialog* dialog() const { return dialog_.get(); }
  // Runs the dialog modally with the focus on the designs list.
  void exec();

  const std::string& productAlias() const { return productAlias_; }
  int64_t recordCount() const { return recordCount_; }
  const DesignList& designs() const { return designs_; }
  const std::vector<std::string>& formatNames() const { return formatNames_; }
  const std::string& selectedFormat() const { return selectedFormat_; }
  const qv::TDATABASE& format() const { return oFormat_; }
  bool forList() const { return list_.has_value(); }

 private:
  friend std::unique_ptr<GenLabelScreen> openGenLabel(const std::string&, const std::string&);
  friend std::unique_ptr<GenLabelScreen> openGenLabelList(const std::string&, std::vector<ListLine>,
                                                          const std::string&);
  GenLabelScreen() = default;
  static std::unique_ptr<GenLabelScreen> open(const std::string& cFile, const std::string& cTitle,
                                              std::optional<std::vector<ListLine>> list);

  bool openTables(const std::string& productFile, const std::string& designFile);
  bool buildDialog(const std::string& cTitle);
  void fillFormatList();
  void showFormat();
  void showTotals();
  void showPrinter();
  void saveMeasure(int id);
  void saveFormat();
  void chooseDesign(int row);
  void chooseFormat(int row);
  void newFormat();
  void deleteFormat();
  void choosePrinter();
  void design();
  void print();
  void buildRunChoices();
  void showStart();
  void showOffset();
  void saveOffset();
  JobChoices runChoices() const;
  std::vector<LabelOrder> listOrders();

  std::vector<std::string> opened_;  // aliases opened, in order
  int previousArea_ = 1;
  std::string productAlias_;
  int64_t recordCount_ = 0;
  DesignList designs_;
  std::vector<std::string> formatNames_;
  std::string selectedFormat_;
  qv::TDATABASE oDesign_{"DATOSETI"};
  qv::TDATABASE oFormat_{"LABELS"};
  bool pending_ = false;  // a value put into the format buffer and not saved
  std::optional<std::vector<ListLine>> list_;
  std::unique_ptr<QDialog> dialog_;
};

}  // namespace lb
