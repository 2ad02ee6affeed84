#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace ui {

bool loadQtTranslations(QCoreApplication& app) {
  // "qt_es" gathers the translations of every Qt module (qtbase_es, …).
  auto translator = std::make_unique<QTranslator>(&app);
  if (!translator->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  // The application owns the translator from now on.
  return QCoreApplication::installTranslator(translator.release());
}

}  // namespace ui
