// CSV files as spreadsheets and other programs write them: the first line
// is a header, fields are separated by "," or ";" (whichever the header
// uses more of), a field may be quoted ("…", a doubled quote inside stands
// for one) and then hold separators and line breaks. The text is UTF-8
// (with or without a byte-order mark) or, when it is not valid UTF-8,
// Windows-1252.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct CsvRow {
  int line = 0;                     // the line the row starts on, 1-based
  std::vector<std::string> fields;  // UTF-8, as written (not trimmed)
};

struct CsvText {
  char separator = ',';
  CsvRow header;
  std::vector<CsvRow> rows;  // the rows after the header; blank lines left out
  std::string error;         // Spanish; empty when the whole text was read
};

CsvText readCsv(std::string_view bytes);

// One field as a CSV line holds it: quoted when it holds the separator, a
// quote, a line break or blanks at its ends.
std::string csvField(std::string_view text, char separator);

// The column of the header whose name, folded (lower case, no accents, no
// blanks at its ends), is one of `names`; -1 when none is.
int csvColumn(const CsvRow& header, const std::vector<std::string_view>& names);

}  // namespace qv
