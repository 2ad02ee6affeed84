#include "app/code_edit.h"

namespace qv {

void DLGBARRAS(const std::string&, QWidget*) {}

void GRABADATO(const std::string&, int) {}

void IMPRESOLO() {}

bool BORRADATO() { return false; }

}  // namespace qv
