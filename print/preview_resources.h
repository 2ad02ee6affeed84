// The preview's own resource file, preview.rcc next to the program: the
// bitmaps of its button bar, its magnifier cursor and window icon, its print
// dialog and its string table. It is registered under the root "/preview"
// when the first preview builds itself and stays registered.
#pragma once

#include <QCursor>
#include <QPixmap>
#include <QString>
#include <string>

namespace pr {

// The file the preview loads ("preview.rcc" in the program's folder unless
// set otherwise, e.g. by tests).
QString previewResourceFile();
void setPreviewResourceFile(const QString& path);
// The file's name as the user sees it in messages.
QString previewResourceName();

// Registers the resource file; false when it is missing or unreadable.
bool loadPreviewResources();

// Entry `id` of the string table; "" when the file is not loaded or has no
// such entry.
std::string previewString(int id);
// A bitmap by name (case does not matter); null when absent.
QPixmap previewBitmap(const QString& name);
// The root the file is registered under.
QString previewResourceRoot();

}  // namespace pr
