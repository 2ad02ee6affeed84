// The main panel: the screen in which the user works with product codes.
// Three large buttons switch between its two pages and close it; page 1
// finds a code in the product table (CodPro2) and then prints, changes,
// creates or deletes it, page 2 computes the check digit of a code typed
// without one.
//
// Panel (template DLG_PRINCIP), by control ID: 160 frame lines, 110 the
// prompt, 180 the page control, 200 / 201 / 202 the buttons that show page
// 1, show page 2 and close (held in the application-wide array oBtnP1,
// slots 1 to 3).
//
// Page 1 (template PAG_PAG1): 109 title, 120 the code (cCodigo), 190 the
// browse, 191 the lookup, 150 the code found or "Código no encontrado", 152
// the description, 151 the prompt, 301 the logo, 220 print, 221 change or
// include, 222 delete, 192 the print list. Page 1 is in one of three
// states:
//   Idle       (page start, a blank code looked up): lower part hidden;
//   Found      (the code is stored): code, description, print, change and
//              delete shown, lModifica true, CodPro2 on the code's record;
//   Not found  (the code is not stored, or was just deleted): "Código no
//              encontrado" and the include button only, lModifica false.
//
// Page 2 (template PAG_PAG2): 150 title, 301 the logo, 160 the prompt,
// 101-108 the symbology option, 161 the prompt, 130 the digits, 140 / 141
// the digits and their check digit, 220 generate (GENERADGCNT).
#pragma once

#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QDialog;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QToolButton;
class QWidget;

namespace qv {

namespace panel_texts {
inline constexpr const char* kTitle = "Generador de Códigos de Barras Quorvalent";
inline constexpr const char* kChooseAction = "Seleccione acción.....";
inline constexpr const char* kPage1Button = "&Imprimir Código";
inline constexpr const char* kPage1Tip = "Crear, modificar, imprimir Código";
inline constexpr const char* kPage2Button = "&Generar Dígito de Control";
inline constexpr const char* kPage2Tip = "Generar Dígito de Control";
inline constexpr const char* kCloseButton = "&Salir";
inline constexpr const char* kCloseTip = "Cerrar ventana";

inline constexpr const char* kPage1Title = "Crear - Modificar - Imprimir Código";
inline constexpr const char* kBrowse = "Consultar &Base de Datos";
inline constexpr const char* kBrowseTip = "Consultar Base de Datos";
inline constexpr const char* kPrintList = "Imprimir &lista…";
inline constexpr const char* kPrintListTip = "Etiquetas de muchos códigos a la vez";
inline constexpr const char* kContinue = "&Continuar";
inline constexpr const char* kContinueTip = "Continúa proceso para impresión de Código";
inline constexpr const char* kCodePrefix = "Código  ";
inline constexpr const char* kNotFound = "Código no encontrado";
inline constexpr const char* kChooseOption = "Seleccione su opción";
inline constexpr const char* kPrint = "&Imprimir";
inline constexpr const char* kPrintTip = "Imprime Código";
inline constexpr const char* kModify = "&Modificar";
inline constexpr const char* kModifyTip = "Modificar código";
inline constexpr const char* kInclude = "&Incluir";
inline constexpr const char* kIncludeTip = "Incluir nuevo código";
inline constexpr const char* kDelete = "&Eliminar";
inline constexpr const char* kDeleteTip = "Elimina Código";

inline constexpr const char* kPage2Title = "Generar Dígito de Control";
inline constexpr const char* kCodeKind = "Tipo de Código";
inline constexpr const char* kTypeDigits = "Ingrese los dígitos SIN Número de Control";
inline constexpr const char* kGenerate = "&Generar";
inline constexpr const char* kGenerateTip = "Generar Dígito de Control";
}  // namespace panel_texts

// How ESCONDEDLGINF dresses one of the three panel buttons.
struct PanelButtonLook {
  int shape;            // 5: rounded; 0: the button keeps its own
  int64_t textColour;   // packed RGB
  bool bold;
  int fontSize;         // points
  std::array<const char*, 3> images;  // image slots 1, 2 and 4
  int captionPosition;  // 4: beside the image; 0: the button keeps its own
};

// The looks of the buttons in slots 1 to 3 with page `nPage` (1 or 2)
// selected: the page's own button stands out in bold dark blue, the other
// page button is plain green, the close button keeps its exit images and a
// large bold caption beside them.
std::array<PanelButtonLook, 3> panelButtonLooks(int nPage);

// The face name of the panel buttons.
inline constexpr const char* kPanelFont = "Ms Sans Serif";

// The panel button held in slot `slot` (1 to 3) of oBtnP1; nullptr when the
// slot is empty or its button is gone.
QToolButton* panelButton(int slot);

// A button's images by slot: 1 normal, 2 pressed, 3 disabled, 4 with the
// mouse over it. Empty names leave a slot without an image. The names are
// kept in the button's property "imageSlots".
void setButtonImages(QToolButton* button, const std::array<QString, 4>& names);

// The screens page 1 opens. The program uses CONSULTCODPRO (whose rows
// chosen for the print list go to the list, which then opens), DLGBARRAS,
// IMPRESOLO, BORRADATO and LISTAIMPRESION; tests put their own in.
struct PanelActions {
  std::function<bool(QWidget* panel)> browse;                           // true: a row was selected
  std::function<void(const std::string& cMode, QWidget* panel)> edit;  // "N" or "M"
  std::function<void()> print;                                         // the current record
  std::function<bool()> erase;                                         // true: deleted
  std::function<void(QWidget* panel)> printList;                       // the print list screen
};
PanelActions programPanelActions();

// The check digit of the digits typed on page 2 for option nOption. A
// number of digits (blanks not counted) that is not the option's gets the
// stop box "Número de Dígitos no corresponde al tipo de Código" and leaves
// cCheck and the displays alone. Otherwise cCheck receives the check digit
// (a blank for the options without one) and oSayDigits / oSayCheck show
// the digits and cCheck without blanks. oDlg is the page they are on.
void GENERADGCNT(int nOption, const std::string& cDigits, std::string& cCheck, QWidget* oDlg, QLabel* oSayDigits,
                 QLabel* oSayCheck);

enum class PageState { Idle, Found, NotFound };

class MainPanel {
 public:
  // Builds the panel over `parent` (not shown yet): both pages, page 1
  // shown in state Idle, the buttons dressed for page 1. cCodigo and
  // cDescrip are reset to blanks. A missing template goes to the run-time
  // error hook and leaves dialog() null.
  explicit MainPanel(QWidget* parent, PanelActions actions = programPanelActions());
  // Closes the dialog and empties the slots of oBtnP1.
  ~MainPanel();
  MainPanel(const MainPanel&) = delete;
  MainPanel& operator=(const MainPanel&) = delete;

  QDialog* dialog() const { return dialog_.get(); }
  // Page 1 or 2 (the controls of each are found by ID below it).
  QWidget* page(int n) const;
  int currentPage() const;
  PageState state() const { return state_; }

  // Runs the panel modally, centred over its parent, until it is closed.
  void exec();

  // What buttons 200 and 201 do: show page n, dress the buttons for it and
  // put the focus on the page's input.
  void showPage(int nPage);
  // Dresses the three panel buttons for page nPage and repaints them.
  void ESCONDEDLGINF(int nPage);

  // Page 1. The lookup of the code in input 120 (leaving the input, or
  // button 191): a blank code gives Idle, else Found or Not found.
  void lookup();
  void ACTIVACNTRLS();      // enter state Found
  void DESACTIVCNTRSPAG();  // enter state Not found
  void QUITACNTRSPAG();     // enter state Idle

  // Page 2: button 220.
  void generate();
  int option() const { return option_; }
  const std::string& digits() const { return digits_; }
  const std::string& check() const { return check_; }

 private:
  void CARGAPAG1(QStackedWidget* oPages);
  void CARGAPAG2(QStackedWidget* oPages);
  void buildPanel();
  void storeCode();
  void showCode(const std::string& code);
  bool standOnShownCode();
  void browse();
  void print();
  void editOrInclude();
  void erase();
  void setLowerPart(bool code, bool desc, bool prompt, bool print, bool edit, bool erase);
  void setEditButton(const char* caption, const char* tip);

  PanelActions actions_;
  std::unique_ptr<QDialog> dialog_;
  QStackedWidget* pages_ = nullptr;
  QWidget* page1_ = nullptr;
  QWidget* page2_ = nullptr;
  QLineEdit* code_ = nullptr;    // 120
  QLineEdit* digits130_ = nullptr;
  std::array<QPointer<QToolButton>, 3> buttons_;
  QPointer<QObject> leaveWatch_;  // runs the lookup when input 120 is left
  PageState state_ = PageState::Idle;
  std::string shownCode_;  // the code of state Found
  int option_ = 1;
  std::string digits_ = std::string(25, ' ');
  std::string check_ = " ";
};

// Builds and runs the main panel, modal over `parent`, with the program's
// screens; returns when it is closed.
void PANEL_PRINC(QWidget* parent);

}  // namespace qv
