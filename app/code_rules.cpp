#include "app/code_rules.h"

#include "app/app_texts.h"
#include "barcode/code_parts.h"
#include "barcode/ean_upc.h"
#include "data/engine/workspace.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"

namespace qv {

namespace {

constexpr std::size_t kKeyWidth = bc::MiCodBarCls::kKeyWidth;

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string padded(std::string_view s, std::size_t width) {
  std::string out(s.substr(0, width));
  out.resize(width, ' ');
  return out;
}

const SymbologyOption* optionInfo(int option) {
  for (const SymbologyOption& o : symbologyOptions())
    if (o.option == option) return &o;
  return nullptr;
}

// The check digit of `body` (already of the option's length).
std::string checkOf(int option, std::string_view body) {
  return option == 1 ? bc::EAN13_CHECK(body) : bc::UPC_CHECK(body, option == 2 ? 11 : 7);
}

void leaveKey(const std::string& key, const std::string& check) {
  xb::assignOrCreate("cBusqueda", xb::Value(key));
  xb::assignOrCreate("cCodiCont", xb::Value(check));
}

void stop(const char* text) { xb::prompter().message(xb::MsgKind::Stop, texts::kAttention, text); }

}  // namespace

const std::array<SymbologyOption, 8>& symbologyOptions() {
  static const std::array<SymbologyOption, 8> options = {{
      {1, 101, "13", 13, 12},
      {2, 102, "UPCA", 12, 11},
      {3, 103, "8", 8, 7},
      {4, 104, "128", 0, 0},
      {5, 105, "3-9", 0, 0},
      {6, 106, "IND25", 0, 0},
      {7, 107, "MAT25", 0, 0},
      {8, 108, "5", 0, 0},
  }};
  return options;
}

int optionForTipoBar(std::string_view stored) {
  const auto end = stored.find_last_not_of(' ');
  stored = end == std::string_view::npos ? std::string_view() : stored.substr(0, end + 1);
  for (const SymbologyOption& o : symbologyOptions())
    if (stored.starts_with(o.tipoBar)) return o.option;
  return 1;
}

std::string tipoBarForOption(int option) {
  const SymbologyOption* o = optionInfo(option);
  return o ? o->tipoBar : "13";
}

std::string withoutBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ') out.push_back(c);
  return out;
}

SearchKey searchKeyOf(std::string_view code) {
  const std::string_view t = trimmed(code);
  if (t.empty()) return {std::string(kKeyWidth, ' '), {}};
  return {padded(t.substr(0, t.size() - 1), kKeyWidth) + std::string(t.substr(t.size() - 1)),
          std::string(t.substr(t.size() - 1))};
}

bool BUSCACOD2(const std::string& cCode) {
  // Keys are compared as the table holds them: Windows-1252 bytes, padded
  // by bytes.
  const SearchKey k = searchKeyOf(xb::utf8ToCp1252(cCode));
  leaveKey(xb::cp1252ToUtf8(k.key), xb::cp1252ToUtf8(k.check));
  auto& areas = xb::engine::workAreas();
  xb::engine::SelectGuard select(areas, std::string_view("CodPro2"));
  if (!select.ok()) return false;
  xb::engine::WorkArea& a = areas.area();
  const int64_t before = a.recno();
  if (a.seek(xb::Value(k.key))) return true;
  // A code stored whole, without a check digit of its own.
  const std::string whole = padded(trimmed(xb::utf8ToCp1252(cCode)), kKeyWidth) + " ";
  if (!k.check.empty() && a.seek(xb::Value(whole))) {
    leaveKey(xb::cp1252ToUtf8(whole), "");
    return true;
  }
  a.goTo(before);
  return false;
}

CodeCheck checkCodeToStore(int option, std::string_view code) {
  const std::string_view t = trimmed(code);
  const SymbologyOption* o = optionInfo(option);
  if (!o || o->bodyLength == 0) return {CodeCheck::Ok, padded(t, kKeyWidth), {}};
  if (int(t.size()) != o->codeLength) return {CodeCheck::WrongLength, {}, {}};
  std::string body = withoutBlanks(t.substr(0, t.size() - 1));
  body.resize(std::size_t(o->bodyLength), '0');
  if (body + checkOf(option, body) != t) return {CodeCheck::WrongCheck, {}, {}};
  const bc::MiCodBarCls parts(t, option);
  return {CodeCheck::Ok, parts.cBusqueda.value_or(""), parts.cCodCont.value_or("")};
}

bool validateCodeToStore(int option, const std::string& code) {
  const CodeCheck c = checkCodeToStore(option, xb::utf8ToCp1252(code));
  switch (c.verdict) {
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
  return checkOf(option, d);
}

}  // namespace qv
