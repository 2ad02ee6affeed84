#include "app/shell_rules.h"

#include <QFile>
#include <algorithm>
#include <sstream>

#include "app/app_texts.h"
#include "barcode/ean_upc.h"

namespace qv {

QPoint logoTopLeft(QSize area, QSize logo) {
  return {area.width() / 2 - logo.width() / 2, (area.height() / 2 - logo.height() / 2) - 65};
}

std::string testWindowTitle(const std::string& cCodigo) {
  std::string body;
  for (char c : cCodigo)
    if (c != ' ') body += c;
  body.resize(12, '0');
  return body + bc::EAN13_CHECK(body);
}

namespace {

std::optional<int64_t> fieldOf(const std::string& text, const std::string& name) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(name + ":", 0) != 0) continue;
    std::istringstream v(line.substr(name.size() + 1));
    int64_t n = 0;
    if (v >> n) return n;
  }
  return std::nullopt;
}

}  // namespace

std::optional<MemoryFigures> parseProcStatus(const std::string& text) {
  const auto rss = fieldOf(text, "VmRSS");
  const auto hwm = fieldOf(text, "VmHWM");
  if (!rss || !hwm) return std::nullopt;
  MemoryFigures m;
  m.used = *rss * 1024;
  m.peak = std::max(*hwm, *rss) * 1024;
  return m;
}

std::optional<int> parseMemInfo(const std::string& text) {
  const auto total = fieldOf(text, "MemTotal");
  auto avail = fieldOf(text, "MemAvailable");
  if (!avail) avail = fieldOf(text, "MemFree");
  if (!total || !avail || *total <= 0) return std::nullopt;
  return int(std::clamp<int64_t>(*avail * 100 / *total, 0, 100));
}

std::string pictureNumber(int64_t n) {
  const bool negative = n < 0;
  std::string digits = std::to_string(negative ? -n : n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  if (negative) out = "-" + out;
  if (out.size() > 15) return std::string(15, '*');
  return out;
}

std::string memoryReport(const MemoryFigures& m) {
  return "MemUsed: " + pictureNumber(m.used) + "\r\nMemMax : " + pictureNumber(m.peak) +
         "\r\nResources: " + std::to_string(m.freePercent) + "%";
}

namespace {
std::string readSmallFile(const char* path) {
  QFile f(QString::fromLatin1(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}
}  // namespace

MemoryFigures currentMemory() {
  MemoryFigures m = parseProcStatus(readSmallFile("/proc/self/status")).value_or(MemoryFigures{});
  m.freePercent = parseMemInfo(readSmallFile("/proc/meminfo")).value_or(0);
  return m;
}

QStringList calculatorCandidates() {
  return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),         QStringLiteral("galculator"),
          QStringLiteral("mate-calc"),        QStringLiteral("qalculate-qt"),  QStringLiteral("qalculate-gtk"),
          QStringLiteral("xfce4-calculator"), QStringLiteral("speedcrunch"),   QStringLiteral("xcalc")};
}

QString firstCalculator(const QStringList& candidates, const std::function<QString(const QString&)>& find) {
  for (const QString& c : candidates) {
    const QString path = find(c);
    if (!path.isEmpty()) return path;
  }
  return {};
}

QString keyboardStateText(bool insertMode) {
  return QString::fromUtf8(insertMode ? texts::kInsert : texts::kOverwrite);
}

}  // namespace qv
