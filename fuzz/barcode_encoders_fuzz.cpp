// Random texts to every barcode encoder: each must return a module string
// of "1" and "0" only, of the length its symbology fixes, and never crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/code_parts.h"
#include "barcode/ean_upc.h"
#include "barcode/symbology.h"
#include "barcode/two_of_five.h"
#include "xbase/prompt.h"

namespace {

// Answers every alert silently.
class SilentPrompter : public xb::Prompter {
 public:
  int alert(const std::string&, const std::vector<std::string>&, const std::string&, int) override { return 1; }
  void message(xb::MsgKind, const std::string&, const std::string&) override {}
  bool yesNo(const std::string&, const std::string&) override { return false; }
  bool noYes(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> input(const std::string&, const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> openFile(const std::string&, const std::string&) override { return std::nullopt; }
  void beep(int, int) override {}
  void processEvents() override {}
};

void require(bool ok) {
  if (!ok) std::abort();
}

void requireModules(const std::string& m, std::size_t length = 0) {
  require(m.find_first_not_of("01") == std::string::npos);
  if (length != 0) require(m.size() == length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static SilentPrompter silent;
  static xb::PrompterGuard guard(silent);
  if (size == 0) return 0;
  const uint8_t selector = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const bool flag = (selector & 1) != 0;

  requireModules(bc::enc::EAN13(text), 95);
  requireModules(bc::enc::UPC(text, 11), 95);
  requireModules(bc::enc::UPC(text, 7), 67);
  requireModules(bc::enc::UPCABL(text), 95);
  requireModules(bc::enc::SUP5(text), 47);
  require(bc::EAN13_CHECK(text).size() == 1);
  require(bc::UPC_CHECK(text, selector % 13).size() == 1);
  requireModules(bc::enc::EAN13BL(int(selector % 40) - 4));

  constexpr std::string_view kSets[] = {"", "A", "B", "C", "a", "c", "X", "AB"};
  const std::string c128 = bc::enc::CODE128(text, kSets[(selector >> 1) % 8]);
  requireModules(c128);
  require(c128.size() >= 35 && (c128.size() - 13) % 11 == 0);

  const std::string c39 = bc::enc::CODE3_9(text, flag);
  requireModules(c39);
  require(c39.size() % 16 == 0 && c39.size() >= 32 && c39.size() <= 16 * 35);
  require(bc::kCode39Chars.find(bc::code39CheckChar(text)) != std::string_view::npos);

  requireModules(bc::enc::CODABAR(text));
  requireModules(bc::enc::INT25(text, flag));
  requireModules(bc::enc::IND25(text, flag));
  requireModules(bc::enc::MAT25(text, flag));
  const char check = bc::twoOfFiveCheckDigit(text);
  require(check >= '0' && check <= '9');

  const bc::MiCodBarCls parts(text, selector % 7);
  if (parts.cBusqueda) require(parts.cBusqueda->size() >= 25 && parts.cBusqueda->size() <= 26);
  bc::symbologyForPrint(text);
  bc::optionForStoredType(text);
  return 0;
}
