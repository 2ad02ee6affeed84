// The product-code screen: the CodBarr1 dialog that enters a new code or
// changes a stored one, the save that stores the code and runs the label
// generator on it, the print of a code without keeping it, and the removal
// of the current record after a question.
#pragma once

#include <string>

class QWidget;

namespace qv {

// Opens the CodBarr1 dialog: "N" enters a new code, "M" changes the code of
// the current record of CodPro2.
void DLGBARRAS(const std::string& cMode, QWidget* parent = nullptr);

// Stores cCodigo with description cDesc under symbology option nOption and
// runs the label generator on it.
void GRABADATO(const std::string& cDesc, int nOption);

// Prints the current code without keeping it.
void IMPRESOLO();

// Asks whether to delete the current record of CodPro2 and deletes it on
// yes; true when it was deleted.
bool BORRADATO();

}  // namespace qv
