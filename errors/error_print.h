// Printing an error report: a report with preview on the printer device,
// font "Times New Roman" 10, document "Registro de Errores", the centred
// title "ERROR DEL PROGRAMA " + program path, the date and time headers
// (right-aligned), the footer "Página " + page number and one column
// "Descripción del error" 65 characters wide.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr int kReportColumnWidth = 65;

// One page of the report: its number and the body lines it carries.
struct ReportPage {
  int number = 0;
  std::vector<std::string> lines;
};

// IMPTEXT: the report's body lines for a text in the OEM code page: the text
// converted once to UTF-8 and cut into word-wrapped lines of at most 65
// characters.
std::vector<std::string> IMPTEXT(std::string_view oemText);

// The body lines spread over pages of `linesPerPage` lines (at least one
// page, at least one line per page).
std::vector<ReportPage> paginate(const std::vector<std::string>& lines, int linesPerPage);

// The footer of page n: "Página " + n 3 wide, centred.
std::string pageFooter(int page);

// Prints `oemText` through the report with preview, shown
// application-modal and waited for (IMPERROR, errors/error_browser.h, does
// this and then FINREP).
void printErrorReport(std::string_view oemText);

}  // namespace qv
