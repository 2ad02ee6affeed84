// The print list: stored products with a number of labels each, to be
// printed together through the label generator. Codes come typed or
// scanned (found as page 1 finds them, BUSCACOD2), chosen in the browse,
// or from a CSV file of codes and quantities (csv_text.h, a header line
// first). Looking codes up
// leaves the product table on the record it stood on and cBusqueda and
// cCodiCont as they were.
//
// Each copy of the program keeps its own list in the data folder, in
// "Listas/<user>@<host>.csv" (a second copy of the same user on the same
// machine takes "<user>@<host>-2.csv", and so on), held by a lock file for
// as long as the copy runs, so that copies sharing the folder never write
// over each other's list. The file is a CSV file the list itself can
// import: "codigo;cantidad", then one line per product in list order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/product_code.h"
#include "labels/genlabel.h"

namespace qv {

struct PrintListLine {
  std::string key;          // the product's key in the order Codigo (productKey)
  std::string code;         // as page 1 shows it: CODIGO and DGCNT without blanks
  std::string description;  // NOMETI
  int64_t quantity = 1;
};

inline constexpr int64_t kMaxListQuantity = 99999;

// "El código X no está almacenado."
std::string notStoredText(const std::string& code);

// The names a CSV file's header may give the code and the quantity
// columns (as csvName folds them); without them the code is the first
// column and the quantity the second.
inline const std::vector<std::string_view> kCodeColumns = {"codigo", "code", "codcompl", "ean", "codigodebarras",
                                                           "codigobarras"};
inline const std::vector<std::string_view> kQuantityColumns = {"cantidad", "quantity", "qty", "copias", "unidades"};

class PrintList {
 public:
  enum class Added { New, Again, NotStored };

  const std::vector<PrintListLine>& lines() const { return lines_; }
  bool empty() const { return lines_.empty(); }
  // Labels of every line.
  int64_t labels() const;

  // A code typed or scanned: stored, it adds a line of `quantity` labels,
  // or that many labels more to its line; not stored, nothing changes.
  Added addCode(const std::string& code, int64_t quantity = 1);
  // The same for the record `recno` of the product table (the browse).
  Added addRecord(int64_t recno, int64_t quantity = 1);
  // Quantities are kept between 1 and kMaxListQuantity.
  void setQuantity(size_t line, int64_t quantity);
  void remove(std::vector<size_t> lines);
  void clear() { lines_.clear(); }

  struct Refused {
    int line = 0;  // of the file
    bool notStored = false;
    std::string code;
    std::string why;  // Spanish, the whole sentence
  };
  struct Imported {
    int lines = 0;  // lines added to the list
    int64_t labels = 0;
    std::vector<Refused> refused;
  };
  // Adds the rows of a CSV file (its bytes) in file order; a row whose code
  // is not stored, blank, or whose quantity is not a whole number from 1 to
  // kMaxListQuantity (blank: 1) is refused and reported with its line.
  Imported importCsv(std::string_view bytes);

  // The list as the generator prints it.
  std::vector<lb::ListLine> forGenerator() const;
  // The list as its file holds it.
  std::string csv() const;

 private:
  Added add(const ProductCode& p, int64_t quantity);
  std::vector<PrintListLine> lines_;
};

// The list of this copy of the program, read from its file on first use
// (codes no longer stored are left out; takePrintListGone names them
// once).
PrintList& printList();
std::vector<std::string> takePrintListGone();
// Writes the list to its file; false (the old file kept) when it cannot be
// written.
bool savePrintList();
// The file of this copy's list (claimed on first use).
std::string printListFile();
// Forgets the list and frees its file, so that the next use reads it again.
void releasePrintList();

}  // namespace qv
