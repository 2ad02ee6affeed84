#include "barcode/code_parts.h"

#include "barcode/ean_upc.h"
#include "xbase/text.h"

namespace bc {
namespace {


}  // namespace

MiCodBarCls::MiCodBarCls(std::string_view code, int option) : cCodOrig(code) {
  switch (option) {
    case 1: Opcion01(); break;
    case 2: Opcion02(); break;
    case 3: Opcion03(); break;
    case 4: Opcion04(); break;
    case 5: Opcion05(); break;
    default: break;
  }
}

void MiCodBarCls::Opcion01() { splitWithCheck(12); }
void MiCodBarCls::Opcion02() { splitWithCheck(11); }
void MiCodBarCls::Opcion03() { splitWithCheck(7); }
void MiCodBarCls::Opcion04() {}

void MiCodBarCls::Opcion05() {
  cCodNeto = xb::trim(cCodOrig);
  cCodCont = std::string();
  cCodComp = cCodNeto;
  cBusqueda = xb::padded(cCodOrig, kKeyWidth);
}

// The check digit is computed over the normalised data (the same digits the
// symbol encodes), whatever the user typed as the last character.
void MiCodBarCls::splitWithCheck(int digits) {
  const std::string_view data = std::string_view(cCodOrig).substr(0, cCodOrig.empty() ? 0 : cCodOrig.size() - 1);
  cCodNeto = normalizedData(data, digits);
  cCodCont = digits == 12 ? EAN13_CHECK(*cCodNeto) : UPC_CHECK(*cCodNeto, digits);
  cCodComp = *cCodNeto + *cCodCont;
  cBusqueda = xb::padded(data, kKeyWidth) + *cCodCont;
}

}  // namespace bc
