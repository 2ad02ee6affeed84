#include "labels/printer_offset.h"

#include <QDir>
#include <QSettings>
#include <QUrl>
#include <algorithm>

#include "data/catalog.h"

namespace lb {

namespace {

// The file in the data folder (G_CAMINO, the working folder when empty).
QString offsetsFile() {
  const QString folder = QString::fromStdString(qv::fileNameValue("G_CAMINO"));
  return QDir(folder.isEmpty() ? QDir::currentPath() : folder).filePath(QString::fromUtf8(kPrinterOffsetsFile));
}

// A printer's group: its name percent-encoded, so that no character of a
// name means anything to the file.
QString group(const std::string& printer) {
  return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(printer)));
}

double bounded(double mm) { return std::clamp(mm, -kMaxOffsetMm, kMaxOffsetMm); }

}  // namespace

PrinterOffset printerOffset(const std::string& printer) {
  QSettings file(offsetsFile(), QSettings::IniFormat);
  file.beginGroup(group(printer));
  return {bounded(file.value("horizontal_mm", 0.0).toDouble()), bounded(file.value("vertical_mm", 0.0).toDouble())};
}

bool savePrinterOffset(const std::string& printer, const PrinterOffset& offset) {
  QSettings file(offsetsFile(), QSettings::IniFormat);
  file.beginGroup(group(printer));
  file.setValue("horizontal_mm", bounded(offset.xMm));
  file.setValue("vertical_mm", bounded(offset.yMm));
  file.endGroup();
  file.sync();
  return file.status() == QSettings::NoError;
}

}  // namespace lb
