// What the design editor checks and offers while an item is edited: the
// fields of the product table (for the expression picker and the field a
// barcode encodes) and whether a text item's expression prints.
#pragma once

#include <string>
#include <vector>

namespace lb {

// One field of the product table: its name (UTF-8), its type letter and
// its 1-based position (what NUMCAMPO stores).
struct ProductField {
  std::string name;
  char type = 'C';
  int number = 0;
};
std::vector<ProductField> productFields(const std::string& cAlias);

// The room CAMPO has for an expression or a file name.
inline constexpr size_t kCampoWidth = 60;

// Why the expression of a text item (UTF-8) would not print, in the user's
// words; empty when it prints. It is compiled and evaluated against the
// current record of cAlias as the print run does: it must fit CAMPO, be
// valid, name fields the table has (or values that exist) and give a
// value the run prints (a text, a number, a date or a logical).
std::string expressionError(const std::string& cExpr, const std::string& cAlias);

// A file name that fits CAMPO, or why not (empty when it fits).
std::string fileNameError(const std::string& cFile);

}  // namespace lb
