#include "app/product_code.h"

#include <algorithm>

#include "data/blanks.h"
#include "data/product_table.h"
#include "xbase/codepage.h"

namespace qv {

namespace {

using namespace product;

std::string toTable(std::string_view utf8) { return xb::utf8ToCp1252(utf8); }

// A text field of the current record, in UTF-8 without trailing blanks.
std::string field(WorkArea& a, std::string_view name) {
  const xb::Value v = a.fieldGet(name);
  if (!v.isText()) return {};
  return rightTrimmed(xb::cp1252ToUtf8(v.text()));
}

void markDeleted(WorkArea& a, int64_t recno, bool on) {
  a.goTo(recno);
  a.lockRow();
  if (on)
    a.deleteRow();
  else
    a.recall();
  a.unlock();
}

}  // namespace

std::string productKey(std::string_view code, std::string_view check) {
  std::string key = padded(toTable(code), kProductCodeWidth);
  const std::string c = toTable(check);
  key += c.empty() ? ' ' : c.front();
  return xb::cp1252ToUtf8(key);
}

WorkArea* productArea() { return workAreas().find(kProductAlias); }

ProductCode productOf(WorkArea& a) {
  return {field(a, kCodigo), field(a, kDgcnt), field(a, kCodCompl),
          field(a, kNumEti), field(a, kNomEti), field(a, kTipoBar)};
}

std::optional<ProductCode> currentProduct() {
  WorkArea* a = productArea();
  if (!a) return std::nullopt;
  return productOf(*a);
}

std::optional<std::size_t> findProduct(const std::vector<std::string>& keys) {
  const ProductSelection select;
  if (!select.ok()) return std::nullopt;
  WorkArea& a = workAreas().area();
  const int64_t before = a.recno();
  // Keys are compared as the table holds them: Windows-1252 bytes.
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (a.seek(xb::Value(toTable(keys[i])))) return i;
  a.goTo(before);
  return std::nullopt;
}

bool findProductContaining(std::string_view text, bool byDescription) {
  WorkAreas& areas = workAreas();
  const int previousArea = areas.selected();
  if (areas.select(kProductAlias) == 0) return false;
  WorkArea& a = areas.area();
  const int64_t before = a.recno();
  const std::string needle = xb::upper1252(trimmed(toTable(text)));
  const std::string_view name = byDescription ? kNomEti : kCodCompl;
  bool found = false;
  for (a.goTop(); !a.eof(); a.skip()) {
    const xb::Value v = a.fieldGet(name);
    if (xb::upper1252(v.isText() ? v.text() : std::string()).find(needle) != std::string::npos) {
      found = true;
      break;
    }
  }
  if (!found) a.goTo(before);
  areas.select(previousArea);
  return found;
}

int64_t productKeyCount() {
  WorkArea* a = productArea();
  return a ? a->keyCount() : 0;
}

std::vector<int64_t> removeProducts(const std::string& key) {
  std::vector<int64_t> removed;
  WorkArea* a = productArea();
  if (!a) return removed;
  const xb::Value k(toTable(key));
  while (a->seek(k)) {
    const int64_t recno = a->recno();
    if (std::find(removed.begin(), removed.end(), recno) != removed.end()) break;
    markDeleted(*a, recno, true);
    removed.push_back(recno);
  }
  return removed;
}

void restoreProducts(const std::vector<int64_t>& removed) {
  if (WorkArea* a = productArea())
    for (int64_t recno : removed) markDeleted(*a, recno, false);
}

void removeProduct(int64_t recno) {
  if (WorkArea* a = productArea()) markDeleted(*a, recno, true);
}

std::optional<int64_t> appendProduct(const ProductCode& p) {
  WorkArea* a = productArea();
  if (!a || !a->appendBlank()) return std::nullopt;
  a->fieldPut(kCodigo, xb::Value(toTable(p.code).substr(0, kProductCodeWidth)));
  a->fieldPut(kDgcnt, xb::Value(toTable(p.check)));
  a->fieldPut(kCodCompl, xb::Value(toTable(p.complete)));
  a->fieldPut(kNumEti, xb::Value(toTable(p.numEti)));
  a->fieldPut(kNomEti, xb::Value(toTable(p.description)));
  a->fieldPut(kTipoBar, xb::Value(toTable(p.tipoBar)));
  a->unlock();
  return a->recno();
}

void commitProducts() { workAreas().commitAll(); }

}  // namespace qv
