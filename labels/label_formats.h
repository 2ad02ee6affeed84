// Label format maintenance: the list of label formats, the marks of the
// format and the design chosen last, creating and deleting formats. These
// routines work on the label generator's own instances of the format table
// (alias LABELS, order Nombre) and of the design table (alias DATOSETI); each
// acts on its table and gives back the work area that was selected before.
//
// Format names are kept as the table stores them: Windows-1252 bytes,
// upper case, padded with blanks to 25 characters.
//
// A refused record lock is waited for as lock_wait.h says; a wait given up
// leaves that record unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "labels/label_catalogue.h"

namespace qv {
class TDATABASE;
}

namespace lb {

inline constexpr const char* kFormatsAlias = "LABELS";
inline constexpr const char* kDesignsAlias = "DATOSETI";
inline constexpr int kFormatNameWidth = 25;

inline constexpr const char* kNewLabelTitle = "NUEVO DISEÑO DE ETIQUETA";
inline constexpr const char* kNewLabelQuestion =
    "Para crear una nueva etiqueta deberá de proporcionar todas las medidas de la misma en mm.\r\n"
    "Podrá efectuar tantas pruebas como quiera puesto que estas medidas son totalmente modificables y el "
    "resultado se verá en pantalla antes de ser impreso.\r\n\r\n"
    "¿ Desea realmente crear un nuevo diseño y añadirlo a la lista ?";
inline constexpr const char* kNewLabelPrompt = "Nombre para el nuevo diseño";
inline constexpr const char* kNewLabelPicture = "ICONOS\\NEWLABEL.BMP";
inline constexpr const char* kBadLabelName = "El nombre no es correcto no se creará el nuevo diseño.";
inline constexpr const char* kDelLabelTitle = "BORRAR DISEÑO DE ETIQUETA";

// The deletion question for the format named `cName` (as stored).
std::string delLabelQuestion(const std::string& cName);

// Rebuilds `aFormatNames` with the name of every format in name order and
// returns the selected format: the first in name order whose ULTIMA is
// true, else the first format (blanks when there is none). The format table
// is left on that format.
std::string LISTALABELS(std::vector<std::string>& aFormatNames);

// Marks every format named exactly `cName` (same bytes, same padding) as
// the last chosen and every other as not, then returns the selected format
// as LISTALABELS does, the table left on it.
std::string CAMBIOLABEL(const std::string& cName);

// Moves the design mark (ULTIMA of the design headers) from design `nOld`
// to design `nNew`; `aHeaderRecs` holds the header record of each design,
// design 1 first. A design number outside the list is left alone. Returns
// `nNew`.
int CAMBIOETIQ(int nNew, int nOld, const std::vector<int64_t>& aHeaderRecs);

// Creates a format after asking whether to (kNewLabelQuestion) and for its
// name (input box, 25 blanks to start with). The format shown in `oFormat`
// loses its mark; the new record is loaded into `oFormat` with the name in
// upper case (padded to 25), HOJA "A4", ULTIMA true and every measure zero.
// Returns the stored name; "" when nothing was created (declined, a name
// empty after trimming or a cancelled box: kBadLabelName is shown for
// these two, or a lock wait given up).
std::string NEWLABEL(qv::TDATABASE& oFormat);
// Creates a format from a product of the label catalogue: the name is
// asked for in the same box, holding the product's name to start with;
// the new record takes the product's sheet (HOJA), measures, rows and
// columns, and prints its last row. No question comes first: choosing the
// product was the user's answer. Returns as NEWLABEL does.
std::string NEWLABEL(qv::TDATABASE& oFormat, const FormatMeasures& m);

// Asks, with No as the default answer, whether to delete the format shown
// (`cName`, as stored); on Yes marks the current record of the format table
// deleted. True when it was deleted.
bool DELLABEL(const std::string& cName);

}  // namespace lb
