// The product-code screen: the CodBarr1 dialog that enters a new code or
// changes a stored one, the save that stores the code in the product-code
// table (alias CodPro2) and runs the label generator on it, the print of a
// code without keeping it, and the removal of the current record after a
// question.
//
// A record is known by its key CODIGO+DGCNT. Codes with a check digit of
// their own (options 1 to 3) keep the body in CODIGO and the digit in DGCNT;
// codes kept whole (options 4 to 8) keep the code in CODIGO and an empty
// DGCNT, so their key is the code padded to 25 followed by a blank. A save
// finds, replaces and prints exactly the records of that whole key: a code
// kept whole never replaces, nor prints with, a record of a check-digit code
// whose body reads the same ("123" under Code 39 and the EAN-13 "123...4"
// are different codes).
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace qv {

inline constexpr const char* kEditTitle = "Generador de Códigos de Barrar Quorvalent  -  ";
inline constexpr const char* kEditTitleNew = "Incluyendo Código";
inline constexpr const char* kEditTitleChange = "Modificando Código";
inline constexpr const char* kEditHeading = "Generador Códigos de Barras";
inline constexpr const char* kEditKindCaption = "Tipo de Código";
inline constexpr const char* kEditModeNew = "Incluyendo Código:";
inline constexpr const char* kEditModeChange = "Modificando Código:";
inline constexpr const char* kEditCodeCaption = "Digite Código completo";
inline constexpr const char* kEditDescCaption = "Descripción";
inline constexpr const char* kEditSave = "&Guardar\nImprimir";
inline constexpr const char* kEditSaveTip = "Graba e imprime Código";
inline constexpr const char* kEditPrint = "&Imprimir";
inline constexpr const char* kEditPrintTip = "Sólo Imprime Código sin grabar";
inline constexpr const char* kEditCancel = "&Cancelar";
inline constexpr const char* kEditCancelTip = "Cancelar inclusión";

inline constexpr const char* kDeleteQuestion = "Seguro desea borrar registro ?";
inline constexpr const char* kDeleteYes = "  &Si  ";
inline constexpr const char* kDeleteNo = "  &No  ";
inline constexpr const char* kDeleteTitle = "Atención......";

// Control IDs of the CodBarr1 dialog (the options are 101 to 108).
inline constexpr int kEditCodeId = 130, kEditDescId = 131, kEditModeId = 109;
inline constexpr int kEditSaveId = 220, kEditPrintId = 221, kEditCancelId = 222;

// Width of the description typed in the dialog.
inline constexpr int kEditDescWidth = 35;

// Opens the CodBarr1 dialog, modal, and returns when it is closed: "N"
// enters a new code, "M" changes the code of the current record of
// CodPro2. The code field is bound to cCodigo. The dialog stays open after
// a save or a print.
void DLGBARRAS(const std::string& cMode, QWidget* parent = nullptr);

// The CodBarr1 dialog of DLGBARRAS built and bound, not shown yet; null
// when its template cannot be loaded.
std::unique_ptr<QDialog> openCodeDialog(const std::string& cMode, QWidget* parent = nullptr);

// Validates cCodigo for option nOption (1 to 8); a rejected code (an empty
// one too, whatever the option) gets its stop box and nothing is written. Otherwise the records of its key are
// replaced by one record holding the code, cDesc and the option's TIPOBAR,
// with NUMETI the count of the keys left plus one; the table is written to
// disk, cBusqueda holds the record's key and the print step runs. cCodigo
// is the same afterwards as before.
//
// With lSoloImpri set (print only) the written record is kept only when
// lModifica is set and it replaced a stored record (page 1's found code is
// rewritten). Otherwise it is removed after the print step, and records of
// the same key stored before are kept as they were: they are hidden during
// the print step, so that the label run prints the code as the dialog
// gives it.
void GRABADATO(const std::string& cDesc, int nOption);

// Prints the current record of CodPro2 with its own description and
// option as a print-only save of cCodigo (which page 1 found: the record
// is rewritten and kept).
void IMPRESOLO();

// Asks "Seguro desea borrar registro ?" and on "  &Si  " deletes the record
// on which the selected work area stands; true when it was deleted. With
// no record to delete (end of the table, or a record deleted already)
// nothing is asked and the answer is false.
bool BORRADATO();

// The print step of a save: the label generator on "CodPro.dbf". A step
// put in its place runs instead (tests); an empty one puts the label
// generator back. Answers the step replaced (empty for the generator).
using PrintStep = std::function<void()>;
PrintStep setPrintStep(PrintStep step);

}  // namespace qv
