#include "ui/resource_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <QStringList>
#include <QUiLoader>
#include <QWidget>

#include "xbase/error.h"

namespace ui {

namespace {

void resourceError(int genCode, const QString& file, const QString& operation, const QString& what) {
  xb::Error e;
  e.genCode = genCode;
  e.subsystem = "RESOURCE";
  e.description = what.toStdString();
  e.filename = file.toStdString();
  e.operation = operation.toStdString();
  e.canDefault = true;
  xb::raise(e);
}

QStringList extensionsOf(const QString& kind) {
  if (kind == QLatin1String("dialogs")) return {QStringLiteral(".ui")};
  if (kind == QLatin1String("bitmaps")) return {QStringLiteral(".png"), QStringLiteral(".bmp")};
  if (kind == QLatin1String("icons")) return {QStringLiteral(".png"), QStringLiteral(".svg"), QStringLiteral(".ico")};
  return {QString()};
}

}  // namespace

std::unique_ptr<ResourceFile> ResourceFile::load(const QString& path, const QString& root) {
  if (!QFileInfo::exists(path)) {
    resourceError(xb::kGenOpen, path, QStringLiteral("LOADLIBRARY"), QStringLiteral("No se encuentra el fichero de recursos"));
    return nullptr;
  }
  if (!QResource::registerResource(path, root)) {
    resourceError(xb::kGenCorruption, path, QStringLiteral("LOADLIBRARY"), QStringLiteral("Fichero de recursos dañado"));
    return nullptr;
  }
  return std::unique_ptr<ResourceFile>(new ResourceFile(path, root));
}

ResourceFile::~ResourceFile() { QResource::unregisterResource(path_, root_); }

QString resourcePath(const QString& root, const QString& kind, const QString& name) {
  const QString folder = QStringLiteral(":") + root + (kind.isEmpty() ? QString() : QStringLiteral("/") + kind);
  const QDir dir(folder);
  const QStringList entries = dir.entryList(QDir::Files);
  for (const QString& ext : extensionsOf(kind)) {
    const QString wanted = name.endsWith(ext, Qt::CaseInsensitive) ? name : name + ext;
    for (const QString& entry : entries)
      if (entry.compare(wanted, Qt::CaseInsensitive) == 0) return folder + QStringLiteral("/") + entry;
  }
  return {};
}

QPixmap resourceBitmap(const QString& root, const QString& name) {
  const QString p = resourcePath(root, QStringLiteral("bitmaps"), name);
  QPixmap pm = p.isEmpty() ? QPixmap() : QPixmap(p);
  if (pm.isNull()) resourceError(xb::kGenRead, name, QStringLiteral("LOADBITMAP"), QStringLiteral("No se encuentra el bitmap"));
  return pm;
}

QIcon resourceIcon(const QString& root, const QString& name) {
  const QString p = resourcePath(root, QStringLiteral("icons"), name);
  if (p.isEmpty()) {
    resourceError(xb::kGenRead, name, QStringLiteral("LOADICON"), QStringLiteral("No se encuentra el icono"));
    return {};
  }
  return QIcon(p);
}

std::unique_ptr<QWidget> resourceDialog(const QString& root, const QString& name, QWidget* parent) {
  const QString p = resourcePath(root, QStringLiteral("dialogs"), name);
  QFile f(p);
  if (p.isEmpty() || !f.open(QIODevice::ReadOnly)) {
    resourceError(xb::kGenRead, name, QStringLiteral("DIALOG"), QStringLiteral("No se encuentra el diálogo"));
    return nullptr;
  }
  QUiLoader loader;
  std::unique_ptr<QWidget> w(loader.load(&f, parent));
  if (!w) resourceError(xb::kGenCorruption, name, QStringLiteral("DIALOG"), loader.errorString());
  return w;
}

}  // namespace ui
