// The program's own actions behind the main window's commands.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "app/main_window.h"

class QWidget;

namespace qv {

// The actions of the running program: the main panel, about box,
// calculator, help, test window, link, memory diagnostic, the general
// maintenance and the leave confirmation, their windows opened over the
// active window.
ShellActions programActions();

// Asks "Desea terminar su sesión ?" through ALERT; true only for the first
// button.
bool confirmLeave();

// The about box (dialog template Dlg_Acerca_De), modal over `owner`.
void showAboutBox(QWidget* owner);

// Starts the first desktop calculator found; a stop box says so when there
// is none or it does not start.
void startCalculator();

// Opens the help page (ManuQvrL.html, in the working folder or beside the
// program) with the desktop's handler; a stop box when it cannot.
void openHelp();

// True when a connection to the product's web address can be made now
// (waits a few seconds at most, with the wait cursor).
bool ESTAMOSCONECTADOSAINTERNET();

// Opens the product's web address in the desktop's browser.
void openWebPage();

// The memory diagnostic of the F5 key.
void CHECKMIMEMORIA();

// The face name of the dialogs of the shell.
std::string GETSYSFONT();

}  // namespace qv
