// The product-code screen: the CodBarr1 dialog that enters a new code or
// changes a stored one; its buttons save the code, print it without keeping
// it (app/code_save.h) or cancel.
#pragma once

#include <QDialog>
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

}  // namespace qv
