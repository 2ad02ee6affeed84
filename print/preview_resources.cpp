#include "print/preview_resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

#include "ui/resource_file.h"

namespace pr {

namespace {

const QString kRoot = QStringLiteral("/preview");

QString& configuredFile() {
  static QString file;
  return file;
}

std::unique_ptr<ui::ResourceFile>& registered() {
  static std::unique_ptr<ui::ResourceFile> file;
  return file;
}

QJsonObject& strings() {
  static QJsonObject table;
  return table;
}

}  // namespace

QString previewResourceFile() {
  if (!configuredFile().isEmpty()) return configuredFile();
  return QDir(QCoreApplication::applicationDirPath()).filePath(previewResourceName());
}

void setPreviewResourceFile(const QString& path) { configuredFile() = path; }

QString previewResourceName() { return QStringLiteral("preview.rcc"); }

bool loadPreviewResources() {
  const QString file = previewResourceFile();
  if (registered() && registered()->path() == file && QFileInfo::exists(file)) return true;
  registered().reset();
  strings() = {};
  if (!QFileInfo::exists(file)) return false;
  registered() = ui::ResourceFile::load(file, kRoot);
  if (!registered()) return false;
  QFile table(ui::resourcePath(kRoot, QString(), QStringLiteral("strings.json")));
  if (table.open(QIODevice::ReadOnly)) strings() = QJsonDocument::fromJson(table.readAll()).object();
  return true;
}

std::string previewString(int id) { return strings().value(QString::number(id)).toString().toStdString(); }

QPixmap previewBitmap(const QString& name) {
  const QString p = ui::resourcePath(kRoot, QStringLiteral("bitmaps"), name);
  return p.isEmpty() ? QPixmap() : QPixmap(p);
}

QString previewResourceRoot() { return kRoot; }

}  // namespace pr
