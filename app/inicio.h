// INICIO: the program's start-up, main window and shutdown.
#pragma once

#include <QString>

class QApplication;

namespace qv {

// Fixes the run-time settings, creates the application-wide values, loads
// the main resource file from `resourceFolder` (the program's folder when
// empty), opens the tables, builds and shows the main window and runs it
// until the user confirms leaving (or a signal ends the program); then
// closes every table and releases the resource file. Returns the exit code.
int INICIO(QApplication& app, const QString& resourceFolder = {});

// Application-wide look: tooltips, and input fields with the focus painted
// RGB(240,240,255).
QString applicationStyleSheet();

}  // namespace qv
