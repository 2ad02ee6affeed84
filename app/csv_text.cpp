#include "app/csv_text.h"

#include "xbase/codepage.h"

namespace qv {

namespace {

bool validUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || (n > 1 && c < 0xC2 && n == 2) || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
    i += n;
  }
  return true;
}

char separatorOf(std::string_view text) {
  int commas = 0, semicolons = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '\n' && !quoted) break;
    if (c == '"') quoted = !quoted;
    if (!quoted) {
      commas += c == ',';
      semicolons += c == ';';
    }
  }
  return commas > semicolons ? ',' : ';';
}

}  // namespace

CsvText readCsv(std::string_view bytes) {
  CsvText out;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  out.utf8 = validUtf8(bytes);
  const std::string text = out.utf8 ? std::string(bytes) : xb::cp1252ToUtf8(bytes);
  out.separator = separatorOf(text);

  int line = 1;
  CsvRow row{line, {std::string()}};
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    any = true;
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        row.fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        row.fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == out.separator) {
      row.fields.emplace_back();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.rows.push_back(std::move(row));
      row = {++line, {std::string()}};
      any = false;
    } else {
      row.fields.back() += c;
    }
  }
  if (any) out.rows.push_back(std::move(row));
  return out;
}

std::string csvField(std::string_view utf8, char separator) {
  if (utf8.find_first_of(std::string{'"', '\n', '\r', separator}) == std::string_view::npos) return std::string(utf8);
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace qv
