// The program's main resource file: every screen's dialog templates, bitmaps
// and icons. It lies next to the program and is loaded at start-up.
#pragma once

#include <QString>

namespace ui {

// File name of the main resource file, in the program's folder.
inline QString mainResourceFileName() { return QStringLiteral("qvrbar1.rcc"); }
// The resource root its contents are registered under.
inline QString mainResourceRoot() { return QStringLiteral("/qvrbar1"); }

}  // namespace ui
