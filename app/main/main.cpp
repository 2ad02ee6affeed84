// The program: a desktop barcode and label generator.
#include <QApplication>

#include "app/inicio.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quorvalent"));
  return qv::INICIO(app);
}
