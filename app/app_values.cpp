#include "app/app_values.h"

#include "xbase/memvar.h"
#include "xbase/tpublic.h"

namespace qv {

void createAppValues() {
  xb::PUBLICA("hDll");
  xb::PUBLICA("oWin");
  xb::PUBLICA("cCodigoTxt", std::string(20, ' '));
  xb::PUBLICA("cCodigo", std::string(25, ' '));
  xb::PUBLICA("cDescrip", std::string(45, ' '));
  xb::PUBLICA("cElTipBarr", "");
  xb::PUBLICA("lSoloImpri", false);
  xb::PUBLICA("lModifica", false);
  xb::PUBLICA("cBusqueda", "");
  xb::PUBLICA("cCodiCont", "");
  xb::PUBLICA("ColorBrush", xb::Value(rgb(250, 250, 250)));
  xb::PUBLICA("Clr_Crystal", xb::Value(rgb(135, 135, 245)));
  xb::PUBLICA("oBtnP1", xb::Value::array(xb::Array(3)));
}

void createRunStore() {
  std::shared_ptr<xb::TPublic> store = xb::TPublic::New();
  store->Add("nLinEjec", 0);
  xb::PUBLICA("oApEjec", xb::Value(xb::ObjectPtr(store)));
}

std::string currentCode() {
  const xb::Value* v = xb::findNamed("cCodigo");
  return v && v->isText() ? v->text() : std::string(25, ' ');
}

}  // namespace qv
