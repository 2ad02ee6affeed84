// The catalogue of label-sheet products that a new label format may start
// from: the sheet templates of the gLabels label designer, as Debian's
// glabels-data package installs them (one XML file per brand or family,
// read with a streaming XML reader), products that are aliases of others
// included.
//
// Lengths in the files carry a unit (pt, mm, cm, in, pc; none means
// points); everything here is in millimetres. A product's label is its
// shape's bounding rectangle: round, elliptical and CD labels are laid out
// by the rectangle that holds them. Only the first layout of a sheet counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lb {

inline constexpr const char* kCatalogueFolder = "/usr/share/libglabels-3.0/templates";
inline constexpr const char* kCatalogueMissing =
    "El catálogo de hojas de etiquetas no está instalado (paquete glabels-data): las medidas se "
    "introducen a mano.";

enum class LabelShape { Rectangle, Round, Ellipse, Cd };

struct CatalogueProduct {
  std::string brand, part, description;  // UTF-8, as the file gives them
  std::string aliasOf;                   // the part it is an alias of; empty for a product of its own
  std::string paper;                     // the paper's name in the files: "A4", "US-Letter", "Other", ...
  double paperWidth = 0, paperHeight = 0;
  LabelShape shape = LabelShape::Rectangle;
  double width = 0, height = 0;  // the label (its bounding rectangle)
  int columns = 0, rows = 0;     // of the first layout
  double left = 0, top = 0;      // first label's corner from the paper's corner
  double stepX = 0, stepY = 0;   // from one label to the next across and down
  int layouts = 0;               // layouts of the sheet; only the first is used
  int perSheet() const { return columns * rows; }
};

struct Catalogue {
  std::vector<CatalogueProduct> products;  // in file order, file by file in name order
  int files = 0;                           // template files read
  std::vector<std::string> faults;         // a file that could not be read, an alias of nothing
};

// Reads every "*-templates.xml" of the folder, with the paper sizes of its
// "paper-sizes.xml". A folder without template files gives no products and
// no faults (the catalogue is not installed).
Catalogue readCatalogue(const std::string& folder = kCatalogueFolder);

// A length of the files in millimetres: a number with an optional unit (pt
// when none). Nothing when the text is not such a length.
std::optional<double> catalogueLength(std::string_view text);

// Whether every word of `text` occurs, ignoring case, in the product's
// brand, part, description or paper; an empty text matches every product.
bool catalogueMatches(const CatalogueProduct& p, std::string_view text);

// A new format's fields as NEWLABEL stores them: the name "BRAND PART" in
// upper case cut to 25 characters (UTF-8, not padded), HOJA the paper
// ("A4", "LETTER", "A5", else its own size "WxH" in whole millimetres), and the
// measures rounded to the fields' decimals. The margins are those that
// place the first label where the sheet has it, the run's own 3 mm down and
// 4 mm across taken off; the gaps (centimetres, as the run reads them) are
// the steps less the label's stored size, so that label after label stays
// in its place.
struct FormatMeasures {
  std::string nombre, hoja;
  double margenSup = 0, margenIzd = 0, altoEtiq = 0, anchoEtiq = 0;
  double separaHorz = 0, separaVert = 0;
  int filas = 0, columnas = 0;
};
FormatMeasures formatMeasures(const CatalogueProduct& p);

// What a user must know about a product's layout, in Spanish: a shape
// other than a rectangle is laid out by its bounding rectangle, a sheet of
// several layouts prints only its first. Empty for a plain rectangular
// sheet.
std::string catalogueNote(const CatalogueProduct& p);

// One line of the catalogue for a command line: brand and part,
// description, then the measures exactly as the new format stores them
// (MARGENSUP MARGENIZD ALTOETIQ ANCHOETIQ SEPARAHORZ SEPARAVERT FILAS
// COLUMNAS HOJA), separated by tabs.
std::string catalogueLine(const CatalogueProduct& p);

// The label size and the paper as the catalogue list shows them
// ("63,5 x 38,1 mm", "A4" / "US-Letter" / "73 x 124 mm").
std::string catalogueLabelSize(const CatalogueProduct& p);
std::string cataloguePaper(const CatalogueProduct& p);

}  // namespace lb
