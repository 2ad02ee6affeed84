// External resource files: the dialog templates, bitmaps and icons of the
// screens live in compiled Qt resource files (.rcc) next to the program, one
// per resource library, loaded at start-up and released at the end.
//
// Inside a resource file the resources are kept by kind:
//   <root>/dialogs/<Name>.ui   dialog templates (Qt Designer form files)
//   <root>/bitmaps/<Name>.png  bitmaps (also .bmp)
//   <root>/icons/<Name>.png    icons (also .ico, .svg)
// and every other file by its own name directly below <root>. Names are
// looked up without regard to case, as the screens name them freely.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <memory>

class QWidget;

namespace ui {

class ResourceFile {
 public:
  // Registers the resource file `path` under the resource root `root`
  // (for example "/qvrbar1"). A file that is missing or not a resource file
  // goes to the run-time error hook (generic code 21, subsystem "RESOURCE");
  // the result is then null.
  static std::unique_ptr<ResourceFile> load(const QString& path, const QString& root);

  // Unregisters the file.
  ~ResourceFile();
  ResourceFile(const ResourceFile&) = delete;
  ResourceFile& operator=(const ResourceFile&) = delete;

  const QString& path() const { return path_; }
  const QString& root() const { return root_; }

 private:
  ResourceFile(QString path, QString root) : path_(std::move(path)), root_(std::move(root)) {}
  QString path_;
  QString root_;
};

// The resource path (":/root/kind/file") of a named resource of `kind`
// ("dialogs", "bitmaps", "icons", or empty for a plain file), found without
// regard to case and with any of the kind's extensions; empty when absent.
QString resourcePath(const QString& root, const QString& kind, const QString& name);

// A bitmap or icon by name; a missing one goes to the run-time error hook
// and yields a null pixmap / icon.
QPixmap resourceBitmap(const QString& root, const QString& name);
QIcon resourceIcon(const QString& root, const QString& name);

// Builds the dialog template `name` (a form file) as a child window of
// `parent`; a missing or unreadable template goes to the run-time error hook
// and yields nullptr. The caller owns the result.
std::unique_ptr<QWidget> resourceDialog(const QString& root, const QString& name, QWidget* parent);

}  // namespace ui
