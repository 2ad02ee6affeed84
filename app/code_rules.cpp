#include "app/code_rules.h"

#include <vector>

#include "app/app_texts.h"
#include "app/product_code.h"
#include "barcode/code_parts.h"
#include "barcode/ean_upc.h"
#include "barcode/symbology.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace qv {

namespace {

constexpr std::size_t kKeyWidth = kProductCodeWidth;

const SymbologyOption* optionInfo(int option) {
  for (const SymbologyOption& o : symbologyOptions())
    if (o.option == option) return &o;
  return nullptr;
}

// The check digit of `body` (already of the option's length).
std::string checkOf(const SymbologyOption& o, std::string_view body) {
  return o.bodyLength == 12 ? bc::EAN13_CHECK(body) : bc::UPC_CHECK(body, o.bodyLength);
}

void leaveKey(const std::string& key, const std::string& check) {
  xb::assignOrCreate("cBusqueda", xb::Value(key));
  xb::assignOrCreate("cCodiCont", xb::Value(check));
}

void stop(const char* text) { xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, text); }

}  // namespace

const std::array<SymbologyOption, 8>& symbologyOptions() {
  static const std::array<SymbologyOption, 8> options = [] {
    std::array<SymbologyOption, 8> out{};
    for (int option = 1; option <= 8; ++option) {
      const bc::SymbologyInfo& info = bc::symbologyInfo(*bc::symbologyForOption(option));
      out[size_t(option) - 1] = {option, 100 + option, std::string(info.code), info.codeLength, info.checkedDigits};
    }
    return out;
  }();
  return options;
}

int optionForTipoBar(std::string_view stored) { return bc::optionForStoredType(stored); }

std::string tipoBarForOption(int option) {
  const std::optional<bc::Symbology> s = bc::symbologyForOption(option);
  return std::string(bc::symbologyInfo(s.value_or(bc::Symbology::Ean13)).code);
}

std::string withoutBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ') out.push_back(c);
  return out;
}

SearchKey searchKeyOf(std::string_view code) {
  const std::string t(xb::trim(code));
  if (t.empty()) return {std::string(kKeyWidth, ' '), {}};
  return {xb::padded(t.substr(0, t.size() - 1), kKeyWidth) + std::string(t.substr(t.size() - 1)),
          std::string(t.substr(t.size() - 1))};
}

bool BUSCACOD2(const std::string& cCode) {
  // Keys are padded by the table's bytes.
  const SearchKey k = searchKeyOf(xb::utf8ToCp1252(cCode));
  leaveKey(xb::cp1252ToUtf8(k.key), xb::cp1252ToUtf8(k.check));
  std::vector<std::string> keys = {xb::cp1252ToUtf8(k.key)};
  // A code stored whole, without a check digit of its own.
  const std::string whole = productKey(xb::trim(cCode), "");
  if (!k.check.empty()) keys.push_back(whole);
  const std::optional<std::size_t> found = findProduct(keys);
  if (found == std::size_t(1)) leaveKey(whole, "");
  return found.has_value();
}

CodeCheck checkCodeToStore(int option, std::string_view code, bool storedAlready) {
  const std::string t(xb::trim(code));
  const SymbologyOption* o = optionInfo(option);
  if (!o || o->bodyLength == 0) {
    const std::optional<bc::Symbology> s = bc::symbologyForOption(option);
    if (std::string why = s && !storedAlready ? bc::codeRefusal(*s, t) : std::string(); !why.empty())
      return {CodeCheck::Unencodable, {}, {}, std::move(why)};
    return {CodeCheck::Ok, xb::padded(t, kKeyWidth), {}, {}};
  }
  if (int(t.size()) != o->codeLength) return {CodeCheck::WrongLength, {}, {}, {}};
  std::string body = withoutBlanks(t.substr(0, t.size() - 1));
  body.resize(std::size_t(o->bodyLength), '0');
  if (body + checkOf(*o, body) != t) return {CodeCheck::WrongCheck, {}, {}, {}};
  const bc::MiCodBarCls parts(t, option);
  return {CodeCheck::Ok, parts.cBusqueda.value_or(""), parts.cCodCont.value_or(""), {}};
}

bool validateCodeToStore(int option, const std::string& code, bool storedAlready) {
  const CodeCheck c = checkCodeToStore(option, xb::utf8ToCp1252(code), storedAlready);
  switch (c.verdict) {
    case CodeCheck::Unencodable:
      xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, c.why);
      return false;
    case CodeCheck::WrongLength:
      stop(kWrongDigitCount);
      return false;
    case CodeCheck::WrongCheck:
      stop(kWrongCheckDigit);
      return false;
    case CodeCheck::Ok:
      break;
  }
  leaveKey(xb::cp1252ToUtf8(c.key), xb::cp1252ToUtf8(c.check));
  return true;
}

std::optional<std::string> checkDigitFor(int option, std::string_view digits, bool* wrongLength) {
  if (wrongLength) *wrongLength = false;
  const SymbologyOption* o = optionInfo(option);
  if (!o || o->bodyLength == 0) return std::nullopt;
  const std::string d = withoutBlanks(digits);
  if (int(d.size()) != o->bodyLength) {
    if (wrongLength) *wrongLength = true;
    return std::nullopt;
  }
  return checkOf(*o, d);
}

}  // namespace qv
