// qvlabel as a user runs it: its outputs, its refusals, and symbols it draws
// read back by an independent decoder (zbarimg).
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "tests/tools/subprocess.h"

namespace {

using tools_test::RunProgram;
using tools_test::RunResult;
using tools_test::Scratch;

const std::string kQvlabel = std::string(QV_BINARY_DIR) + "/bin/qvlabel";

RunResult Qvlabel(std::vector<std::string> args) {
  args.insert(args.begin(), kQvlabel);
  return RunProgram(args);
}

std::string FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    const std::string p = std::string(dir) + "/" + name;
    if (std::filesystem::exists(p)) return p;
  }
  return {};
}

// What zbarimg reads in an image: "SYMBOLOGY:data" lines.
std::string Decode(const std::string& image) {
  const std::string zbar = FindProgram("zbarimg");
  const RunResult r = RunProgram({zbar, "-q", "-Supca.enable", "-Scodabar.enable", "-Si25.enable", "-Si25.min-length=2",
                           image});
  return r.out;
}

TEST(Qvlabel, ModulesOfEachType) {
  struct Case {
    std::vector<std::string> args;
    std::string modules;
  };
  const std::vector<Case> cases{
      {{"13", "123456789012"}, bc::enc::EAN13("123456789012")},
      {{"UPCA", "12345678901"}, bc::enc::UPC("12345678901", 11)},
      {{"8", "1234567"}, bc::enc::UPC("1234567", 7)},
      {{"5", "52495"}, bc::enc::SUP5("52495")},
      // Start B (104), "A" (33), "B" (34), check 102, stop.
      {{"128", "AB"}, "11010010000" "10100011000" "10001011000" "11110101110" "1100011101011"},
      // *A* then with the check character "A" before the closing "*".
      {{"3-9", "a"}, "100010111011101011101010001011101000101110111010"},
      {{"3-9", "A", "--check"},
       "1000101110111010111010100010111011101010001011101000101110111010"},
      // 0123: start, pairs (0, 1) and (2, 3), stop and its light module.
      {{"INT25", "123"}, "1010" "100010111011101000" "100011100010101110" "111010"},
      {{"codabar", "a1B"}, "10111000100010" "101011100010" "10001000101110"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"modules"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = Qvlabel(args);
    EXPECT_EQ(r.exitCode, 0) << c.args[0] << " " << r.err;
    EXPECT_EQ(r.out, c.modules + "\n") << c.args[0] << " " << c.args[1];
  }
}

TEST(Qvlabel, CheckDigits) {
  struct Case {
    std::string type, digits, check;
  };
  for (const Case& c : {Case{"13", "123456789012", "8"}, Case{"UPCA", "12345678901", "2"}, Case{"8", "1234567", "0"},
                        Case{"13", "000000000000", "0"}, Case{"upca", "123456789012", "2"}}) {
    const RunResult r = Qvlabel({"check", c.type, c.digits});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, c.check + "\n") << c.type << " " << c.digits;
  }
}

TEST(Qvlabel, CodeParts) {
  RunResult r = Qvlabel({"parts", "1234567890120", "1"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "cCodOrig = \"1234567890120\"\n"
            "cCodNeto = \"123456789012\"\n"
            "cCodCont = \"8\"\n"
            "cCodComp = \"1234567890128\"\n"
            "cBusqueda = \"123456789012             8\"\n");
  r = Qvlabel({"parts", "ABC", "5"});
  EXPECT_EQ(r.out,
            "cCodOrig = \"ABC\"\n"
            "cCodNeto = \"ABC\"\n"
            "cCodCont = \"\"\n"
            "cCodComp = \"ABC\"\n"
            "cBusqueda = \"ABC                      \"\n");
  r = Qvlabel({"parts", "ABC", "4"});
  EXPECT_EQ(r.out,
            "cCodOrig = \"ABC\"\ncCodNeto = NIL\ncCodCont = NIL\ncCodComp = NIL\ncBusqueda = NIL\n");
}

TEST(Qvlabel, RefusesWhatItCannotDoWithExitCode2) {
  Scratch dir;
  const std::string png = dir.file("x.png");
  const std::vector<std::vector<std::string>> bad{
      {},
      {"draw"},
      {"modules", "13"},
      {"modules", "EAN", "123"},
      {"modules", "128", "AB", "--set", "D"},
      {"modules", "128", "AB", "--set"},
      {"modules", "13", "1", "--bogus"},
      {"check", "128", "123"},
      {"check", "13"},
      {"parts", "123", "x"},
      {"render", "13", "123"},
      {"render", "13", "123", png, "--color", "PINK"},
      {"render", "13", "123", png, "--dpi", "0"},
      {"render", "13", "123", png, "--dpi", "abc"},
      {"render", "13", "123", png, "--module-cm", "-1"},
      {"render", "13", "123", png, "--height-cm", "0"},
      {"render", "13", "123", png, "--module-cm", "0.001"},
      {"render", "13", "123", dir.file("no/such/folder/x.png")},
  };
  for (const auto& args : bad) {
    const RunResult r = Qvlabel(args);
    std::string line;
    for (const auto& a : args) line += a + " ";
    EXPECT_EQ(r.exitCode, 2) << line;
    EXPECT_FALSE(r.err.empty()) << line;
    EXPECT_TRUE(r.out.empty()) << line;
  }
  EXPECT_FALSE(std::filesystem::exists(png));
}

struct DecodeCase {
  std::vector<std::string> args;  // type, code, options
  std::string read;               // what zbarimg reports
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
  for (const auto& a : c.args) *os << a << ' ';
  *os << "-> " << c.read;
}

// Every symbology zbar reads, in both orientations at 300 and 600 dpi with
// the default 0.025 cm module.
class QvlabelDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(QvlabelDecode, ZbarReadsTheRenderedSymbol) {
  if (FindProgram("zbarimg").empty()) GTEST_SKIP() << "zbarimg is not installed";
  const DecodeCase& c = GetParam();
  Scratch dir;
  for (const char* dpi : {"300", "600"}) {
    for (bool vertical : {false, true}) {
      const std::string png = dir.file(std::string("s") + dpi + (vertical ? "v" : "h") + ".png");
      std::vector<std::string> args{"render", c.args[0], c.args[1], png, "--dpi", dpi};
      args.insert(args.end(), c.args.begin() + 2, c.args.end());
      if (vertical) args.push_back("--vertical");
      const RunResult r = Qvlabel(args);
      ASSERT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(Decode(png), c.read + "\n") << c.args[0] << " " << c.args[1] << " at " << dpi
                                            << (vertical ? " vertical" : "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Symbologies, QvlabelDecode,
    ::testing::Values(DecodeCase{{"13", "590123412345"}, "EAN-13:5901234123457"},
                      DecodeCase{{"13", "4006381333939", "--digits"}, "EAN-13:4006381333931"},
                      DecodeCase{{"UPCA", "03600029145", "--digits"}, "UPC-A:036000291452"},
                      DecodeCase{{"UPCA", "12345678901"}, "UPC-A:123456789012"},
                      DecodeCase{{"8", "9638507", "--digits"}, "EAN-8:96385074"},
                      DecodeCase{{"8", "1234567"}, "EAN-8:12345670"},
                      DecodeCase{{"128", "Hello World 123"}, "CODE-128:Hello World 123"},
                      DecodeCase{{"128", "12345"}, "CODE-128:12345"},
                      DecodeCase{{"128", "0123"}, "CODE-128:0123"},
                      DecodeCase{{"128", "123456", "--set", "C"}, "CODE-128:123456"},
                      DecodeCase{{"128", "1234567", "--set", "c"}, "CODE-128:1234567"},
                      DecodeCase{{"128", "ABC-12", "--set", "A"}, "CODE-128:ABC-12"},
                      DecodeCase{{"128", "Ab_c", "--set", "A"}, "CODE-128:Ab_c"},
                      DecodeCase{{"128", "abc", "--set", "B"}, "CODE-128:abc"},
                      DecodeCase{{"128", "x\ty", "--set", "B"}, "CODE-128:x\ty"},
                      DecodeCase{{"128", "\x01\x02Z"}, "CODE-128:\x01\x02Z"},
                      DecodeCase{{"3-9", "code39 test"}, "CODE-39:CODE39 TEST"},
                      // Modulo 43: C12 O24 D13 E14 3 9 blank38 T29 E14 S28 T29 = 213, 213 mod 43 = 41 "+".
                      DecodeCase{{"3-9", "CODE39 TEST", "--check"}, "CODE-39:CODE39 TEST+"},
                      DecodeCase{{"3-9", "A", "--check"}, "CODE-39:AA"},
                      // 1 + 2 + 3 + 36 ("-") + 37 (".") = 79, 79 mod 43 = 36 "-".
                      DecodeCase{{"3-9", "123-.", "--check"}, "CODE-39:123-.-"},
                      DecodeCase{{"CODABAR", "A40156B"}, "Codabar:A40156B"},
                      DecodeCase{{"CODABAR", "c12-$:/.+d"}, "Codabar:C12-$:/.+D"},
                      DecodeCase{{"INT25", "12345678"}, "I2/5:12345678"},
                      DecodeCase{{"INT25", "1234567"}, "I2/5:01234567"},
                      DecodeCase{{"INT25", "12"}, "I2/5:12"},
                      // Weights 3, 1, 3, 1 from the right: 4x3 + 3 + 2x3 + 1 = 22, check 8.
                      DecodeCase{{"INT25", "1234", "--check"}, "I2/5:012348"},
                      DecodeCase{{"INT25", "123", "--check"}, "I2/5:1236"}),
    [](const auto& info) {
      std::string type;
      for (char ch : info.param.args[0])
        if (std::isalnum(static_cast<unsigned char>(ch))) type += ch;
      return type + "_" + std::to_string(info.index);
    });

TEST(Qvlabel, RendersInTheNamedColour) {
  Scratch dir;
  const std::string png = dir.file("red.png");
  const RunResult r = Qvlabel({"render", "3-9", "A", png, "--color", "CLR_HRED", "--dpi", "300"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const QImage img(QString::fromStdString(png));
  ASSERT_FALSE(img.isNull());
  // Quiet zone of ten 3-pixel modules, then the first bar.
  EXPECT_EQ(img.pixelColor(31, 40), QColor(255, 0, 0));
  EXPECT_EQ(img.pixelColor(2, 2), QColor(255, 255, 255));
}

TEST(Qvlabel, PageHasQuietZonesAndRoomForTheDigits) {
  Scratch dir;
  const std::string png = dir.file("e.png");
  ASSERT_EQ(Qvlabel({"render", "13", "590123412345", png, "--dpi", "600", "--digits"}).exitCode, 0);
  const QImage img(QString::fromStdString(png));
  // 95 modules of 6 pixels and twelve modules of quiet zone each side.
  EXPECT_EQ(img.width(), 95 * 6 + 2 * 72);
  EXPECT_NEAR(img.physicalDpiX(), 600, 1);
  bool edgeDark = false;
  for (int y = 0; y < img.height(); ++y)
    for (int x : {0, img.width() - 1}) edgeDark |= qGray(img.pixel(x, y)) < 200;
  for (int x = 0; x < img.width(); ++x)
    for (int y : {0, img.height() - 1}) edgeDark |= qGray(img.pixel(x, y)) < 200;
  EXPECT_FALSE(edgeDark);
}

TEST(Qvlabel, VectorOutputs) {
  Scratch dir;
  const std::string svg = dir.file("s.svg"), pdf = dir.file("s.pdf");
  ASSERT_EQ(Qvlabel({"render", "128", "Qv-128", svg}).exitCode, 0);
  ASSERT_EQ(Qvlabel({"render", "128", "Qv-128", pdf, "--digits"}).exitCode, 0);
  const std::string svgText = tools_test::ReadAll(svg);
  EXPECT_NE(svgText.find("<svg"), std::string::npos);
  EXPECT_EQ(tools_test::ReadAll(pdf).substr(0, 5), "%PDF-");
  const std::string pdftoppm = FindProgram("pdftoppm");
  if (pdftoppm.empty() || FindProgram("zbarimg").empty()) GTEST_SKIP() << "pdftoppm or zbarimg missing";
  ASSERT_EQ(RunProgram({pdftoppm, "-r", "600", "-png", "-singlefile", pdf, dir.file("p")}).exitCode, 0);
  EXPECT_EQ(Decode(dir.file("p.png")), "CODE-128:Qv-128\n");
}

// The records of a design file as python3-dbf reads them (through a copy
// named .dbf, the only extension it opens): one line per record,
// NUMERO_ETI|CAMPO|TIPO_B_T_I|NUMCAMPO|POSICION.
std::string DesignFileRecords(const std::string& file) {
  const std::string copy = file + ".dbf";
  std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
  const RunResult r = RunProgram(
      {"/usr/bin/python3", "-c",
       "import dbf, sys\n"
       "t = dbf.Table(sys.argv[1]); t.open()\n"
       "for r in t:\n"
       "  if not dbf.is_deleted(r): print('|'.join(str(r[f]).strip() for f in "
       "('numero_eti','campo','tipo_b_t_i','numcampo','posicion')))",
       copy});
  return r.exitCode == 0 ? r.out : "(python3-dbf: " + r.err + ")";
}

TEST(Qvlabel, DesignsGoToADesignFileAndComeBackAsNewDesigns) {
  Scratch data;
  for (const auto& e : std::filesystem::directory_iterator(std::string(QV_BINARY_DIR) + "/shipped"))
    std::filesystem::copy_file(e.path(), data.path() / e.path().filename());
  const std::string folder = data.path().string();
  const std::string shared = data.file("compartido.eti");
  RunResult r = Qvlabel({"design-export", folder, " referencia, descripcion y codigo ", shared});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string records =
      "1|REFERENCIA, DESCRIPCION Y CODIGO||0|\n"
      "1|\"Ref. \" + NUMETI|T|0|\n"
      "1|NOMETI|T|0|\n"
      "1||B|3|C\n";
  EXPECT_EQ(DesignFileRecords(shared), records);
  r = Qvlabel({"design-import", folder, shared});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "6\n");
  const std::string again = data.file("otra_vez.eti");
  ASSERT_EQ(Qvlabel({"design-export", folder, "6", again}).exitCode, 0);
  EXPECT_EQ(DesignFileRecords(again), records);

  struct Refusal {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Refusal> refusals{
      {{"design-export", folder, "9", data.file("x.eti")}, "no design number 9"},
      {{"design-export", folder, "NO EXISTE", data.file("x.eti")}, "no design named \"NO EXISTE\""},
      {{"design-export", folder, "REFERENCIA, DESCRIPCION Y CODIGO", data.file("y.eti")}, "2 designs are named"},
      {{"design-import", folder, data.file("Labels.dbf")}, "no contiene un diseño de etiqueta"},
      {{"design-import", data.file("no_such_folder"), shared}, "no design table"},
      {{"design-export", folder, "1"}, "design-export takes"},
  };
  for (const Refusal& f : refusals) {
    r = Qvlabel(f.args);
    EXPECT_EQ(r.exitCode, 2) << f.says;
    EXPECT_NE(r.err.find(f.says), std::string::npos) << r.err;
  }
}

}  // namespace

namespace {

TEST(QvlabelCatalogue, ListsTheMatchingProductsWithTheMeasuresOfTheirFormats) {
  // Every product, one line each with eleven columns.
  const RunResult all = Qvlabel({"catalogue"});
  ASSERT_EQ(all.exitCode, 0) << all.err;
  size_t lines = 0;
  for (size_t at = 0; (at = all.out.find('\n', at)) != std::string::npos; ++at) ++lines;
  EXPECT_EQ(lines, 1756u);
  const struct {
    std::vector<std::string> words;
    std::string out;
  } cases[] = {
      // 7160: 181.4 x 108 pt at (21.2, 43.9) pt, pitch 187.2 x 108 pt.
      {{"avery", "l7160"}, "Avery L7160\tMailing labels\t15.49\t7.48\t38.10\t63.99\t0.000\t0.205\t7\t3\tA4\n"},
      {{"Herma 4614"}, "Herma 4614\tAllround Labels\t13.00\t5.70\t33.80\t66.00\t0.000\t0.000\t8\t3\tA4\n"},
      {{"no hay tal hoja"}, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"catalogue"};
    args.insert(args.end(), c.words.begin(), c.words.end());
    const RunResult r = Qvlabel(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

}  // namespace
