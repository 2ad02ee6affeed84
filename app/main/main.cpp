// The program: a desktop barcode and label generator.
#include <QApplication>

#include "app/inicio.h"
#include "ui/qt_translations.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quorvalent"));
  ui::loadQtTranslations(app);
  return qv::INICIO(app);
}
