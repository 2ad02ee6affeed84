#include "app/product_code.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "data/product_table.h"
#include "xbase/codepage.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace qv {

namespace {

using namespace product;

std::string toTable(std::string_view utf8) { return xb::utf8ToCp1252(utf8); }

// A text field of the current record, in UTF-8 without trailing blanks.
std::string field(WorkArea& a, std::string_view name) {
  const xb::Value v = a.fieldGet(name);
  if (!v.isText()) return {};
  return std::string(xb::trimRight(xb::cp1252ToUtf8(v.text())));
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
  std::string key = xb::padded(toTable(code), kProductCodeWidth);
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

namespace {

// Walks the product table in its order over the records whose field holds
// `text` upper-cased; `visit` answers whether to go on. The walk ends on
// the record it stopped at, or past the end.
void walkContaining(WorkArea& a, std::string_view text, bool byDescription, const std::function<bool()>& visit) {
  const std::string needle = xb::upper1252(xb::trim(toTable(text)));
  const std::string_view name = byDescription ? kNomEti : kCodCompl;
  for (a.goTop(); !a.eof(); a.skip()) {
    const xb::Value v = a.fieldGet(name);
    if (xb::upper1252(v.isText() ? v.text() : std::string()).find(needle) != std::string::npos && !visit()) return;
  }
}

}  // namespace

bool findProductContaining(std::string_view text, bool byDescription) {
  WorkAreas& areas = workAreas();
  const int previousArea = areas.selected();
  if (areas.select(kProductAlias) == 0) return false;
  WorkArea& a = areas.area();
  const int64_t before = a.recno();
  bool found = false;
  walkContaining(a, text, byDescription, [&] { return !(found = true); });
  if (!found) a.goTo(before);
  areas.select(previousArea);
  return found;
}

std::vector<int64_t> productsContaining(std::string_view text, bool byDescription) {
  std::vector<int64_t> out;
  WorkArea* a = productArea();
  if (!a) return out;
  const int64_t before = a->recno();
  walkContaining(*a, text, byDescription, [&] {
    out.push_back(a->recno());
    return true;
  });
  a->goTo(before);
  return out;
}

int64_t productKeyCount() {
  WorkArea* a = productArea();
  return a ? a->keyCount() : 0;
}

std::vector<int64_t> productsUnder(const std::string& key) {
  std::vector<int64_t> out;
  WorkArea* a = productArea();
  if (!a || !a->seek(xb::Value(toTable(key)))) return out;
  for (; !a->eof() && productKey(field(*a, kCodigo), field(*a, kDgcnt)) == key; a->skip()) out.push_back(a->recno());
  return out;
}

void removeProducts(const std::vector<int64_t>& records) {
  WorkArea* a = productArea();
  if (!a) return;
  const int64_t at = a->recno();
  for (int64_t recno : records) markDeleted(*a, recno, true);
  a->goTo(at);
}

void restoreProducts(const std::vector<int64_t>& removed) {
  if (WorkArea* a = productArea())
    for (int64_t recno : removed) markDeleted(*a, recno, false);
}

void removeProduct(int64_t recno) {
  if (WorkArea* a = productArea()) markDeleted(*a, recno, true);
}

namespace {

void putFields(WorkArea& a, const ProductCode& p) {
  a.fieldPut(kCodigo, xb::Value(toTable(p.code).substr(0, kProductCodeWidth)));
  a.fieldPut(kDgcnt, xb::Value(toTable(p.check)));
  a.fieldPut(kCodCompl, xb::Value(toTable(p.complete)));
  a.fieldPut(kNumEti, xb::Value(toTable(p.numEti)));
  a.fieldPut(kNomEti, xb::Value(toTable(p.description)));
  a.fieldPut(kTipoBar, xb::Value(toTable(p.tipoBar)));
}

constexpr int kLockTries = 10;
constexpr auto kLockPause = std::chrono::milliseconds(100);

}  // namespace

StoredProducts storeProducts(const std::vector<ProductCode>& products, ProgressSink* progress) {
  StoredProducts out;
  WorkArea* a = productArea();
  if (!a) return out;
  bool locked = false;
  for (int i = 0; i < kLockTries && !(locked = a->lockFile()); ++i) {
    xb::prompter().processEvents();
    std::this_thread::sleep_for(kLockPause);
  }
  if (!locked) {
    out.outcome = StoredProducts::Busy;
    return out;
  }
  // New codes are written in runs and the tags brought up to date once, at
  // the end; callers give each code once, so the seeks below never need a
  // row of this same write. Only once those rows are counted are stored
  // codes rewritten in place, each row whole by itself, their key and tag
  // entry unchanged: an import stopped on the way leaves every row old or
  // new and no code lost.
  if (!a->beginBulk()) {
    a->unlock();
    out.outcome = StoredProducts::Busy;
    return out;
  }
  if (progress) progress->setTotal(int(products.size()));
  int64_t keys = a->keyCount();
  std::vector<std::pair<int64_t, ProductCode>> rewritten;
  std::vector<int64_t> doubles;  // further rows of a code stored twice
  out.replaced.reserve(products.size());
  for (size_t i = 0; i < products.size(); ++i) {
    ProductCode p = products[i];
    // Under the file lock rows change without row locks of their own.
    const std::string key = productKey(p.code, p.check);
    std::vector<int64_t> stored;
    if (a->seek(xb::Value(toTable(key))))
      for (; !a->eof(); a->skip()) {
        const ProductCode old = productOf(*a);
        if (productKey(old.code, old.check) != key) break;
        stored.push_back(a->recno());
      }
    keys -= int64_t(stored.size());
    p.numEti = std::to_string(++keys);
    out.replaced.push_back(!stored.empty());
    if (!stored.empty()) {
      rewritten.emplace_back(stored.front(), p);
      doubles.insert(doubles.end(), stored.begin() + 1, stored.end());
    } else {
      if (!a->appendBlank(false)) break;
      putFields(*a, p);
    }
    if (progress && i % 100 == 0) progress->set(int(i));
  }
  const bool written = a->endBulk();
  if (written) {
    for (const auto& [recno, p] : rewritten) {
      a->goTo(recno);
      putFields(*a, p);
    }
    for (int64_t recno : doubles) {
      a->goTo(recno);
      a->deleteRow();
    }
  }
  a->unlock();
  commitProducts();
  if (progress) progress->set(int(products.size()));
  if (!written) return out;
  out.outcome = StoredProducts::Stored;
  return out;
}

std::optional<int64_t> appendProduct(const ProductCode& p) {
  WorkArea* a = productArea();
  if (!a || !a->appendBlank()) return std::nullopt;
  putFields(*a, p);
  a->unlock();
  return a->recno();
}

void commitProducts() { workAreas().commitAll(); }

}  // namespace qv
