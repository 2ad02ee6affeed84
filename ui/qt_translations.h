// Qt's own texts in Spanish: the file, print and page set-up dialogs, the
// standard buttons and the context menus of the input fields speak the
// language of the rest of the program. Every program that shows windows
// loads them right after making its application object.
#pragma once

class QCoreApplication;

namespace ui {

// Installs Qt's Spanish translations (Debian's qt6-translations-l10n, in
// Qt's translations folder) on the application. False when they are not
// installed: Qt's texts then stay in English.
bool loadQtTranslations(QCoreApplication& app);

}  // namespace ui
