// `qvlabel sheet` as a shop runs it: a data folder made from the shipped
// files with products added by qvdb, sheets written to PDF, rasterised by
// pdftoppm at the PDF device's resolution and read back label by label
// with zbarimg, against the geometry of the shipped A4 65 format (38.1 x
// 21.2 mm labels, 5 columns 40.64 mm apart, 13 rows, margins 4.67 mm left
// and 10.7 mm top).
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/subprocess.h"

namespace {

namespace fs = std::filesystem;
using tools_test::RunProgram;
using tools_test::RunResult;
using tools_test::Scratch;
using tools_test::kBin;
const char* const kFormat65 = "A4 65 ETIQ. 38,1X21,2 MM";
// 254 dpi: ten dots a millimetre.
constexpr int kDpi = 254;

struct Product {
  std::string code, check, name;
  std::string complete() const { return code + check; }
};
const Product kA{"590123412345", "7", "TORNILLO INOX. M6X30"};
const Product kB{"400638133393", "1", "ARANDELA M6"};
const Product kC{"871234567890", "6", "TUERCA M6"};

// The shipped data files with the three products in the product table (no
// index file yet: the run builds it as start-up does).
class Sheet : public ::testing::Test {
 protected:
  void SetUp() override {
    data = dir.path() / "datos";
    fs::create_directories(data);
    for (const auto& e : fs::directory_iterator(fs::path(QV_BINARY_DIR) / "shipped"))
      fs::copy_file(e.path(), data / e.path().filename());
    std::ofstream csv(dir.file("products.csv"));
    csv << "CODIGO,DGCNT,COD_COMPL,NOMETI,TIPOBAR\n";
    for (const Product& p : {kA, kB, kC}) csv << p.code << "," << p.check << "," << p.complete() << "," << p.name << ",13\n";
    csv.close();
    const RunResult r = RunProgram({kBin + "qvdb", "import", (data / "CodPro.dbf").string(), dir.file("products.csv")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }

  RunResult sheet(std::vector<std::string> args) {
    args.insert(args.begin(), {kBin + "qvlabel", "sheet", data.string(), pdf()});
    return RunProgram(args);
  }
  std::string pdf() const { return dir.file("hoja.pdf"); }

  int pages() {
    const RunResult r = RunProgram({"/usr/bin/pdfinfo", pdf()});
    const auto at = r.out.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(r.out.substr(at + 6));
  }
  QImage page(int n) {
    const std::string base = dir.file("page" + std::to_string(n));
    RunProgram({"/usr/bin/pdftoppm", "-gray", "-r", std::to_string(kDpi), "-f", std::to_string(n), "-l",
                std::to_string(n), "-singlefile", pdf(), base});
    return QImage(QString::fromStdString(base + ".pgm"));
  }

  // Cell n (1-based, row by row) of the A4 65 sheet, in dots.
  static QRect cell(int n, double dxMm = 0, double dyMm = 0) {
    const int i = (n - 1) / 5, j = (n - 1) % 5;
    const double left = 4.67 + j * 40.64 + dxMm, top = 10.7 + i * 21.2 + dyMm;
    const auto dot = [](double mm) { return int(std::lround(mm * kDpi / 25.4)); };
    return QRect(QPoint(dot(left), dot(top)), QPoint(dot(left + 38.1) - 1, dot(top + 21.2) - 1));
  }
  static QRect ink(const QImage& img, const QRect& area) {
    int x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (qGray(img.pixel(x, y)) < 128) {
          x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
  }
  // What zbarimg reads in one cell, given a white margin.
  std::string decode(const QImage& img, const QRect& r) {
    QImage padded(r.width() + 100, r.height() + 100, QImage::Format_RGB32);
    padded.fill(Qt::white);
    QPainter(&padded).drawImage(50, 50, img.copy(r));
    const std::string png = dir.file("cell.png");
    padded.save(QString::fromStdString(png));
    return RunProgram({"/usr/bin/zbarimg", "-q", png}).out;
  }
  std::string symbol(const Product& p) { return "EAN-13:" + p.complete() + "\n"; }

  Scratch dir;
  fs::path data;
};

TEST_F(Sheet, OneCodeFillsTheSheet) {
  const RunResult r = sheet({"--code", kA.complete(), "--design", "5", "--format", kFormat65, "--dpi", "254"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "65 etiquetas, 1 página\n");
  ASSERT_EQ(pages(), 1);
  const QImage img = page(1);
  for (int n = 1; n <= 65; ++n) EXPECT_EQ(decode(img, cell(n)), symbol(kA)) << "label " << n;
}

// Three codes of a list from label 7: the first six cells stay blank, then
// 10, 5 and 60 labels in list order over two sheets; no ink outside the
// labels.
TEST_F(Sheet, AListFromLabelSevenOverTwoSheets) {
  std::ofstream(dir.file("lista.csv")) << "Código;Cantidad\n" << kA.complete() << ";10\n" << kB.complete() << ";5\n"
                                       << kC.complete() << ";60\n";
  const RunResult r = sheet({"--list", dir.file("lista.csv"), "--design", "SOLO CODIGO, ETIQUETA PEQUEÑA",
                             "--format", kFormat65, "--start", "7", "--dpi", "254"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "75 etiquetas, 2 páginas\n");
  ASSERT_EQ(pages(), 2);
  std::vector<const Product*> expected(130, nullptr);
  int at = 6;
  for (const auto& [p, n] : std::vector<std::pair<const Product*, int>>{{&kA, 10}, {&kB, 5}, {&kC, 60}})
    for (int k = 0; k < n; ++k) expected[size_t(at++)] = p;
  for (int sheetNo = 1; sheetNo <= 2; ++sheetNo) {
    QImage img = page(sheetNo);
    ASSERT_FALSE(img.isNull());
    for (int n = 1; n <= 65; ++n) {
      const Product* p = expected[size_t((sheetNo - 1) * 65 + n - 1)];
      if (p) {
        EXPECT_EQ(decode(img, cell(n)), symbol(*p)) << "sheet " << sheetNo << " label " << n;
      } else {
        EXPECT_TRUE(ink(img, cell(n)).isNull()) << "sheet " << sheetNo << " label " << n << " is not blank";
      }
    }
    QPainter blank(&img);
    for (int n = 1; n <= 65; ++n) blank.fillRect(cell(n), Qt::white);
    blank.end();
    EXPECT_TRUE(ink(img, img.rect()).isNull()) << "ink between the labels of sheet " << sheetNo;
  }
}

// The outlines lie on the format's geometry: each edge's line within one
// dot of the label's rectangle, one dot thin (read across the blank band
// 1 mm inside the edge); a printer offset of +1.0 mm across and -0.5 mm
// down moves every mark by that much (10 and -5 dots).
TEST_F(Sheet, OutlinesOnTheGeometryAndThePrinterOffsetMovesEverything) {
  ASSERT_EQ(sheet({"--code", kB.complete(), "--design", "5", "--format", kFormat65, "--outline", "--dpi", "254"})
                .exitCode,
            0);
  const QImage plain = page(1);
  std::ofstream(data / "Impresoras.cfg") << "[PDF]\nhorizontal_mm=1.0\nvertical_mm=-0.5\n";
  ASSERT_EQ(sheet({"--code", kB.complete(), "--design", "5", "--format", kFormat65, "--outline", "--dpi", "254"})
                .exitCode,
            0);
  const QImage moved = page(1);
  const auto dark = [](const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; };
  // A dark dot within one of `at` along the line through the band, and
  // light three dots further inside.
  const auto lineAt = [&](const QImage& img, bool vertical, int at, int across, int inward) {
    bool found = false;
    for (int d = -1; d <= 1; ++d) found |= vertical ? dark(img, at + d, across) : dark(img, across, at + d);
    const int inside = at + 3 * inward;
    return found && !(vertical ? dark(img, inside, across) : dark(img, across, inside));
  };
  for (int n = 1; n <= 65; ++n) {
    const QRect c = cell(n);
    const int bandX = c.left() + 10, bandY = c.top() + 10;
    EXPECT_TRUE(lineAt(plain, false, c.top(), bandX, 1)) << "top of " << n;
    EXPECT_TRUE(lineAt(plain, false, c.bottom(), bandX, -1)) << "bottom of " << n;
    EXPECT_TRUE(lineAt(plain, true, c.left(), bandY, 1)) << "left of " << n;
    EXPECT_TRUE(lineAt(plain, true, c.right(), bandY, -1)) << "right of " << n;
    // Lines and content: the ink inside the label (all but its edge
    // lines), and the lines along the band, in the sheet moved.
    const QRect inner = c.adjusted(3, 3, -3, -3);
    const QRect was = ink(plain, inner), now = ink(moved, inner.translated(10, -5));
    ASSERT_FALSE(was.isNull()) << n;
    EXPECT_LE((now.topLeft() - QPoint(10, -5) - was.topLeft()).manhattanLength(), 1) << n;
    EXPECT_LE((now.bottomRight() - QPoint(10, -5) - was.bottomRight()).manhattanLength(), 1) << n;
    const QRect movedCell = cell(n, 1.0, -0.5);
    EXPECT_TRUE(lineAt(moved, false, movedCell.top(), bandX + 10, 1)) << "moved top of " << n;
    EXPECT_TRUE(lineAt(moved, true, movedCell.left(), bandY - 5, 1)) << "moved left of " << n;
  }
}

TEST_F(Sheet, ExitCodes) {
  RunResult r = sheet({"--code", "1234567890128", "--design", "5"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("1234567890128"), std::string::npos) << r.err;
  std::ofstream(dir.file("mal.csv")) << "codigo,cantidad\n" << kA.complete() << ",2\n7701234567891,1\n";
  r = sheet({"--list", dir.file("mal.csv")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("7701234567891"), std::string::npos) << r.err;
  const std::vector<std::vector<std::string>> usage{
      {},
      {"--code", kA.complete(), "--list", dir.file("mal.csv")},
      {"--quantity", "3"},
      {"--code", kA.complete(), "--quantity", "0"},
      {"--code", kA.complete(), "--start", "66", "--format", kFormat65},
      {"--code", kA.complete(), "--design", "9"},
      {"--code", kA.complete(), "--format", "NO EXISTE"},
      {"--code", kA.complete(), "--dpi", "10"},
      {"--code", kA.complete(), "--bogus"},
  };
  for (const auto& args : usage) {
    std::string line;
    for (const auto& a : args) line += a + " ";
    r = sheet(args);
    EXPECT_EQ(r.exitCode, 2) << line;
    EXPECT_FALSE(r.err.empty()) << line;
  }
  r = RunProgram({kBin + "qvlabel", "sheet", data.string(), dir.file("hoja.png"), "--code", kA.complete()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(RunProgram({kBin + "qvlabel", "sheet", dir.file("nada"), pdf(), "--code", kA.complete()}).exitCode, 2);
}

}  // namespace
