#include "app/csv_text.h"

#include <QString>
#include <QStringDecoder>
#include <algorithm>

#include "xbase/codepage.h"

namespace qv {

namespace {

// The text as UTF-8: a byte-order mark dropped; bytes that are not valid
// UTF-8 read as Windows-1252.
std::string asUtf8(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
  if (!utf8.hasError()) return std::string(bytes);
  return xb::cp1252ToUtf8(bytes);
}

// The separator the header line uses more of, outside quotes.
char separatorOf(std::string_view text) {
  int commas = 0, semicolons = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    commas += c == ',';
    semicolons += c == ';';
  }
  return semicolons > commas ? ';' : ',';
}

bool blank(const CsvRow& r) {
  return std::all_of(r.fields.begin(), r.fields.end(), [](const std::string& f) {
    return f.find_first_not_of(" \t") == std::string::npos;
  });
}

std::string folded(std::string_view name) {
  QString s = QString::fromUtf8(name.data(), qsizetype(name.size())).trimmed().toLower();
  s = s.normalized(QString::NormalizationForm_D);
  s.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
  return s.toStdString();
}

}  // namespace

CsvText readCsv(std::string_view bytes) {
  CsvText out;
  const std::string text = asUtf8(bytes);
  out.separator = separatorOf(text);
  std::vector<CsvRow> rows;
  CsvRow row{1, {}};
  std::string field;
  int line = 1;
  bool quoted = false, wasQuoted = false;
  const auto endField = [&] {
    row.fields.push_back(std::move(field));
    field.clear();
    wasQuoted = false;
  };
  const auto endRow = [&] {
    endField();
    rows.push_back(std::move(row));
    row = CsvRow{line, {}};
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        field += c;
      }
    } else if (c == '"' && !wasQuoted && field.find_first_not_of(' ') == std::string::npos) {
      quoted = wasQuoted = true;
      field.clear();
    } else if (c == out.separator) {
      endField();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      endRow();
    } else {
      field += c;
    }
  }
  if (quoted) out.error = "Línea " + std::to_string(row.line) + ": falta la comilla que cierra un campo.";
  if (!field.empty() || !row.fields.empty()) endRow();
  for (CsvRow& r : rows) {
    if (blank(r)) continue;
    if (out.header.fields.empty()) {
      out.header = std::move(r);
    } else {
      out.rows.push_back(std::move(r));
    }
  }
  return out;
}

std::string csvField(std::string_view text, char separator) {
  const bool quote = text.find_first_of(std::string{separator, '"', '\r', '\n'}) != std::string_view::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

int csvColumn(const CsvRow& header, const std::vector<std::string_view>& names) {
  for (size_t i = 0; i < header.fields.size(); ++i) {
    const std::string f = folded(header.fields[i]);
    for (std::string_view n : names)
      if (f == n) return int(i);
  }
  return -1;
}

}  // namespace qv
