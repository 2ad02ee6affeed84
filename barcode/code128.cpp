// Code 128 (ISO/IEC 15417). Each symbol character is six element widths,
// bar first, bars and spaces alternating, 11 modules in all; the stop is
// seven widths, 13 modules. The table is indexed by symbol value; entry 106
// is the stop.
#include "barcode/code128.h"

#include <array>
#include <cctype>

#include "xbase/prompt.h"

namespace bc::enc {
namespace {

constexpr std::array<std::string_view, 107> kWidths = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};

constexpr int kCodeB = 100;  // "Code B" switch in sets A and C
constexpr int kCodeA = 101;  // "Code A" switch in set B
constexpr int kStartA = 103;
constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kStop = 106;

constexpr const char* kNotTextMessage = "Barcode c128 required a Character value. ";
constexpr const char* kBadSetMessage = "Code 128 Modes are A,B o C. Character values.";

void alert(const char* message) { xb::prompter().alert(message, {"&Aceptar"}, "Atención...", 1); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits only, written as a whole number is written: no leading 0 unless the
// code is "0" itself; the empty code qualifies.
bool isWholeNumber(std::string_view code) {
  for (char c : code)
    if (!isDigit(c)) return false;
  return code.size() <= 1 || code[0] != '0';
}

char chooseSet(std::string_view code) {
  if (isWholeNumber(code)) return 'C';
  std::size_t printable = 0;
  for (char c : code)
    if (static_cast<unsigned char>(c) > 31) ++printable;
  return 2 * printable < code.size() ? 'A' : 'B';
}

class Symbol {
 public:
  explicit Symbol(int start) : sum_(start) { append(start); }

  void add(int value) {
    sum_ += value * ++weight_;
    append(value);
  }

  std::string finish() {
    append(sum_ % 103);
    append(kStop);
    return std::move(modules_);
  }

 private:
  void append(int value) {
    bool bar = true;
    for (char w : kWidths[std::size_t(value)]) {
      modules_.append(std::size_t(w - '0'), bar ? '1' : '0');
      bar = !bar;
    }
  }

  std::string modules_;
  int sum_;
  int weight_ = 0;
};

// The code without the bytes above 127, which have no value in any set.
std::string sevenBit(std::string_view raw) {
  std::string code;
  for (char c : raw)
    if (static_cast<unsigned char>(c) < 128) code += c;
  return code;
}

std::string encode(const std::string& code, char set) {
  Symbol symbol(set == 'A' ? kStartA : set == 'B' ? kStartB : kStartC);
  for (std::size_t i = 0; i < code.size();) {
    if (set == 'C') {
      if (i + 1 < code.size() && isDigit(code[i]) && isDigit(code[i + 1])) {
        symbol.add((code[i] - '0') * 10 + (code[i + 1] - '0'));
        i += 2;
        continue;
      }
      symbol.add(kCodeB);
      set = 'B';
    }
    const int c = static_cast<unsigned char>(code[i++]);
    if (set == 'A' && c > 95) {
      symbol.add(kCodeB);
      set = 'B';
    } else if (set == 'B' && c < 32) {
      symbol.add(kCodeA);
      set = 'A';
    }
    symbol.add(set == 'A' && c < 32 ? c + 64 : c - 32);
  }
  return symbol.finish();
}

// The forced set of a code-set argument: A, B or C; anything else gives the
// alert and set B.
char forcedSet(std::string_view set) {
  std::string upper;
  for (char c : set) upper += char(std::toupper(static_cast<unsigned char>(c)));
  if (std::string_view("ABC").find(upper) == std::string_view::npos) alert(kBadSetMessage);
  if (upper == "A") return 'A';
  if (upper == "C") return 'C';
  return 'B';
}

}  // namespace

std::string CODE128(std::string_view code, std::string_view set) {
  const std::string text = sevenBit(code);
  return encode(text, set.empty() ? chooseSet(text) : forcedSet(set));
}

std::string CODE128Value(const xb::Value& code, const xb::Value& set) {
  if (!code.isText()) {
    alert(kNotTextMessage);
    return {};
  }
  if (set.isNil()) return CODE128(code.text(), std::string_view{});
  if (!set.isText()) {
    alert(kBadSetMessage);
    return encode(sevenBit(code.text()), 'B');
  }
  return CODE128(code.text(), set.text());
}

}  // namespace bc::enc
