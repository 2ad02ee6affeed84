// MiCodBarCls: data digits, check digit, complete code and search key by
// symbology option; and the symbology codes.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "barcode/code_parts.h"
#include "barcode/symbology.h"

namespace {

using bc::MiCodBarCls;

struct PartsCase {
  const char* code;
  int option;
  std::optional<std::string> neto, cont, comp, key;
};

std::string pad(const std::string& s) { return s + std::string(25 - s.size(), ' '); }

TEST(CodeParts, ByOption) {
  const PartsCase cases[] = {
      {"1234567890128", 1, "123456789012", "8", "1234567890128", pad("123456789012") + "8"},
      {"1234567890120", 1, "123456789012", "8", "1234567890128", pad("123456789012") + "8"},
      {"7896009490651", 1, "789600949065", "1", "7896009490651", pad("789600949065") + "1"},
      {"123456789012", 2, "12345678901", "2", "123456789012", pad("12345678901") + "2"},
      {"051111128817", 2, "05111112881", "7", "051111128817", pad("05111112881") + "7"},
      {"78600027", 3, "7860002", "7", "78600027", pad("7860002") + "7"},
      {"12345670", 3, "1234567", "0", "12345670", pad("1234567") + "0"},
      // A short code: the data is completed with zeros, the key keeps it as typed.
      {"1239", 1, "123000000000", "0", "1230000000000", pad("123") + "0"},
      {"", 1, "000000000000", "0", "0000000000000", pad("") + "0"},
      {"ABC", 5, "ABC", "", "ABC", pad("ABC")},
      {"", 5, "", "", "", pad("")},
      {"1234", 4, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"1234", 0, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"1234", 6, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    const MiCodBarCls parts = MiCodBarCls::New(c.code, c.option);
    SCOPED_TRACE(std::string(c.code) + " option " + std::to_string(c.option));
    EXPECT_EQ(parts.cCodOrig, c.code);
    EXPECT_EQ(parts.cCodNeto, c.neto);
    EXPECT_EQ(parts.cCodCont, c.cont);
    EXPECT_EQ(parts.cCodComp, c.comp);
    EXPECT_EQ(parts.cBusqueda, c.key);
  }
}

TEST(CodeParts, LongCodesAreCutInTheKey) {
  const std::string code(30, 'X');
  const MiCodBarCls parts(code, 5);
  EXPECT_EQ(parts.cBusqueda, std::string(25, 'X'));
  EXPECT_EQ(parts.cCodNeto, code);
  const MiCodBarCls ean(std::string(27, '1') + "9", 1);
  EXPECT_EQ(ean.cBusqueda->size(), 26u);
  EXPECT_EQ(ean.cCodNeto, std::string(12, '1'));
}

TEST(Symbology, PrintMatching) {
  using bc::Symbology;
  struct Case {
    std::optional<std::string_view> value;
    std::optional<Symbology> expected;
  };
  const Case cases[] = {
      {std::nullopt, Symbology::Ean13},
      {"13", Symbology::Ean13},
      {"13        ", Symbology::Ean13},
      {"128", Symbology::Code128},
      {"3-9  ", Symbology::Code39},
      {"UPCA", Symbology::UpcA},
      {"8", Symbology::Ean8},
      {"5", Symbology::Sup5},
      {"CODABAR", Symbology::Codabar},
      {"INT25", Symbology::Int25},
      {"IND25", Symbology::Ind25},
      {"MAT25", Symbology::Mat25},
      {"", std::nullopt},
      {"  13", std::nullopt},
      {"upca", std::nullopt},
      {"39", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(bc::symbologyForPrint(c.value), c.expected) << c.value.value_or("(absent)");
}

TEST(Symbology, Options) {
  const char* codes[] = {"13", "UPCA", "8", "128", "3-9", "IND25", "MAT25", "5"};
  for (int option = 1; option <= 8; ++option) {
    const auto s = bc::symbologyForOption(option);
    ASSERT_TRUE(s.has_value()) << option;
    EXPECT_EQ(bc::symbologyInfo(*s).code, codes[option - 1]);
    EXPECT_EQ(bc::optionForStoredType(std::string(codes[option - 1]) + "   "), option);
  }
  EXPECT_FALSE(bc::symbologyForOption(0).has_value());
  EXPECT_FALSE(bc::symbologyForOption(9).has_value());
  EXPECT_EQ(bc::optionForStoredType("CODABAR"), 1);
  EXPECT_EQ(bc::optionForStoredType(""), 1);
  EXPECT_EQ(bc::symbologies().size(), 10u);
}

}  // namespace
