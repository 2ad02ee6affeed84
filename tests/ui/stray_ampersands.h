// Labels that would show an access-key "&" as a character: a label marks its
// access key only when it has a buddy to lead to (rich text shows it as the
// text says).
#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QWidget>
#include <map>
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

// Access keys that two controls shown together in one window answer to,
// each with the texts that claim it: Alt and the letter would reach only
// the first. Controls on pages not shown (a stack's other pages) do not
// count.
inline std::vector<std::string> sharedAccessKeys(const QWidget* root) {
  std::map<QChar, QStringList> claims;
  static const QRegularExpression mnemonic(QStringLiteral("&([^&])"));
  const auto claim = [&](const QWidget* w, const QString& text) {
    if (w != root && !w->isVisibleTo(root)) return;
    const QRegularExpressionMatch m = mnemonic.match(QString(text).replace(QStringLiteral("&&"), QString()));
    if (m.hasMatch()) claims[m.captured(1).at(0).toLower()] << text;
  };
  for (const QLabel* l : root->findChildren<QLabel*>())
    if (l->buddy()) claim(l, l->text());
  for (const QAbstractButton* b : root->findChildren<QAbstractButton*>()) claim(b, b->text());
  for (const QGroupBox* g : root->findChildren<QGroupBox*>()) claim(g, g->title());
  std::vector<std::string> out;
  for (const auto& [key, texts] : claims)
    if (texts.size() > 1) out.push_back(root->objectName().toStdString() + ": " + texts.join(QStringLiteral(" / ")).toStdString());
  return out;
}

}  // namespace qvtest
