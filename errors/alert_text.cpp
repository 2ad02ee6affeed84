#include "errors/alert_text.h"

#include <QStringDecoder>

#include "xbase/codepage.h"

namespace qv {

namespace {

QString trimRight(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && s.at(n - 1) == QLatin1Char(' ')) --n;
  return s.left(n);
}

}  // namespace

QString fromOem850(const std::string& bytes) {
  return QString::fromStdString(xb::cp1252ToUtf8(xb::oem850ToCp1252(bytes)));
}

QString oemToDisplay(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString s = utf8(QByteArrayView(text.data(), qsizetype(text.size())));
  if (!utf8.hasError()) return s;
  return fromOem850(text);
}

QStringList alertLines(const QString& message, int maxChars) {
  if (maxChars < 1) maxChars = 1;
  QString text = message;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  text.replace(QLatin1Char(';'), QLatin1Char('\n'));
  QStringList lines;
  for (QString rest : text.split(QLatin1Char('\n'))) {
    while (rest.size() > maxChars) {
      qsizetype cut = rest.lastIndexOf(QLatin1Char(' '), maxChars);
      if (cut <= 0) {
        lines.append(trimRight(rest.left(maxChars)));
        rest = rest.mid(maxChars);
      } else {
        lines.append(trimRight(rest.left(cut)));
        rest = rest.mid(cut + 1);
      }
    }
    lines.append(trimRight(rest));
  }
  return lines;
}

}  // namespace qv
