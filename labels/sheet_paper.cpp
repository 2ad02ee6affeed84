#include "labels/sheet_paper.h"

#include <QSizeF>
#include <QString>
#include <QStringList>

namespace lb {

std::optional<QPageSize> sheetPaper(std::string_view hoja) {
  const QString name = QString::fromLatin1(hoja.data(), qsizetype(hoja.size())).trimmed().toUpper();
  if (name == QLatin1String("LETTER")) return QPageSize(QPageSize::Letter);
  if (name == QLatin1String("A5")) return QPageSize(QPageSize::A5);
  const QStringList sides = name.split('X');
  if (sides.size() != 2) return std::nullopt;
  bool wide = false, high = false;
  const double width = sides[0].toDouble(&wide), height = sides[1].toDouble(&high);
  if (!wide || !high || !(width > 0) || !(height > 0) || width > 2000 || height > 2000) return std::nullopt;
  return QPageSize(QSizeF(width, height), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

}  // namespace lb
