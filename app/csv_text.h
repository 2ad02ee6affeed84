// Comma-separated text as spreadsheets write it: fields separated by ","
// or ";", a field in double quotes may hold the separator, line breaks and
// doubled quotes. A file is UTF-8 (with or without a byte-order mark) when
// its bytes are valid UTF-8, else Windows-1252.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct CsvRow {
  int line = 0;                     // the file's line the row starts on (1-based)
  std::vector<std::string> fields;  // UTF-8
  bool blank() const { return fields.size() == 1 && fields[0].empty(); }
};

struct CsvText {
  bool utf8 = true;  // false: read as Windows-1252
  char separator = ',';
  std::vector<CsvRow> rows;  // the header line first
};

// Splits the bytes of a file: the encoding as above, the separator the one
// of "," and ";" that occurs more often outside quotes in the first line
// (";" when neither does or both as often).
CsvText readCsv(std::string_view bytes);

// A field as the export writes it: in double quotes when it holds the
// separator, a quote or a line break.
std::string csvField(std::string_view utf8, char separator);

}  // namespace qv
