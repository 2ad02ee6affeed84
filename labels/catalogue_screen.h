// The choice a new label format starts from: a product of the label
// catalogue, searched by any part of its brand, part number, description
// or paper, or measures typed by hand. When the catalogue is not installed
// the window says so and offers only the measures by hand.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "labels/label_catalogue.h"

class QDialog;
class QLineEdit;
class QTableView;
class QWidget;

namespace lb {

inline constexpr const char* kCatalogueTitle = "Nueva etiqueta: hoja del catálogo";
inline constexpr const char* kCatalogueDoneText =
    "Las medidas de la etiqueta se han tomado del catálogo; puede corregirlas en milímetros.";

// The installed catalogue, read once per program run.
const Catalogue& installedCatalogue();

struct NewFormatChoice {
  enum Kind { Cancelled, ByHand, FromCatalogue } kind = Cancelled;
  std::optional<CatalogueProduct> product;  // FromCatalogue
};

// The window of the choice over `catalogue`: 1 the search text, the list
// (brand, part, description, label size, labels per sheet, paper), the
// note of the product under the cursor (its shape, its layouts) or the
// message of a missing catalogue, buttons "&Usar esta hoja" (also Enter or
// a double click on a row), "&Medidas a mano" and "&Cancelar".
class CatalogueScreen {
 public:
  CatalogueScreen(const Catalogue& catalogue, QWidget* parent);
  ~CatalogueScreen();
  CatalogueScreen(const CatalogueScreen&) = delete;
  CatalogueScreen& operator=(const CatalogueScreen&) = delete;

  QDialog* window() const;
  QLineEdit* search() const;
  QTableView* list() const;
  // The products listed now, and the one under the cursor.
  int rowCount() const;
  const CatalogueProduct* current() const;
  // The note shown under the list.
  std::string note() const;
  // Lists the products matching `text` (catalogueMatches), the cursor on
  // the first.
  void filter(const std::string& text);
  // What the buttons answer; the window closes.
  void useCurrent();
  void byHand();
  const NewFormatChoice& choice() const;
  // Runs the window modally; its answer.
  NewFormatChoice exec();

 private:
  class Model;
  struct Parts;
  std::unique_ptr<Parts> p_;
};

// The choice "Nueva" asks for before a new format is created, over the
// installed catalogue, unless a test put another in its place.
NewFormatChoice chooseNewFormat(QWidget* parent);

}  // namespace lb
