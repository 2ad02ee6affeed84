// Every text the main window, its menu, button bar, status bar and the
// small screens opened from them show.
#pragma once

namespace qv::texts {

inline constexpr const char* kMainTitle = "Generador de Códigos de Barras Quorvalent";

// Menu bar, left to right.
inline constexpr const char* kMenuCodes = "&Codigos de Barras";
inline constexpr const char* kMenuAbout = "Copy&Right...";
inline constexpr const char* kMenuEnd = "&Terminar";
inline constexpr const char* kMenuTest = "Prueba &6";

// Button bar tooltips, left to right.
inline constexpr const char* kTipCodes = "Manejo de Códigos";
inline constexpr const char* kTipCalc = "Calculadora";
inline constexpr const char* kTipHelp = "Ayuda en línea";
inline constexpr const char* kTipMaint = "Automantenimiento general";
inline constexpr const char* kTipExit = "Cerrar la aplicacion";

// The product's web address and the status-bar link.
inline constexpr const char* kWebUrl = "https://www.quorvalent.es/";
inline constexpr const char* kWebShown = "www.quorvalent.es";
inline constexpr const char* kLinkTip = "Visite nuestra página";
inline constexpr const char* kNotConnected =
    "No está conectado a Internet.\n\nPor favor conéctese y vuelva a intentarlo.";
inline constexpr const char* kAttention = "Atención.....";

// Leaving.
inline constexpr const char* kLeaveQuestion = "Desea terminar su sesión ?";
inline constexpr const char* kLeaveYes = "   &Si   ";
inline constexpr const char* kLeaveNo = "   &No   ";
inline constexpr const char* kLeaveTitle = "Seleccione su opción";

// About box (lines 150 and 151).
inline constexpr const char* kAboutTitle = "Acerca de Quorvalent";
inline constexpr const char* kAboutLine1 = "Generador de Códigos de Barras Quorvalent";
inline constexpr const char* kAboutLine2 = "Códigos de barras y etiquetas para su negocio";

// Screens that later versions bring.
inline constexpr const char* kNotYet = "Esta función todavía no está disponible en esta versión.";

// Calculator and help.
inline constexpr const char* kNoCalculator =
    "No se ha encontrado ninguna calculadora en el sistema.\n\n"
    "Instale una (por ejemplo gnome-calculator, galculator o xcalc) y vuelva a intentarlo.";
inline constexpr const char* kCalculatorFailed = "No se ha podido iniciar la calculadora ";
inline constexpr const char* kHelpFile = "ManuQvrL.html";
inline constexpr const char* kNoHelp = "No se encuentra el fichero de ayuda ";
inline constexpr const char* kHelpFailed = "No se ha podido abrir el fichero de ayuda ";

// Memory diagnostic (F5).
inline constexpr const char* kMemoryTitle = "Información";

// Status bar keyboard state.
inline constexpr const char* kOverwrite = "SOB";
inline constexpr const char* kInsert = "INS";

}  // namespace qv::texts
