// `MiCodBarCls`: splits a typed product code into its data digits, its check
// digit, the complete code and the search key of the product-code table.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bc {

class MiCodBarCls {
 public:
  // Width of the code part of the search key; the check character follows.
  static constexpr std::size_t kKeyWidth = 25;

  std::string cCodOrig;                   // the code as typed, check digit included
  std::optional<std::string> cCodNeto;    // the data digits
  std::optional<std::string> cCodCont;    // the check digit (empty: none)
  std::optional<std::string> cCodComp;    // data digits followed by the check digit
  std::optional<std::string> cBusqueda;   // search key: code part padded to 25, then the check digit

  MiCodBarCls() = default;

  // Stores the code and splits it by the option: 1 EAN-13, 2 UPC-A, 3 EAN-8
  // (the typed last character is replaced by the computed check digit),
  // 5 Code 39 (no check digit: the code is kept whole). Option 4 and any
  // other option leave every member but cCodOrig unset.
  MiCodBarCls(std::string_view code, int option);
  static MiCodBarCls New(std::string_view code, int option) { return MiCodBarCls(code, option); }

  // EAN-13: data = the code without its last character; cCodNeto its 12
  // normalised digits, cCodCont their EAN-13 check digit.
  void Opcion01();
  // UPC-A: the same with 11 digits and the UPC check digit.
  void Opcion02();
  // EAN-8: the same with 7 digits and the UPC check digit.
  void Opcion03();
  // Code 128: computes nothing.
  void Opcion04();
  // Code 39: cCodNeto the trimmed code, no check digit, the key is the code
  // padded (or cut) to 25 with nothing after it.
  void Opcion05();

 private:
  void splitWithCheck(int digits);
};

}  // namespace bc
