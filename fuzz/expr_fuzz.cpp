// The expression compiler and evaluator on arbitrary texts, as they may come
// from data files that users exchange: every input must either give a
// value or a run-time error through the hook, never crash or hang. The row
// has fields of every type; named values exist so that assignments and
// private scopes are exercised too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "xbase/error.h"
#include "xbase/expr.h"
#include "xbase/format.h"
#include "xbase/memory_row.h"
#include "xbase/memvar.h"
#include "xbase/tpublic.h"

namespace {

using namespace xb;

// Every error takes the default, as a handler that lets the program go on.
ErrorAnswer takeDefault(const Error& e) {
  if (e.genCode == kGenZeroDiv) return {ErrorAnswer::Substitute, Value(0)};
  return {ErrorAnswer::Default, {}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::shared_ptr<TPublic> store = [] {
    setErrorHandler(takeDefault);
    auto s = TPublic::New();
    PUBLICA("oApEjec", Value(ObjectPtr(s)));
    return s;
  }();
  store->Release().Add("nLinEjec", 0);
  std::string text(reinterpret_cast<const char*>(data), size);
  MemoryRow row("CODPRO2", {{"CODIGO", Value("8412345678901            ")},
                            {"DGCNT", Value("3")},
                            {"PRECIO", Value(12.5, 2)},
                            {"ALTA", Value(Date{2460370})},
                            {"ACTIVO", Value(true)}});
  PrivateScope scope;
  scope.declare("N", Value(1));
  scope.declare("A", Value::array({Value(1), Value("x")}));
  Expr e = Expr::compile(text);
  Value v = e.eval(&row);
  Value again = e.eval(&row);
  std::string shown = displayText(v) + displayText(again);
  (void)shown;
  // Break any cycle the expression built through the store or A, so that
  // nothing leaks and the store does not grow from one input to the next.
  store->Release();
  if (Value* a = findNamed("A"))
    if (a->isArray()) a->arr()->clear();
  for (const Value& x : {v, again})
    if (x.isArray()) x.arr()->clear();
  return 0;
}
