#include "app/code_save.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/app_texts.h"
#include "app/app_values.h"
#include "app/code_rules.h"
#include "app/product_code.h"
#include "errors/alert.h"
#include "labels/genlabel.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace qv {

namespace {

// The print step of a save: the label generator on the product table,
// unless the tests put a step in its place (tests/app/print_step.h).
std::function<void()>& printStep() {
  static std::function<void()> step;
  return step;
}

void runPrintStep() {
  if (printStep())
    printStep()();
  else
    lb::GENLABEL(kProductFile);
}

std::string named(const char* name) {
  const xb::Value* v = xb::findNamed(name);
  return v && v->isText() ? v->text() : std::string();
}
bool flag(const char* name) {
  const xb::Value* v = xb::findNamed(name);
  return v && v->isLogical() && v->logical();
}

// Puts cCodigo back to the code typed, however the save ends.
class CodeKept {
 public:
  explicit CodeKept(std::string code) : code_(std::move(code)) {}
  ~CodeKept() { xb::assignOrCreate("cCodigo", xb::Value(code_)); }
  CodeKept(const CodeKept&) = delete;
  CodeKept& operator=(const CodeKept&) = delete;

 private:
  std::string code_;
};

}  // namespace

PrintOnly::PrintOnly() { xb::assignOrCreate("lSoloImpri", xb::Value(true)); }
PrintOnly::~PrintOnly() { xb::assignOrCreate("lSoloImpri", xb::Value(false)); }

std::function<void()> setPrintStep(std::function<void()> step) {
  std::function<void()> previous = std::move(printStep());
  printStep() = std::move(step);
  return previous;
}

namespace {

// GRABADATO; `storedAlready` for a stored record printed again as it is.
void storeAndPrint(const std::string& cDesc, int nOption, bool storedAlready) {
  const std::string c = currentCode();
  const CodeKept keep(c);
  // An empty code fits no symbology, not even those of any length.
  if (xb::trim(c).empty()) {
    xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, kWrongDigitCount);
    return;
  }
  if (!validateCodeToStore(nOption, c, storedAlready)) return;

  const ProductSelection select;
  if (!select.ok()) return;

  // The record's whole key: a code kept whole has a blank for a check
  // character, so its key matches no check-digit code of the same body.
  const std::string check = named("cCodiCont");
  const std::string key = productKey(named("cBusqueda"), check);
  xb::assignOrCreate("cBusqueda", xb::Value(key));

  // The records stored before under the key go once the new one is
  // written, so that a program stopped in between leaves the code stored
  // twice rather than not at all (the next save of it removes both).
  const std::vector<int64_t> stored = productsUnder(key);
  // A print-only request keeps its record only when it rewrites the code
  // page 1 found. Otherwise the record goes after the print step and the
  // records stored before under the key, hidden while it prints, come
  // back as they were: printing alone never adds a code nor changes one.
  const bool temporary = flag("lSoloImpri") && (!flag("lModifica") || stored.empty());
  ProductCode p;
  p.code = key;
  p.check = check;
  p.complete = xb::trim(c);
  // The key count once the old records are gone, plus one.
  p.numEti = std::to_string(productKeyCount() - int64_t(stored.size()) + 1);
  p.description = cDesc;
  p.tipoBar = tipoBarForOption(nOption);

  const std::optional<int64_t> written = appendProduct(p);
  if (!written) return;  // nothing written: the records stored stay
  removeProducts(stored);
  xb::assignOrCreate("cElTipBarr", xb::Value(p.tipoBar));
  commitProducts();

  // Whatever the label run does, the request ends the same way.
  const auto finish = [&] {
    if (!temporary) return;
    // Back first, so that a stop in between leaves the code stored.
    restoreProducts(stored);
    removeProduct(*written);
    if (WorkArea* a = productArea(); a && !stored.empty()) a->goTo(stored.back());
    commitProducts();
  };
  try {
    runPrintStep();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace

void GRABADATO(const std::string& cDesc, int nOption) { storeAndPrint(cDesc, nOption, false); }

void IMPRESOLO() {
  const std::optional<ProductCode> p = currentProduct();
  if (!p) return;
  xb::assignOrCreate("cElTipBarr", xb::Value(p->tipoBar));
  const PrintOnly printOnly;
  storeAndPrint(p->description, optionForTipoBar(p->tipoBar), true);
}

bool BORRADATO() {
  WorkArea& a = workAreas().area();
  if (!a.used() || a.eof() || a.deleted()) return false;
  if (ALERT(kDeleteQuestion, {kDeleteYes, kDeleteNo}, kDeleteTitle) != 1) return false;
  a.lockRow();
  a.deleteRow();
  a.unlock();
  // A lock refused leaves the record as it was: no deletion is reported.
  return a.deleted();
}

}  // namespace qv
