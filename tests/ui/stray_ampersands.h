// Labels that would show an access-key "&" as a character: a label marks its
// access key only when it has a buddy to lead to (rich text shows it as the
// text says).
#pragma once

#include <QLabel>
#include <QRegularExpression>
#include <QWidget>
#include <string>
#include <vector>

namespace qvtest {

inline std::vector<std::string> strayAmpersands(const QWidget* root) {
  std::vector<std::string> out;
  static const QRegularExpression mnemonic(QStringLiteral("&[^&]"));
  for (const QLabel* l : root->findChildren<QLabel*>()) {
    if (l->buddy() || l->textFormat() == Qt::RichText) continue;
    if (mnemonic.match(l->text()).hasMatch())
      out.push_back(root->objectName().toStdString() + ": " + l->text().toStdString());
  }
  return out;
}

}  // namespace qvtest
