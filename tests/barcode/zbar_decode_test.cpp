// Symbols read back by an independent decoder: each module string is drawn
// as a greyscale image with quiet zones and given to zbarimg, whose decoded
// text must be the data the symbol was meant to carry. This covers what a
// comparison of module strings cannot: set switches and fallbacks of Code 128,
// the Code 39 check character, the leading 0 of interleaved 2 of 5.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "barcode/two_of_five.h"

namespace {

bool haveZbar() { return std::system("zbarimg --version >/dev/null 2>&1") == 0; }

// Writes the modules as a binary greyscale image: 3 pixels per module, 12
// light modules of quiet zone on each side, 80 pixels high.
void writeImage(const std::filesystem::path& path, const std::string& modules) {
  constexpr int kScale = 3;
  constexpr int kQuiet = 12;
  constexpr int kHeight = 80;
  std::string row(std::size_t(kQuiet * kScale), '\xFF');
  for (char m : modules) row.append(kScale, m == '1' ? '\0' : '\xFF');
  row.append(std::size_t(kQuiet * kScale), '\xFF');
  std::ofstream f(path, std::ios::binary);
  f << "P5\n" << row.size() << ' ' << kHeight << "\n255\n";
  for (int y = 0; y < kHeight; ++y) f << row;
}

// zbarimg's decoded data for the modules; empty when it reads nothing.
std::string decode(const std::string& modules) {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  for (char& c : name)
    if (c == '/') c = '_';
  const std::filesystem::path image = std::filesystem::path(::testing::TempDir()) / ("qv_zbar_" + name + ".pgm");
  writeImage(image, modules);
  const std::string command = "zbarimg -q --raw -Si25.min-length=2 -Scodabar.min-length=1 '" + image.string() +
                              "' 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  if (!pipe) return out;
  char buf[512];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  std::filesystem::remove(image);
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

struct Case {
  const char* name;
  std::function<std::string()> encode;
  std::string decoded;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ZbarDecode : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (!haveZbar()) GTEST_SKIP() << "zbarimg is not installed";
  }
};

TEST_P(ZbarDecode, ReadsTheData) { EXPECT_EQ(decode(GetParam().encode()), GetParam().decoded); }

using namespace bc::enc;

INSTANTIATE_TEST_SUITE_P(
    Symbols, ZbarDecode,
    ::testing::Values(
        Case{"Ean13", [] { return EAN13("123456789012"); }, "1234567890128"},
        Case{"Ean13Recomputed", [] { return EAN13("1234567890120"); }, "1234567890128"},
        Case{"Ean13Letter", [] { return EAN13("12A4"); }, "1204000000001"},
        Case{"UpcA", [] { return UPC("03600029145"); }, "0036000291452"},
        Case{"Ean8", [] { return UPC("9638507", 7); }, "96385074"},
        Case{"Code128ThreeDigits", [] { return CODE128("123"); }, "123"},
        Case{"Code128OddDigits", [] { return CODE128("12345"); }, "12345"},
        Case{"Code128LeadingZero", [] { return CODE128("0123"); }, "0123"},
        Case{"Code128Zero", [] { return CODE128("0"); }, "0"},
        Case{"Code128Text", [] { return CODE128("Hola, Mundo!"); }, "Hola, Mundo!"},
        Case{"Code128ForcedA", [] { return CODE128("ABC", "A"); }, "ABC"},
        Case{"Code128ForcedALowerCase", [] { return CODE128("Ab", "a"); }, "Ab"},
        Case{"Code128ForcedCLetters", [] { return CODE128("12AB34", "C"); }, "12AB34"},
        Case{"Code128ForcedCOdd", [] { return CODE128("1", "C"); }, "1"},
        Case{"Code128Controls", [] { return CODE128(std::string("\x01\x02" "a")); }, std::string("\x01\x02" "a")},
        Case{"Code128ToSetA", [] { return CODE128(std::string("AB\x01" "cd")); }, std::string("AB\x01" "cd")},
        Case{"Code128HighBytes", [] { return CODE128("12A\xF1"); }, "12A"},
        Case{"Code39", [] { return CODE3_9("abc"); }, "ABC"},
        Case{"Code39Dropped", [] { return CODE3_9("A_B"); }, "AB"},
        Case{"Code39Check", [] { return CODE3_9("code39", true); }, "CODE39W"},
        Case{"Code39CheckBlank", [] { return CODE3_9("HOLA MUNDO", true); }, "HOLA MUNDO7"},
        Case{"Interleaved", [] { return INT25("1234"); }, "1234"},
        Case{"InterleavedOdd", [] { return INT25("123"); }, "0123"},
        Case{"InterleavedCheck", [] { return INT25("1234", true); }, "012348"},
        Case{"InterleavedCheckEven", [] { return INT25("123", true); }, "1236"},
        Case{"InterleavedLetter", [] { return INT25("12A4"); }, "1204"},
        Case{"Codabar", [] { return CODABAR("a40156b"); }, "A40156B"},
        Case{"CodabarAlternatives", [] { return CODABAR("T12N"); }, "A12B"},
        Case{"CodabarAll", [] { return CODABAR("C0123456789-$:/.+D"); }, "C0123456789-$:/.+D"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
