// The product-code record: the product table as the code screens reach it,
// under the alias CodPro2 (CodPro.dbf in the order Codigo, whose key is
// CODIGO+DGCNT). Among the screens this module alone knows the alias, the
// field names (data/product_table.h), the key's shape (the code part padded
// to 25, then one check character) and the table's code page: the screens
// deal in UTF-8 texts only, and the record's texts cross to Windows-1252
// and back here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "barcode/code_parts.h"
#include "data/mantenimiento.h"
#include "data/product_table.h"
#include "data/tables.h"

namespace qv {

inline constexpr const char* kProductAlias = "CodPro2";
// The product table's file, as the label generator opens it.
inline constexpr const char* kProductFile = product::kFile;
// The code part of the key; the check character follows it.
inline constexpr std::size_t kProductCodeWidth = bc::MiCodBarCls::kKeyWidth;
inline constexpr std::size_t kProductKeyWidth = kProductCodeWidth + 1;

// A product record's fields, in UTF-8 with trailing blanks removed.
struct ProductCode {
  std::string code;         // CODIGO: the data digits, or a code kept whole
  std::string check;        // DGCNT: the check digit; empty for codes kept whole
  std::string complete;     // COD_COMPL: the complete code
  std::string numEti;       // NUMETI
  std::string description;  // NOMETI
  std::string tipoBar;      // TIPOBAR: the symbology code
};

// The key of a record: `code` as the table's bytes padded or cut to 25,
// then the first character of `check` or a blank.
std::string productKey(std::string_view code, std::string_view check);

// The product table's work area; null when it is not open.
WorkArea* productArea();

// The fields of the record a work area over the product table stands on
// (empty past its end).
ProductCode productOf(WorkArea& a);
// The fields of the record the product table stands on; none when the
// table is not open.
std::optional<ProductCode> currentProduct();

// Selects the product table for the life of the guard.
class ProductSelection {
 public:
  ProductSelection() : guard_(workAreas(), std::string_view(kProductAlias)) {}
  bool ok() const { return guard_.ok(); }

 private:
  SelectGuard guard_;
};

// Looks the keys up in order, each as the leading part of a record's key,
// and stays on the first record found: the position of the key that found
// it. When none is found (or the table is not open) the table goes back to
// the record it stood on.
std::optional<std::size_t> findProduct(const std::vector<std::string>& keys);

// Searches the whole product table in its order for the first record whose
// description (byDescription) or complete code contains `text`, upper-cased
// as the table's code page does it; found: the table stays there, else it
// goes back to the record it stood on.
bool findProductContaining(std::string_view text, bool byDescription);

// The records whose description (byDescription) or complete code contains
// `text` as findProductContaining compares, in the table's order; the
// table stays where it stood.
std::vector<int64_t> productsContaining(std::string_view text, bool byDescription);

// The number of keys of the product table's order.
int64_t productKeyCount();

// The visible records stored under `key`, in the product table's order.
std::vector<int64_t> productsUnder(const std::string& key);
// Removes records (the table stays on its record), puts removed records
// back, and removes one record.
void removeProducts(const std::vector<int64_t>& records);
void restoreProducts(const std::vector<int64_t>& removed);
void removeProduct(int64_t recno);

// Appends a record holding `p` (CODIGO cut to 25 characters); its record
// number, or none when no record could be added.
std::optional<int64_t> appendProduct(const ProductCode& p);

// Writes every change of the tables to disk.
void commitProducts();

// Stores a whole list at once: the product table's file lock is taken
// once (tried for about a second), so that other copies are refused their
// appends and row locks until the list is written, and the rows are
// appended in one run. Each product replaces the visible records of its
// key (productKey of its code and check), as a save does; NUMETI is the
// count of keys before it plus one; each code is given once. `progress`
// hears every hundredth row.
struct StoredProducts {
  enum Outcome { Stored, Busy, NotOpen } outcome = NotOpen;
  std::vector<bool> replaced;  // per product: records of its key were there
};
StoredProducts storeProducts(const std::vector<ProductCode>& products, ProgressSink* progress = nullptr);

}  // namespace qv
