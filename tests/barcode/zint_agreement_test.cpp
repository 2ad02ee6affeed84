// The encoders against an independent one: the command-line zint, which
// prints a symbol's modules as hexadecimal digits with --dump. Hundreds of
// codes from a fixed seed go to zint in one batch per symbology.
//
// EAN/UPC and the add-on must agree module for module. Code 128 must agree
// where both encoders choose the same code sets (set B for text, set C for
// digits). Code 39, Codabar and the 2-of-5 codes are compared element by
// element as narrow or wide, since zint draws wide elements two modules wide
// and this system three. Every module string is compared without the light
// modules after its last bar (zint pads its dump to whole hexadecimal
// digits; this system ends several symbols with a light module).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "barcode/two_of_five.h"

namespace {

bool haveZint() { return std::system("zint --version >/dev/null 2>&1") == 0; }

// zint symbology numbers.
constexpr int kZMatrix25 = 2;
constexpr int kZInterleaved25 = 3;
constexpr int kZIndustrial25 = 7;
constexpr int kZCode39 = 8;
constexpr int kZEan = 13;
constexpr int kZCodabar = 18;
constexpr int kZCode128 = 20;
constexpr int kZUpcA = 34;
constexpr int kZCode128B = 60;

std::string withoutTrailingLight(std::string m) {
  m.erase(m.find_last_not_of('0') + 1);
  return m;
}

// One line of zint's dump as modules; empty if it is not a dump line.
std::string hexToModules(const std::string& line) {
  std::string out;
  for (char c : line) {
    if (c == ' ' || c == '\n') continue;
    int v;
    if (c >= '0' && c <= '9') {
      v = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      v = c - 'A' + 10;
    } else {
      return {};
    }
    for (int bit = 3; bit >= 0; --bit) out += (v >> bit) & 1 ? '1' : '0';
  }
  return withoutTrailingLight(out);
}

// zint's modules for each code, one batch run; codes must hold no line
// breaks. A failed run or a line that is no dump fails the test.
std::vector<std::string> zintModules(int type, const std::vector<std::string>& codes, const std::string& options = "") {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path input =
      std::filesystem::path(::testing::TempDir()) / (std::string("qv_zint_") + info->name() + ".txt");
  {
    std::ofstream f(input, std::ios::binary);
    for (const auto& c : codes) f << c << '\n';
  }
  const std::string command =
      "zint -b " + std::to_string(type) + " --batch --dump " + options + " -i '" + input.string() + "' 2>&1";
  std::vector<std::string> out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return out;
  }
  std::string line;
  char buf[4096];
  while (fgets(buf, sizeof buf, pipe.get())) {
    line += buf;
    if (line.back() != '\n') continue;
    const std::string modules = hexToModules(line);
    if (modules.empty()) ADD_FAILURE() << "zint: " << line;
    out.push_back(modules);
    line.clear();
  }
  std::filesystem::remove(input);
  EXPECT_EQ(out.size(), codes.size()) << command;
  return out;
}

// Elements as "n" (one module) or "w" (wider), bars and spaces alternating
// from the first bar.
std::string elementClasses(const std::string& modules) {
  const std::string m = withoutTrailingLight(modules);
  std::string out;
  for (std::size_t i = m.find('1'); i < m.size();) {
    std::size_t j = i;
    while (j < m.size() && m[j] == m[i]) ++j;
    out += j - i == 1 ? 'n' : 'w';
    i = j;
  }
  return out;
}

std::mt19937 generator(unsigned seed) { return std::mt19937(seed); }

std::string randomText(std::mt19937& rng, std::string_view alphabet, std::size_t minLen, std::size_t maxLen) {
  const std::size_t len = minLen + rng() % (maxLen - minLen + 1);
  std::string s;
  for (std::size_t i = 0; i < len; ++i) s += alphabet[rng() % alphabet.size()];
  return s;
}

constexpr std::string_view kDigits = "0123456789";

using Encoder = std::function<std::string(const std::string&)>;

// Compares this system's symbols with zint's, exactly or as element classes.
void expectAgreement(const std::vector<std::string>& codes, int zintType, const Encoder& ours, bool exact,
                     const std::string& options = "") {
  const auto theirs = zintModules(zintType, codes, options);
  ASSERT_EQ(theirs.size(), codes.size());
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const std::string mine = withoutTrailingLight(ours(codes[i]));
    if (exact) {
      EXPECT_EQ(mine, theirs[i]) << "code \"" << codes[i] << "\"";
    } else {
      EXPECT_EQ(elementClasses(mine), elementClasses(theirs[i])) << "code \"" << codes[i] << "\"";
    }
  }
}

class ZintAgreement : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveZint()) GTEST_SKIP() << "zint is not installed";
  }
};

std::vector<std::string> randomCodes(unsigned seed, std::size_t count, std::string_view alphabet, std::size_t minLen,
                                     std::size_t maxLen) {
  auto rng = generator(seed);
  std::vector<std::string> codes;
  for (std::size_t i = 0; i < count; ++i) codes.push_back(randomText(rng, alphabet, minLen, maxLen));
  return codes;
}

TEST_F(ZintAgreement, Ean13) {
  auto codes = randomCodes(13, 300, kDigits, 12, 12);
  codes.push_back("000000000000");
  codes.push_back("999999999999");
  expectAgreement(codes, kZEan, [](const std::string& c) { return bc::enc::EAN13(c); }, true);
}

TEST_F(ZintAgreement, UpcA) {
  auto codes = randomCodes(12, 300, kDigits, 11, 11);
  codes.push_back("00000000000");
  expectAgreement(codes, kZUpcA, [](const std::string& c) { return bc::enc::UPC(c, 11); }, true);
}

TEST_F(ZintAgreement, Ean8) {
  auto codes = randomCodes(8, 300, kDigits, 7, 7);
  codes.push_back("0000000");
  expectAgreement(codes, kZEan, [](const std::string& c) { return bc::enc::UPC(c, 7); }, true);
}

TEST_F(ZintAgreement, AddOn) {
  auto codes = randomCodes(5, 300, kDigits, 5, 5);
  for (int d = 0; d < 10; ++d) codes.push_back(std::string(5, char('0' + d)));
  expectAgreement(codes, kZEan, [](const std::string& c) { return bc::enc::SUP5(c); }, true);
}

// Printable text (not a whole number): set B in both; zint's code 128
// without set C.
TEST_F(ZintAgreement, Code128SetB) {
  std::string printable;
  for (char c = 32; c < 127; ++c) printable += c;
  auto codes = randomCodes(128, 300, printable, 1, 30);
  std::erase_if(codes, [](const std::string& c) {
    return c.find_first_not_of(kDigits) == std::string::npos || c.front() == ' ' || c.back() == ' ';
  });
  expectAgreement(codes, kZCode128B, [](const std::string& c) { return bc::enc::CODE128(c); }, true);
}

// Digits not beginning with 0: set C in both (an odd last digit in set B).
// Three digits are left out: zint draws them in set B (start, three
// characters, check), this system in set C (start, a pair, "Code B", the
// last digit, check); both are valid symbols of the same length.
TEST_F(ZintAgreement, Code128SetC) {
  auto codes = randomCodes(105, 300, kDigits, 2, 40);
  for (auto& c : codes)
    if (c.front() == '0') c.front() = '7';
  std::erase_if(codes, [](const std::string& c) { return c.size() == 3; });
  expectAgreement(codes, kZCode128, [](const std::string& c) { return bc::enc::CODE128(c); }, true);
}

// More control characters than printable ones: set A in both. No digits,
// which zint would pack in set C.
TEST_F(ZintAgreement, Code128SetA) {
  std::string alphabet;
  for (char c = 1; c < 32; ++c)
    if (c != '\n' && c != '\r') alphabet += c;
  const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ!#%&()*+,-./:;<=>?@[]^_";
  auto rng = generator(103);
  std::vector<std::string> codes;
  for (int i = 0; i < 200; ++i) {
    const std::string controls = randomText(rng, alphabet, 2, 15);
    std::string text = controls + randomText(rng, upper, 0, controls.size() - 1);
    std::shuffle(text.begin() + 1, text.end(), rng);
    codes.push_back(text);
  }
  expectAgreement(codes, kZCode128, [](const std::string& c) { return bc::enc::CODE128(c); }, true);
}

TEST_F(ZintAgreement, Code39) {
  std::string chars(bc::kCode39Chars);
  chars.erase(chars.find('*'), 1);
  auto codes = randomCodes(39, 300, chars, 1, 32);
  std::erase_if(codes, [](const std::string& c) { return c.front() == ' ' || c.back() == ' '; });
  expectAgreement(codes, kZCode39, [](const std::string& c) { return bc::enc::CODE3_9(c); }, false);
  expectAgreement(codes, kZCode39, [](const std::string& c) { return bc::enc::CODE3_9(c, true); }, false,
                  "--vers=1");
}

TEST_F(ZintAgreement, Codabar) {
  auto rng = generator(798);
  std::vector<std::string> codes;
  for (int i = 0; i < 300; ++i)
    codes.push_back(randomText(rng, "ABCD", 1, 1) + randomText(rng, "0123456789-$:/.+", 1, 20) +
                    randomText(rng, "ABCD", 1, 1));
  expectAgreement(codes, kZCodabar, [](const std::string& c) { return bc::enc::CODABAR(c); }, false);
}

TEST_F(ZintAgreement, Interleaved2of5) {
  const auto codes = randomCodes(25, 300, kDigits, 1, 30);
  expectAgreement(codes, kZInterleaved25, [](const std::string& c) { return bc::enc::INT25(c); }, false);
  expectAgreement(codes, kZInterleaved25, [](const std::string& c) { return bc::enc::INT25(c, true); }, false,
                  "--vers=1");
}

TEST_F(ZintAgreement, Industrial2of5) {
  const auto codes = randomCodes(7, 300, kDigits, 1, 30);
  expectAgreement(codes, kZIndustrial25, [](const std::string& c) { return bc::enc::IND25(c); }, false);
  expectAgreement(codes, kZIndustrial25, [](const std::string& c) { return bc::enc::IND25(c, true); }, false,
                  "--vers=1");
}

TEST_F(ZintAgreement, Matrix2of5) {
  const auto codes = randomCodes(2, 300, kDigits, 1, 30);
  expectAgreement(codes, kZMatrix25, [](const std::string& c) { return bc::enc::MAT25(c); }, false);
  expectAgreement(codes, kZMatrix25, [](const std::string& c) { return bc::enc::MAT25(c, true); }, false,
                  "--vers=1");
}

}  // namespace
