// The label sheet print run: the run values of a format, the totals text,
// the colour table, the item functions (barcodes read back with zbarimg),
// and whole sheets run from real tables, captured from the preview's page
// files, rendered and decoded label by label.
#include "labels/label_run.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPicture>
#include <QPointer>
#include <fstream>
#include <set>
#include <sstream>

#include "barcode/draw.h"
#include "barcode/qt/image_device.h"
#include "data/engine/workspace.h"
#include "data/tdatabase.h"
#include "labels/label_colors.h"
#include "print/preview.h"
#include "print/preview_printing.h"
#include "print/printer.h"
#include "print/printer_setup.h"
#include "tests/print/print_test_support.h"
#include "xbase/dates.h"

namespace {

using xb::Value;
using xb::engine::Structure;

// The structure of a shipped table, from shipped/structures.txt.
Structure shippedStructure(const std::string& tableFile) {
  std::ifstream in(std::string(QV_SOURCE_DIR) + "/shipped/structures.txt");
  Structure out;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string first;
    if (!(words >> first) || first[0] == '#') continue;
    if (first == "template") {
      std::string tmpl, table;
      words >> tmpl >> table;
      inside = table == tableFile;
      continue;
    }
    if (!inside) continue;
    xb::engine::FieldDef f;
    f.name = first;
    words >> f.type >> f.width >> f.decimals;
    out.push_back(f);
  }
  return out;
}

// Pages decoded by zbarimg: one "TYPE:data" line per symbol found.
std::multiset<std::string> decode(const QImage& page, const QString& folder) {
  const QString png = folder + "/decode.png";
  page.save(png);
  std::multiset<std::string> found;
  std::istringstream lines(prtest::run("zbarimg -q -Si25.min-length=2 -Scodabar.min-length=1 " + prtest::quoted(png.toStdString()) + " 2>/dev/null"));
  for (std::string line; std::getline(lines, line);) found.insert(line);
  return found;
}

QImage render(const std::string& pageFile, int width, int height) {
  QPicture pic;
  QImage img(width, height, QImage::Format_RGB32);
  img.fill(Qt::white);
  if (!pic.load(QString::fromStdString(pageFile))) return QImage();
  QPainter painter(&img);
  pr::playPage(painter, pic);
  return img;
}

struct FormatRow {
  double top, left, height, width, rowGap, colGap, rows, cols;
  bool lastRow;
};

// A design item: kind, CAMPO, NUMCAMPO, the alignment flags, the size, the
// colour, MISMALINEA.
struct Item {
  std::string kind;
  std::string campo;
  int field = 0;
  bool left = false, centre = false, right = false;
  double size = 0;
  std::string color;
  bool sameLine = false;
};

class LabelRun : public prtest::PrintFixture {
 protected:
  void SetUp() override {
    prtest::PrintFixture::SetUp();
    data = dir.path().toStdString() + "/datos/";
    QDir().mkpath(QString::fromStdString(data));
  }
  void TearDown() override {
    for (const QPointer<pr::TMULTIPREVIEW>& p : previews())
      if (p) p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const char* alias : {"CODPRO", "DATOSETI", "LABELS"}) {
      if (areas().select(alias)) areas().close();
    }
    prtest::PrintFixture::TearDown();
  }
  static xb::engine::WorkAreas& areas() { return xb::engine::workAreas(); }
  static std::vector<QPointer<pr::TMULTIPREVIEW>> previews() {
    std::vector<QPointer<pr::TMULTIPREVIEW>> out;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<pr::TMULTIPREVIEW*>(w)) out.emplace_back(p);
    return out;
  }

  // A new table of the shipped structure, open for filling.
  xb::engine::WorkArea& openNew(const std::string& file, const std::string& alias) {
    EXPECT_TRUE(xb::engine::Table::create(data + file, shippedStructure(file)));
    areas().select(0);
    EXPECT_TRUE(areas().use(data + file, alias, xb::engine::OpenMode::Exclusive));
    return areas().area();
  }
  // Builds the tag on the filled table, then opens it shared in that order.
  xb::engine::WorkArea& reopenShared(const std::string& file, const std::string& alias, const std::string& cdx,
                                     const std::string& tag, const std::string& key) {
    areas().select(alias);
    EXPECT_TRUE(areas().area().createTag(data + cdx, tag, key, "!DELETED()"));
    areas().close();
    EXPECT_TRUE(areas().use(data + file, alias));
    xb::engine::WorkArea& a = areas().area();
    EXPECT_TRUE(a.addIndex(data + cdx));
    EXPECT_TRUE(a.setOrder(tag));
    return a;
  }
  static void addRow(xb::engine::WorkArea& a, const std::vector<std::pair<const char*, Value>>& values) {
    ASSERT_TRUE(a.appendBlank());
    for (const auto& [name, v] : values) a.fieldPut(name, v);
    a.unlock();
  }

  // The product table as the generator opens it: under its base name, in
  // the search-key order, scoped to the key of the code.
  void makeProduct(const std::string& code, const std::string& check, const std::string& type) {
    xb::engine::WorkArea& a = openNew("CodPro.dbf", "CODPRO");
    addRow(a, {{"CODIGO", Value("00000000")}, {"DGCNT", Value("0")}, {"COD_COMPL", Value("000000000")},
               {"TIPOBAR", Value("128")}});
    addRow(a, {{"CODIGO", Value(code)}, {"DGCNT", Value(check)}, {"COD_COMPL", Value(code + check)},
               {"NUMETI", Value("R-17")}, {"NOMETI", Value("TORNILLO INOX")}, {"TIPOBAR", Value(type)}});
    xb::engine::WorkArea& shared =
        reopenShared("CodPro.dbf", "CODPRO", "CodiProx.cdx", "Codigo", "_Field->CODIGO+_Field->DGCNT");
    std::string key = code;
    key.resize(25, ' ');
    key += check;
    shared.setScope(Value(key), Value(key));
    shared.goTop();
  }

  // The design table as DATOSETI with the tag NumEti: design 1 is a header
  // and `items`, design 2 a header only. Returns the header positions.
  std::vector<int64_t> makeDesigns(const std::vector<Item>& items) {
    xb::engine::WorkArea& a = openNew("CodPro.eti", "DATOSETI");
    addRow(a, {{"NUMERO_ETI", Value(2)}, {"CAMPO", Value("SOLO CABECERA")}});
    addRow(a, {{"NUMERO_ETI", Value(1)}, {"CAMPO", Value("PRUEBA")}, {"ULTIMA", Value(true)}});
    for (const Item& it : items)
      addRow(a, {{"NUMERO_ETI", Value(1)}, {"CAMPO", Value(it.campo)}, {"FUENTE", Value("")},
                 {"TAMANO", Value(it.size, 2)}, {"IZQUIERDA", Value(it.left)}, {"CENTRADO", Value(it.centre)},
                 {"DERECHA", Value(it.right)}, {"TIPO_B_T_I", Value(it.kind)}, {"NUMCAMPO", Value(it.field)},
                 {"TIPOCOD", Value("128")}, {"COLOR", Value(it.color)}, {"CONDIGITOS", Value(true)},
                 {"ANCHOMOD", Value(3.3, 2)}, {"ALTOBARRA", Value(1.5, 2)}, {"MISMALINEA", Value(it.sameLine)}});
    reopenShared("CodPro.eti", "DATOSETI", "CodEti.cdx", "NumEti", "_Field->NUMERO_ETI");
    return {2, 1};
  }

  lb::LabelRunValues makeFormat(const FormatRow& f) {
    xb::engine::WorkArea* a = areas().find("LABELS");
    if (!a) {
      openNew("Labels.dbf", "LABELS");
      a = &reopenShared("Labels.dbf", "LABELS", "Labelsx.cdx", "Nombre", "_Field->NOMBRE");
    }
    addRow(*a, {{"NOMBRE", Value("PRUEBA")}, {"HOJA", Value("A4")}, {"MARGENSUP", Value(f.top, 2)},
                {"MARGENIZD", Value(f.left, 2)}, {"ALTOETIQ", Value(f.height, 2)}, {"ANCHOETIQ", Value(f.width, 2)},
                {"SEPARAHORZ", Value(f.rowGap, 3)}, {"SEPARAVERT", Value(f.colGap, 3)}, {"FILAS", Value(f.rows, 0)},
                {"COLUMNAS", Value(f.cols, 0)}, {"PRNULTFILA", Value(f.lastRow)}});
    EXPECT_TRUE(format.Load());
    return lb::labelRunValues(format);
  }

  // Runs design `n` and returns the previews it opened.
  std::vector<pr::TMULTIPREVIEW*> run(int n, const std::vector<int64_t>& headers) {
    std::set<pr::TMULTIPREVIEW*> before;
    for (const auto& p : previews()) before.insert(p.data());
    lb::PRNLABEL("CODPRO", design, n, {"PRUEBA", "SOLO CABECERA"}, headers, format, {"PRUEBA"});
    std::vector<pr::TMULTIPREVIEW*> opened;
    for (const auto& p : previews())
      if (!before.count(p.data())) opened.push_back(p.data());
    return opened;
  }

  // Each label of a sheet decoded on its own (zbarimg reports equal symbols
  // of one image once), cut out by the format's geometry and given a white
  // margin: every label must carry exactly `symbol`. Answers the labels
  // that do.
  int decodedOnEveryLabel(const QImage& img, const lb::LabelRunValues& v, const bc::DrawDevice& device,
                          const std::string& symbol) {
    const auto pixels = [&](double row, double col) {
      device.Cmtr2Pix(row, col);
      return QPoint(int(col), int(row));
    };
    int decoded = 0;
    for (int64_t i = 0; i < v.rows; ++i)
      for (int64_t j = 0; j < v.columns; ++j) {
        const double top = v.top + double(i) * (v.labelHeight + v.rowGap);
        const double left = v.left + double(j) * (v.labelWidth + v.columnGap);
        const QRect cell(pixels(top, left), pixels(top + v.labelHeight, left + v.labelWidth));
        QImage padded(cell.width() + 200, cell.height() + 200, QImage::Format_RGB32);
        padded.fill(Qt::white);
        QPainter(&padded).drawImage(100, 100, img.copy(cell));
        const std::multiset<std::string> found = decode(padded, dir.path());
        EXPECT_EQ(found, std::multiset<std::string>{symbol}) << i << "," << j;
        decoded += int(found.count(symbol));
      }
    return decoded;
  }

  QImage page(pr::TMULTIPREVIEW* pv) {
    const pr::TPRINTER* d = pv->oDevice();
    return render(pv->aFiles().front(), d->nHorzRes(), d->nVertRes());
  }

  std::string data;
  qv::TDATABASE design{"DATOSETI"};
  qv::TDATABASE format{"LABELS"};
};

TEST_F(LabelRun, RunValuesOfAFormat) {
  struct Case {
    FormatRow f;
    double top, left, height, width, rowGap, colGap;
    int64_t rows, cols;
  } cases[] = {
      {{15.15, 7.21, 38.1, 63.5, 0, 0.254, 7, 3, true}, 1.815, 1.121, 3.81, 6.35, 0, 0.254, 7, 3},
      {{0, 0, 20, 50, 0.3, 0.2, 5, 2, false}, 0.3, 0.4, 2, 5, 0.3, 0.2, 4, 2},  // last row left out
      {{0, 0, 20, 50, 0, 0, 1, 4, false}, 0.3, 0.4, 2, 5, 0, 0, 1, 4},          // still one row
      {{10, 5, 21.2, 38.1, 0.3, 0, 13, 5, true}, 1.3, 0.9, 2.12, 3.81, 0.3, 0, 13, 5},
      {{0, 0, 0, 0, 0, 0, 0, 0, true}, 0.3, 0.4, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const lb::LabelRunValues v = makeFormat(c.f);
    SCOPED_TRACE(c.f.rows);
    EXPECT_NEAR(v.top, c.top, 1e-9);
    EXPECT_NEAR(v.left, c.left, 1e-9);
    EXPECT_NEAR(v.labelHeight, c.height, 1e-9);
    EXPECT_NEAR(v.labelWidth, c.width, 1e-9);
    EXPECT_NEAR(v.rowGap, c.rowGap, 1e-9);
    EXPECT_NEAR(v.columnGap, c.colGap, 1e-9);
    EXPECT_EQ(v.rows, c.rows);
    EXPECT_EQ(v.columns, c.cols);
    EXPECT_EQ(v.perSheet(), c.rows * c.cols);
  }
}

TEST_F(LabelRun, TotalsText) {
  struct Case {
    int64_t count;
    double rows, cols;
    bool lastRow;
    const char* text;
  } cases[] = {
      {1, 7, 3, true, "Total etiq.1\n1 Hojas"},     {21, 7, 3, true, "Total etiq.21\n1 Hojas"},
      {22, 7, 3, true, "Total etiq.22\n2 Hojas"},   {43, 7, 3, true, "Total etiq.43\n3 Hojas"},
      {18, 7, 3, false, "Total etiq.18\n1 Hojas"},  {19, 7, 3, false, "Total etiq.19\n2 Hojas"},
      {0, 7, 3, true, "Total etiq.0\n0 Hojas"},     {5, 7, 0, true, "Total etiq.5\n0 Hojas"},
      {5, 0, 3, true, "Total etiq.5\n0 Hojas"},     {1200, 1, 1, false, "Total etiq.1200\n1200 Hojas"},
  };
  for (const Case& c : cases) {
    makeFormat({0, 0, 10, 10, 0, 0, c.rows, c.cols, c.lastRow});
    EXPECT_EQ(lb::labelTotalsText(c.count, format), c.text);
  }
}

TEST(LabelColors, EveryNameExactlyAndBlackForTheRest) {
  const std::pair<const char*, bc::Rgb> table[] = {
      {"CLR_BLACK", 0},           {"CLR_BLUE", 8388608},      {"CLR_GREEN", 32768},     {"CLR_CYAN", 8421376},
      {"CLR_RED", 128},           {"CLR_MAGENTA", 8388736},   {"CLR_BROWN", 32896},     {"CLR_HGRAY", 12632256},
      {"CLR_LIGHTGRAY", 8421504}, {"CLR_GRAY", 8421504},      {"CLR_HBLUE", 16711680},  {"CLR_HGREEN", 65280},
      {"CLR_HCYAN", 16776960},    {"CLR_HRED", 255},          {"CLR_HMAGENTA", 16711935}, {"CLR_YELLOW", 65535},
      {"CLR_WHITE", 16777215},
  };
  for (const auto& [name, value] : table) {
    EXPECT_EQ(lb::findLabelColor(name), value) << name;
    EXPECT_EQ(lb::labelColor(name), value) << name;
  }
  EXPECT_EQ(lb::labelColor("CLR_HGRAY"), bc::rgb(192, 192, 192));
  EXPECT_EQ(lb::labelColor("CLR_GRAY"), bc::rgb(128, 128, 128));
  for (const char* other : {"clr_red", "CLR_RED ", "CLR_PINK", "", "RED"}) {
    EXPECT_FALSE(lb::findLabelColor(other).has_value()) << other;
    EXPECT_EQ(lb::labelColor(other), 0u) << other;
  }
}

TEST(LabelValues, CodesAndTextsOfEveryType) {
  const xb::Value date(xb::Date{xb::julianDay(2024, 3, 7)});
  struct Case {
    Value v;
    const char* code;
    const char* text;
  } cases[] = {
      {Value("  5901234123457  "), "5901234123457", "5901234123457"},
      {Value(12345, 0), "12345", "12345"},
      {Value(12.5, 2), "12.50", "12.50"},
      {date, "20240307", "07-03-2024"},
      {Value(xb::Date{}), "", ""},
      {Value(true), "", ".T."},
      {Value(), "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lb::labelCode(c.v), c.code);
    EXPECT_EQ(lb::labelText(c.v), c.text);
  }
}

TEST(LabelValues, ItemKindMessage) {
  EXPECT_EQ(lb::itemKindMessage("X", 0),
            "EL CAMPO DE TIPO DE OBJETO SOLO PUEDE CONTENER (B)arras (T)exto (I)magen\r\n"
            "EL DATO (X) ES INCORRECTO\r\n"
            "O EL CAMPO INDICADO Nº 0 NO TIENE BARRAS A IMPRIMIR");
  EXPECT_NE(lb::itemKindMessage("B", -3).find("Nº -3 NO"), std::string::npos);
}

// Types that draw human-readable digits under their bars.
bool symbologyHasDigits(const std::string& type) { return type == "UPCA" || type.starts_with("13") || type == "8"; }

// Every drawing function the type picks, on one recorded page; the
// decodable ones read back, the 2-of-5 families without a decoder and an
// unknown type are checked by their ink.
TEST_F(LabelRun, BarcodeItemPicksTheSymbologyByLeadingCharacters) {
  if (prtest::run("command -v zbarimg").empty()) GTEST_SKIP() << "zbarimg not installed";
  struct Case {
    const char* type;
    const char* code;
    const char* decoded;  // nullptr: ink only
  } cases[] = {
      {"13     ", "590123412345", "EAN-13:5901234123457"},
      {"128", "QV-128", "CODE-128:QV-128"},
      {"3-9", "QV39", "CODE-39:QV39"},
      {"UPCA", "03600029145", "EAN-13:0036000291452"},  // zbarimg reports UPC-A as EAN-13
      {"8", "9638507", "EAN-8:96385074"},
      {"CODABAR", "A40156B", "Codabar:A40156B"},
      {"INT25", "123456", "I2/5:123456"},
      {"IND25", "123456", nullptr},
      {"MAT25", "123456", nullptr},
  };
  auto p = pr::TPRINTER::New("Tipos", false, true);
  // A row or a column of the page in pixels.
  const auto px = [&](double row, double col) {
    p->Cmtr2Pix(row, col);
    return QPointF(col, row);
  };
  for (const Case& c : cases) {
    p->StartPage();
    const pr::RowCol below = lb::LABELMOD(*p, 2, 2, false, c.code, c.type, 0, false, true, 0.033, 1.5, "", false);
    EXPECT_DOUBLE_EQ(below.col, 0);
    p->EndPage();
    const QImage img = render(p->aMeta().back(), p->nHorzRes(), p->nVertRes());
    const QRect ink = prtest::inkBox(img, img.rect());
    ASSERT_FALSE(ink.isNull()) << c.type;
    if (c.decoded) {
      EXPECT_EQ(decode(img, dir.path()).count(c.decoded), 1u) << c.type;
    }
    // The next line starts right under everything drawn: the bars, 1.5 cm
    // from 0.1 cm below the row, and the digits under them.
    EXPECT_NEAR(px(below.row, 0).y(), ink.bottom() + 1, 1.5) << c.type;
    EXPECT_EQ(below.row > 3.6 + 0.01, symbologyHasDigits(c.type)) << c.type;
    EXPECT_NEAR(px(2.1, 0).y(), ink.top(), 1) << c.type;
    // On the same line the next item starts 0.1 cm right of the ink (of
    // the cell of a last digit, which is at most a module wider).
    p->StartPage();
    const pr::RowCol right = lb::LABELMOD(*p, 2, 2, true, c.code, c.type, 0, false, true, 0.033, 1.5, "", false);
    p->EndPage();
    EXPECT_EQ(right.row, 2);
    const double end = px(0, right.col - 0.1).x();
    EXPECT_GE(end, ink.right() + 1 - 1) << c.type;
    EXPECT_LE(end, ink.right() + 1 + bc::HorzPix(*p, 0.033)) << c.type;
  }
  p->StartPage();
  const pr::RowCol right = lb::LABELMOD(*p, 2, 2, true, "590123412345", "XX", 0, false, true, 0.033, 1.5);
  EXPECT_DOUBLE_EQ(right.row, 2);
  EXPECT_DOUBLE_EQ(right.col, 2 + 0.033 + 0.1);
  p->EndPage();
  const QImage none = render(p->aMeta().back(), p->nHorzRes(), p->nVertRes());
  EXPECT_TRUE(prtest::inkBox(none, none.rect()).isNull());
  p->End();
}

// Barcodes and pictures placed on a label 2 to 8 cm across: centred, their
// bars' (or the picture's) middle on 5 cm; right, their right end 0.4 cm
// inside 8 cm; at the cursor, from the column given; and the next item on
// the same line 0.1 cm (a picture 0.4 cm) right of what they drew.
TEST_F(LabelRun, BarcodesAndPicturesArePlacedOnTheLabel) {
  QImage bmp(90, 40, QImage::Format_RGB32);
  bmp.fill(Qt::black);
  const std::string file = data + "logo.bmp";
  ASSERT_TRUE(bmp.save(QString::fromStdString(file)));
  struct Case {
    bool picture;
    int place;
    double middle, right;  // cm, -1 to skip
  } cases[] = {
      {false, lb::kPlaceCentre, 5, -1}, {false, lb::kPlaceRight, -1, 7.6}, {false, lb::kPlaceCursor, -1, -1},
      {true, lb::kPlaceCentre, 5, -1},  {true, lb::kPlaceRight, -1, 7.6},
  };
  const auto px = [](double cm) { return cm / 2.54 * 300; };
  for (const Case& c : cases) {
    bc::ImageDevice dev(1200, 600, 300);
    const bc::RowCol next =
        c.picture ? lb::LABELIMG(dev, "CODPRO", 1, 2.4, true, file, 1, c.place, 2, 6)
                  : lb::LABELMOD(dev, 1, 2.4, true, "590123412345", "13", 0, false, false, 0.033, 1, "", false, c.place,
                                 2, 6);
    const QImage img = dev.toImage();
    // Halfway down the bars or the picture.
    const QRect ink = prtest::inkBox(img, QRect(0, int(px(1.25)), img.width(), 1));
    ASSERT_FALSE(ink.isNull()) << c.picture << c.place;
    if (c.middle >= 0) EXPECT_NEAR((ink.left() + ink.right() + 1) / 2.0, px(c.middle), 1) << c.picture << c.place;
    if (c.right >= 0) EXPECT_NEAR(ink.right() + 1, px(c.right), 1) << c.picture << c.place;
    if (c.middle < 0 && c.right < 0) EXPECT_NEAR(ink.left(), px(2.4), 1);
    EXPECT_NEAR(px(next.col - (c.picture ? 0.4 : 0.1)), ink.right() + 1, 1) << c.picture << c.place;
  }
}

TEST_F(LabelRun, TextItemAdvancesByTheEstimatedSize) {
  makeProduct("590123412345", "7", "13");
  auto p = pr::TPRINTER::New("Textos", false, true);
  p->StartPage();
  struct Case {
    const char* expr;
    double size;
    bool sameLine;
    int align;
    double labelWidth;
    double row, col;  // expected, before the size is added
    size_t chars;
  } cases[] = {
      {"NOMETI", 10, false, lb::kAlignLeft, 5, 2, 0, 13},
      {"NOMETI", 10, true, lb::kAlignLeft, 5, 2, 3, 13},
      // The label starts at 2.6 cm: centred on its middle, right-aligned
      // 0.4 cm inside its right edge, wherever the column stands.
      {"\"Ref. \" + NUMETI", 8, true, lb::kAlignCenter, 5, 2, 2.6 + 2.5, 9},
      {"NUMETI", 12, true, lb::kAlignRight, 5, 2, 2.6 + 5 - 0.4, 4},
      {"NOMETI", 0, false, lb::kAlignLeft, 5, 2, 0, 13},  // size 0: the row does not move
  };
  for (const Case& c : cases) {
    const pr::RowCol next =
        lb::LABELTXT(*p, "CODPRO", 2, 3, c.sameLine, c.expr, "Arial", c.size, false, false, false, 0, c.align, 0,
                     false, c.labelWidth, 2.6);
    const double px = std::round(c.size * p->nLogPixelY() / 72.0);
    const pr::RowCol mm = p->Pix2Mmtr(px, px * 0.44 * double(c.chars));
    EXPECT_NEAR(next.row, c.row + (c.sameLine ? 0 : mm.row / 10), 1e-9) << c.expr;
    EXPECT_NEAR(next.col, c.sameLine ? c.col + mm.col / 10 + 0.2 : 0, 1e-9) << c.expr;
  }
  p->End();
}

TEST_F(LabelRun, PictureItemAdvancesByItsDrawnSize) {
  QImage bmp(60, 30, QImage::Format_RGB32);
  bmp.fill(Qt::black);
  const std::string file = data + "logo.bmp";
  ASSERT_TRUE(bmp.save(QString::fromStdString(file)));
  auto p = pr::TPRINTER::New("Imagen", false, true);
  p->StartPage();
  for (double scale : {0.0, 1.0, 2.0}) {
    const double s = scale == 0 ? 1 : scale;
    const pr::RowCol mm = p->Pix2Mmtr(30 * s, 60 * s);
    const pr::RowCol below = lb::LABELIMG(*p, "CODPRO", 2, 3, false, file, scale);
    EXPECT_NEAR(below.row, 2 + 0.1 + mm.row / 10, 1e-9);
    EXPECT_EQ(below.col, 0);
    const pr::RowCol right = lb::LABELIMG(*p, "CODPRO", 2, 3, true, file, scale);
    EXPECT_EQ(right.row, 2);
    EXPECT_NEAR(right.col, 3 + mm.col / 10 + 0.4, 1e-9);
  }
  p->EndPage();
  const QImage img = render(p->aMeta().back(), p->nHorzRes(), p->nVertRes());
  double r = 2.1, c = 3;
  p->Cmtr2Pix(r, c);
  EXPECT_EQ(prtest::inkBox(img, img.rect()), QRect(int(c), int(r), 120, 60));  // the largest, scale 2
  const pr::RowCol missing = lb::LABELIMG(*p, "CODPRO", 2, 3, false, data + "no-such.bmp", 1);
  EXPECT_NEAR(missing.row, 2.1, 1e-9);
  p->End();
}

// A whole sheet from the tables: every label carries the product's code,
// read back from the recorded page; the first label sits at the margins.
TEST_F(LabelRun, SheetOfLabelsDecodesOnEveryLabel) {
  if (prtest::run("command -v zbarimg").empty()) GTEST_SKIP() << "zbarimg not installed";
  makeProduct("590123412345", "7", "13");
  const std::vector<int64_t> headers = makeDesigns({
      {"B", "", 3, false, true, false, 0, "CLR_BLACK", false},
      {"T", "NOMETI", 0, false, true, false, 8, "", false},
      {"T", "\"Ref. \" + NUMETI", 0, false, false, false, 7, "CLR_PINK", false},
  });
  // Four rows stored, the last one left out: 3 x 3 labels.
  const lb::LabelRunValues v = makeFormat({15.15, 12.5, 38.1, 63.5, 0.3, 0.254, 4, 3, false});
  ASSERT_EQ(v.perSheet(), 9);
  const std::vector<pr::TMULTIPREVIEW*> opened = run(1, headers);
  ASSERT_EQ(opened.size(), 1u);
  ASSERT_EQ(opened[0]->aFiles().size(), 1u);
  EXPECT_EQ(opened[0]->oDevice()->cDocument(), "PRUEBA");
  EXPECT_EQ(pr::currentPrinter(), nullptr);
  EXPECT_TRUE(prompts.asked.empty());
  const QImage img = page(opened[0]);
  const pr::TPRINTER* device = opened[0]->oDevice();
  const auto pixels = [&](double row, double col) {
    device->Cmtr2Pix(row, col);
    return QPoint(int(col), int(row));
  };
  EXPECT_EQ(decodedOnEveryLabel(img, v, *device, "EAN-13:5901234123457"), 9);
  // The first label's guard bar: 0.4 cm + the left margin across, 0.3 cm +
  // the top margin + 0.1 cm down (read halfway down the bars, clear of the
  // digits).
  const QPoint bar = pixels(v.top + 0.1, v.left);
  const QPoint middle = pixels(v.top + 0.1 + 0.5, v.left);
  EXPECT_NEAR(prtest::inkBox(img, QRect(0, middle.y(), 600, 1)).left(), bar.x(), 1);
  EXPECT_NEAR(prtest::inkBox(img, QRect(bar.x() - 1, 0, 3, 600)).top(), bar.y(), 1);
  // The design table is left restricted to the design printed.
  xb::engine::WorkArea* eti = areas().find("DATOSETI");
  ASSERT_NE(eti, nullptr);
  EXPECT_EQ(eti->filterText(), "DATOSETI->NUMERO_ETI=nETIQUETA");
  int64_t rows = 0;
  for (eti->goTop(); !eti->eof(); eti->skip()) ++rows;
  EXPECT_EQ(rows, 4);
}

// The same layout on an image device, as a tool or a test draws a sheet:
// no printer job, no page file, no window. Every label's barcode reads back
// from the image, and from the PDF file the image device writes.
TEST_F(LabelRun, SheetDrawsOnTheImageDeviceWithoutAPrinter) {
  if (prtest::run("command -v zbarimg").empty()) GTEST_SKIP() << "zbarimg not installed";
  makeProduct("590123412345", "7", "13");
  const std::vector<int64_t> headers = makeDesigns({
      {"B", "", 3, false, true, false, 0, "CLR_BLACK", false},
      {"T", "NOMETI", 0, false, true, false, 8, "", false},
  });
  const lb::LabelRunValues v = makeFormat({15.15, 12.5, 38.1, 63.5, 0.3, 0.254, 4, 3, false});
  bc::ImageDevice a4(2480, 3508, 300);
  ASSERT_TRUE(lb::drawLabelSheet(a4, "CODPRO", lb::labelSheetRows(design, headers[0], "CODPRO"), v));
  EXPECT_EQ(pr::currentPrinter(), nullptr);
  EXPECT_TRUE(previews().empty());
  EXPECT_TRUE(QDir(dir.path()).entryList({"*.qpic"}, QDir::Files).isEmpty());
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_EQ(decodedOnEveryLabel(a4.toImage(), v, a4, "EAN-13:5901234123457"), 9);
  const std::string file = data + "hoja.pdf";
  ASSERT_TRUE(a4.save(file));
  const QImage fromPdf = prtest::rasterise(file, 1, 300, dir.path());
  // The page size in points rounds to within a pixel of the image's.
  ASSERT_NEAR(fromPdf.width(), 2480, 1);
  ASSERT_NEAR(fromPdf.height(), 3508, 1);
  EXPECT_EQ(decodedOnEveryLabel(fromPdf, v, a4, "EAN-13:5901234123457"), 9);
}

// The alignment of the last item that set one applies to the items after
// it within the label, and every label starts again at left: each label's
// first line starts at its left inset, the next three are centred on its
// middle, and the right-aligned last one ends 0.4 cm inside its right edge.
TEST_F(LabelRun, AlignmentCarriesOverToLaterItemsAndRestartsOnEveryLabel) {
  makeProduct("590123412345", "7", "13");
  const std::vector<int64_t> headers = makeDesigns({
      {"T", "\"IZQUIERDA\"", 0, false, false, false, 12},
      {"T", "NOMETI", 0, false, true, false, 12},
      {"T", "NUMETI", 0, false, false, false, 12},
      {"T", "\"MMMMMMMMMMMMMMMMMMMM\"", 0, false, false, false, 12},
      {"T", "\"DERECHA 1\"", 0, false, false, true, 12},
  });
  const lb::LabelRunValues v = makeFormat({20, 20, 40, 80, 0, 0.5, 1, 2, true});
  const std::vector<pr::TMULTIPREVIEW*> opened = run(1, headers);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(prompts.asked.empty());
  const QImage img = page(opened[0]);
  const pr::TPRINTER* device = opened[0]->oDevice();
  const double lineCm = std::round(12 * device->nLogPixelY() / 72.0) * 2.54 / device->nLogPixelY();
  const auto box = [&](int label, int line) {
    double top = v.top + line * lineCm, left = v.left - 0.4 + label * (v.labelWidth + v.columnGap);
    double bottom = top + lineCm, right = left + v.labelWidth;
    device->Cmtr2Pix(top, left);
    device->Cmtr2Pix(bottom, right);
    // The line, clear of the tail of the Q above it: capitals only.
    const int eighth = int((bottom - top) / 8);
    return prtest::inkBox(img, QRect(QPoint(int(left), int(top) + eighth), QPoint(int(right), int(bottom) - 1)));
  };
  for (int label = 0; label < 2; ++label) {
    const double shift = label * (v.labelWidth + v.columnGap);
    double row = v.top, left = v.left + shift, centre = v.left - 0.4 + shift + v.labelWidth / 2;
    double end = v.left - 0.4 + shift + v.labelWidth - 0.4, r2 = row, r3 = row;
    device->Cmtr2Pix(row, left);
    device->Cmtr2Pix(r2, centre);
    device->Cmtr2Pix(r3, end);
    const QRect first = box(label, 0);
    ASSERT_FALSE(first.isNull()) << label;
    EXPECT_NEAR(first.left(), left, 6) << label;  // the side bearing of the "I"
    for (int line = 1; line < 4; ++line) {
      const QRect b = box(label, line);
      ASSERT_FALSE(b.isNull()) << label << "," << line;
      EXPECT_NEAR((b.left() + b.right() + 1) / 2.0, centre, 1.5) << label << "," << line;
    }
    const QRect last = box(label, 4);
    ASSERT_FALSE(last.isNull()) << label;
    EXPECT_NEAR(last.right() + 1, end, 1) << label;
  }
}

// A label whose last item continues the line moves the next label right by
// what that item advanced: the column step starts from the column cursor.
TEST_F(LabelRun, NextLabelStartsFromTheColumnTheLastItemLeft) {
  makeProduct("590123412345", "7", "13");
  const std::vector<int64_t> headers = makeDesigns({
      {"B", "", 3, true},
      {"T", "NUMETI", 0, true, false, false, 10, "", true},
  });
  const lb::LabelRunValues v = makeFormat({20, 20, 40, 80, 0, 0.5, 1, 2, true});
  const std::vector<pr::TMULTIPREVIEW*> opened = run(1, headers);
  ASSERT_EQ(opened.size(), 1u);
  const QImage img = page(opened[0]);
  const pr::TPRINTER* device = opened[0]->oDevice();
  const double px = std::round(10 * device->nLogPixelY() / 72.0);
  const double textCm = device->Pix2Mmtr(px, px * 0.44 * 4).col / 10;  // "R-17"
  double middle = v.top + 0.1 + 0.75, second = v.left + textCm + 0.2 + v.labelWidth + v.columnGap;
  device->Cmtr2Pix(middle, second);
  const QRect ink = prtest::inkBox(img, QRect(int(second) - 200, int(middle), 400, 1));
  EXPECT_NEAR(ink.left(), second, 1);
}

TEST_F(LabelRun, TextTurnsByItsAngleInTenthsOfADegree) {
  makeProduct("590123412345", "7", "13");
  auto p = pr::TPRINTER::New("Angulo", false, true);
  struct Case {
    double angle;
    bool upright;  // taller than wide
  } cases[] = {{0, false}, {900, true}, {1800, false}, {450, false}};
  for (const Case& c : cases) {
    p->StartPage();
    lb::LABELTXT(*p, "CODPRO", 10, 10, false, "NOMETI", "Arial", 14, false, false, false, 0, lb::kAlignLeft,
                 c.angle);
    p->EndPage();
    const QImage img = render(p->aMeta().back(), p->nHorzRes(), p->nVertRes());
    const QRect ink = prtest::inkBox(img, img.rect());
    ASSERT_FALSE(ink.isNull()) << c.angle;
    EXPECT_EQ(ink.height() > ink.width(), c.upright) << c.angle;
    double r = 10, col = 10;
    p->Cmtr2Pix(r, col);
    if (c.angle == 900) {
      // Counter-clockwise: the text rises from its reference point.
      EXPECT_LE(ink.bottom(), r + 2);
      EXPECT_GE(ink.left(), col - 2);
    }
    if (c.angle == 1800) {
      EXPECT_LE(ink.right(), col + 2);
    }
  }
  p->End();
}

// Design 2 is printed after design 1, whose filter the design table still
// has: it prints its own (empty) labels.
TEST_F(LabelRun, DesignWithOnlyItsHeaderPrintsOneBlankPage) {
  makeProduct("590123412345", "7", "13");
  const std::vector<int64_t> headers = makeDesigns({{"T", "NOMETI", 0, false, false, false, 10}});
  makeFormat({10, 10, 30, 60, 0, 0, 2, 2, true});
  const std::vector<pr::TMULTIPREVIEW*> before = run(1, headers);
  ASSERT_EQ(before.size(), 1u);
  const QImage text = page(before[0]);
  EXPECT_FALSE(prtest::inkBox(text, text.rect()).isNull());
  const std::vector<pr::TMULTIPREVIEW*> opened = run(2, headers);
  ASSERT_EQ(opened.size(), 1u);
  ASSERT_EQ(opened[0]->aFiles().size(), 1u);
  EXPECT_EQ(opened[0]->oDevice()->cDocument(), "SOLO CABECERA");
  const QImage img = page(opened[0]);
  ASSERT_FALSE(img.isNull());
  EXPECT_TRUE(prtest::inkBox(img, img.rect()).isNull());
}

TEST_F(LabelRun, TheFormatsSheetIsThePaperOfItsRunAlone) {
  makeProduct("590123412345", "7", "13");
  const std::vector<int64_t> headers = makeDesigns({{"T", "NOMETI", 0, false, false, false, 10}});
  makeFormat({10, 10, 30, 60, 0, 0, 2, 2, true});
  const QSizeF setupPaper = pr::printerSetup().pageLayout().fullRect(QPageLayout::Millimeter).size();
  const struct {
    const char* hoja;
    QSizeF mm;  // empty: the set-up's paper
  } cases[] = {
      {"A4", {}}, {"", {}}, {"LETTER", {215.9, 279.4}}, {" letter ", {215.9, 279.4}}, {"A5", {148, 210}},
      {"100x150", {100, 150}}, {"62X29", {62, 29}}, {"B5", {}}, {"0x10", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hoja);
    format.FieldPut("HOJA", Value(std::string(c.hoja)));
    const std::vector<pr::TMULTIPREVIEW*> opened = run(1, headers);
    ASSERT_EQ(opened.size(), 1u);
    const std::array<double, 2> paper = opened[0]->oDevice()->GetPhySize();
    const QSizeF want = c.mm.isEmpty() ? setupPaper : c.mm;
    EXPECT_NEAR(paper[0], want.width(), 0.5);
    EXPECT_NEAR(paper[1], want.height(), 0.5);
    // The set-up keeps its own paper for the runs after.
    EXPECT_EQ(pr::printerSetup().pageLayout().fullRect(QPageLayout::Millimeter).size(), setupPaper);
    opened[0]->close();
  }
}

TEST_F(LabelRun, ItemOfUnknownKindStopsTheRunWithoutAPage) {
  makeProduct("590123412345", "7", "13");
  struct Case {
    Item item;
    const char* kind;
    const char* field;
  } cases[] = {
      {{"X", "NOMETI", 0}, "X", "0"},
      {{"B", "", 0}, "B", "0"},
      {{"B", "", -2}, "B", "-2"},
      {{" ", "", 4}, " ", "4"},
  };
  for (const Case& c : cases) {
    if (areas().select("DATOSETI")) areas().close();
    QFile::remove(QString::fromStdString(data + "CodEti.cdx"));
    const std::vector<int64_t> headers = makeDesigns({{"B", "", 3}, c.item, {"T", "NOMETI"}});
    makeFormat({10, 10, 30, 60, 0, 0, 2, 2, true});
    prompts.asked.clear();
    EXPECT_TRUE(run(1, headers).empty());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "ERROR EN CAMPO TIPO_B_T_I");
    EXPECT_EQ(prompts.asked[0].text,
              std::string("EL CAMPO DE TIPO DE OBJETO SOLO PUEDE CONTENER (B)arras (T)exto (I)magen\r\nEL DATO (") +
                  c.kind + ") ES INCORRECTO\r\nO EL CAMPO INDICADO Nº " + c.field + " NO TIENE BARRAS A IMPRIMIR");
    // No job is left behind, no page file either, and the tables stay open.
    EXPECT_EQ(pr::currentPrinter(), nullptr);
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.qpic"}, QDir::Files).isEmpty());
    EXPECT_NE(areas().find("CODPRO"), nullptr);
    EXPECT_NE(areas().find("DATOSETI"), nullptr);
  }
}

TEST_F(LabelRun, SheetWithoutLabelsReportsThePageThatWasNeverBegun) {
  makeProduct("590123412345", "7", "13");
  const std::vector<int64_t> headers = makeDesigns({{"B", "", 3}});
  makeFormat({10, 10, 30, 60, 0, 0, 3, 0, true});
  EXPECT_TRUE(run(1, headers).empty());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].title, "Printer object Error");
  EXPECT_EQ(prompts.asked[0].text, "The temporal metafile could not be created");
  EXPECT_EQ(pr::currentPrinter(), nullptr);
}

// A text too long for its label: the fit check names it with the excess
// of its ink (as drawn without a clip on an image of the printer's
// resolution) and asks; No prints nothing, Yes prints the label clipped to
// its rectangle.
TEST_F(LabelRun, FitCheckNamesTheExcessAndTheSheetIsClippedToItsLabels) {
  makeProduct("590123412345", "7", "13");
  const std::vector<int64_t> headers = makeDesigns({{"T", "\"MMMMMMMMMMMM\"", 0, true, false, false, 14}});
  const lb::LabelRunValues v = makeFormat({20, 20, 30, 30, 0, 0.5, 1, 2, true});
  prompts.yesNoAnswers = {false};
  EXPECT_TRUE(run(1, headers).empty());
  EXPECT_EQ(pr::currentPrinter(), nullptr);
  EXPECT_TRUE(QDir(dir.path()).entryList({"*.qpic"}, QDir::Files).isEmpty());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].kind, "noyes");
  const std::string& text = prompts.asked[0].text;
  const std::string head = "El elemento 1 (texto \"MMMMMMMMMMMM\") sobresale ";
  const std::string tail = " mm por la derecha de la etiqueta. ¿ Desea imprimir de todos modos ?";
  ASSERT_EQ(text.substr(0, head.size()), head) << text;
  ASSERT_GT(text.size(), head.size() + tail.size());
  ASSERT_EQ(text.substr(text.size() - tail.size()), tail) << text;
  std::string amount = text.substr(head.size(), text.size() - head.size() - tail.size());
  amount[amount.find(',')] = '.';
  // The same text drawn unclipped: where its ink ends past the label.
  bc::ImageDevice free(3000, 1000, 300);
  lb::LABELTXT(free, "CODPRO", 1, 2.4, false, "\"MMMMMMMMMMMM\"", "Arial", 14);
  const QImage drawn = free.toImage();
  const double beyond = (prtest::inkBox(drawn, drawn.rect()).right() + 1) * 25.4 / 300 - 50;
  EXPECT_NEAR(std::stod(amount), beyond, 0.15);

  prompts.asked.clear();
  prompts.yesNoAnswers = {true};
  const std::vector<pr::TMULTIPREVIEW*> opened = run(1, headers);
  ASSERT_EQ(opened.size(), 1u);
  const QImage img = page(opened[0]);
  const pr::TPRINTER* device = opened[0]->oDevice();
  double top = v.top - 0.3, right = v.left - 0.4 + v.labelWidth, bottom = top + v.labelHeight, gap = right + 0.5;
  device->Cmtr2Pix(top, right);
  device->Cmtr2Pix(bottom, gap);
  // Ink up to the label's right edge (but for a gap between two letters),
  // none in the gap to the next label.
  EXPECT_GE(prtest::inkBox(img, QRect(QPoint(0, int(top)), QPoint(int(right) - 1, int(bottom)))).right(),
            right - 1 - 0.05 * 14 * 300 / 72);
  EXPECT_TRUE(prtest::inkBox(img, QRect(QPoint(int(right) + 1, int(top)), QPoint(int(gap) - 1, int(bottom)))).isNull());
}

}  // namespace
