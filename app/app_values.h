// The application-wide values start-up creates, visible to every screen
// through the named values of the run time.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// Packs an RGB colour as red + green * 256 + blue * 65536.
constexpr int64_t rgb(int r, int g, int b) { return r + g * 256 + b * 65536; }

// Creates, in this order: hDll and oWin (no value), cCodigoTxt (20 blanks),
// cCodigo (25 blanks), cDescrip (45 blanks), cElTipBarr (empty), lSoloImpri
// and lModifica (false), cBusqueda and cCodiCont (empty), ColorBrush
// RGB(250,250,250), Clr_Crystal RGB(135,135,245) and oBtnP1 (three empty
// slots). Existing values of those names are set again.
void createAppValues();

// Creates oApEjec, the application's named value store, holding the entry
// "nLinEjec" = 0.
void createRunStore();

// The current code (cCodigo); blanks when it does not exist.
std::string currentCode();

}  // namespace qv
