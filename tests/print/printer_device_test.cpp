// The printer device on a PDF printer: what is drawn at centimetre positions
// lands there on the paper (read back from the PDF rasterised by pdftoppm),
// a barcode printed through it reads back with zbarimg, and the page files of
// preview mode are named, written and removed as they should be.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPicture>
#include <algorithm>
#include <cmath>
#include <set>

#include "barcode/draw.h"
#include "barcode/qt/image_device.h"
#include "print/preview.h"
#include "print/preview_printing.h"
#include "print/preview_job.h"
#include "print/printer.h"
#include "tests/print/print_test_support.h"

namespace {

using prtest::PrintFixture;

constexpr int kDpi = 300;

// Paper pixels at kDpi of a distance in centimetres.
int paperPx(double cm) { return int(std::lround(cm / 2.54 * kDpi)); }

class PrinterDevice : public PrintFixture {};

// The ink height, in millimetres, of the second group of digits of a
// default EAN-13 drawn with its corner at pixel (top, left) of a page at
// `dpi`: the rows below the data bars, across the columns of digits 8 to
// 13, where no guard bar reaches. Each row counts by its darkest pixel, so
// the rows the edges of the digits cross partly count in part.
double digitHeightMm(const QImage& page, int top, int left, int dpi) {
  const int w = int(std::lround(0.25 / 25.4 * dpi));
  const int below = top + int(std::lround(13.5 / 25.4 * dpi));
  double rows = 0;
  for (int y = below; y < below + 20 * w; ++y) {
    int darkest = 255;
    for (int x = left + 50 * w; x < left + 92 * w; ++x) darkest = std::min(darkest, qGray(page.pixel(x, y)));
    rows += (255 - darkest) / 255.0;
  }
  return rows * 25.4 / dpi;
}

// The human-readable digits are sized from the module, not the device:
// the same height in millimetres on images of four resolutions and through
// the printer device's PDF output.
TEST_F(PrinterDevice, EanDigitsMeasureTheSameAtEveryResolution) {
  std::vector<double> heights;
  for (int dpi : {203, 300, 600, 1200}) {
    const int side = int(std::lround(5.0 / 2.54 * dpi));
    bc::ImageDevice page(side, side, dpi);
    const int corner = int(std::lround(1.0 / 2.54 * dpi));
    bc::EAN13(corner, corner, "590123412345", page, 0, true, bc::kModuleCm, bc::kHeightCm, true);
    heights.push_back(digitHeightMm(page.toImage(), corner, corner, dpi));
  }
  usePdf(10, 1200);
  auto p = pr::PRINTBEGIN("Digitos");
  pr::PAGEBEGIN();
  double top = 2, left = 2;
  p->Cmtr2Pix(top, left);
  bc::EAN13(top, left, "590123412345", *p, 0, true, bc::kModuleCm, bc::kHeightCm, true);
  pr::PAGEEND();
  pr::PRINTEND();
  // The corner of the symbol on the paper: 2 cm from each edge.
  const int at = int(std::lround(2.0 / 2.54 * 1200)), span = int(std::lround(4.0 / 2.54 * 1200));
  const std::string base = (dir.path() + "/digitos").toStdString();
  prtest::run("pdftoppm -gray -r 1200 -singlefile -x " + std::to_string(at) + " -y " + std::to_string(at) +
              " -W " + std::to_string(span) + " -H " + std::to_string(span) + " " + prtest::quoted(pdf) + " " +
              prtest::quoted(base));
  const QImage crop(QString::fromStdString(base + ".pgm"));
  ASSERT_FALSE(crop.isNull());
  heights.push_back(digitHeightMm(crop, 0, 0, 1200));
  const auto [low, high] = std::minmax_element(heights.begin(), heights.end());
  for (double h : heights) {
    EXPECT_GE(h, 1.8);
    EXPECT_LE(h, 3.2);
  }
  EXPECT_LE(*high / *low, 1.05) << *low << " .. " << *high;
  // 2.75 / 0.33 modules of 0.25 mm.
  EXPECT_NEAR(heights.back(), 0.25 * 2.75 / 0.33, 0.1);
}

TEST_F(PrinterDevice, MetricsComeFromThePrinterAndItsMargins) {
  auto p = pr::TPRINTER::New("Prueba");
  ASSERT_NE(p->hDC(), nullptr);
  EXPECT_EQ(p->nLogPixelX(), kDpi);
  EXPECT_EQ(p->nLogPixelY(), kDpi);
  EXPECT_NEAR(p->nHorzSize(), 210 - 20, 0.2);  // A4 less 10 mm each side
  EXPECT_NEAR(p->nVertSize(), 297 - 20, 0.2);
  EXPECT_NEAR(p->nXOffset(), paperPx(1), 1);
  EXPECT_NEAR(p->nYOffset(), paperPx(1), 1);
  EXPECT_EQ(p->GetModel(), "PDF");
  EXPECT_EQ(p->cModel(), "PDF,Qt PDF," + pdf);
  const auto phys = p->GetPhySize();
  EXPECT_NEAR(phys[0], 210, 0.5);
  EXPECT_NEAR(phys[1], 297, 0.5);
  EXPECT_EQ(p->nOrient(), 1);
  EXPECT_EQ(p->cDocument(), "Prueba");
  EXPECT_EQ(pr::TPRINTER::New()->cDocument(), "Documento");
}

TEST_F(PrinterDevice, PaperCornerInTheMarginConvertsToZero) {
  auto p = pr::TPRINTER::New("Prueba");
  double row = 0, col = 0;
  p->Cmtr2Pix(row, col);
  EXPECT_EQ(row, 0);
  EXPECT_EQ(col, 0);
  double r2 = 0, c2 = 0;
  p->Inch2Pix(r2, c2);
  EXPECT_EQ(r2, 0);
  EXPECT_EQ(c2, 0);
  const auto rect = p->CmRect2Pix({0, 0, 2, 3});
  EXPECT_EQ(rect[0], 0);
  EXPECT_EQ(rect[1], 0);
  EXPECT_NEAR(rect[2], paperPx(2) - paperPx(1), 1.5);
  EXPECT_NEAR(rect[3], paperPx(3) - paperPx(1), 1.5);
}

TEST_F(PrinterDevice, BoxesAndFillsLandWhereCmtr2PixSays) {
  struct Spot {
    double row, col;  // centimetres from the paper's edge
    bool box;
  };
  const Spot spots[] = {{2, 3, false}, {5.5, 12, false}, {20, 4.25, true}, {25, 15, true}};
  auto p = pr::PRINTBEGIN("Cajas");
  ASSERT_EQ(pr::currentPrinter(), p.get());
  pr::PAGEBEGIN();
  ASSERT_NE(p->hDCOut(), nullptr);
  const QPen pen(Qt::black, 6);
  for (const Spot& s : spots) {
    double r = s.row, c = s.col;
    p->Cmtr2Pix(r, c);
    if (s.box) {
      p->Box(r, c, r + paperPx(1), c + paperPx(1), &pen);
    } else {
      prtest::asDevice(*p).FillRect(int(r), int(c), int(r) + paperPx(0.5), int(c) + paperPx(0.5), bc::rgb(0, 0, 0));
    }
  }
  pr::PAGEEND();
  pr::PRINTEND();
  EXPECT_EQ(pr::currentPrinter(), nullptr);
  ASSERT_EQ(prtest::pdfPages(pdf), 1);
  const QImage page = prtest::rasterise(pdf, 1, kDpi, dir.path());
  ASSERT_FALSE(page.isNull());
  for (const Spot& s : spots) {
    const QPoint at(paperPx(s.col), paperPx(s.row));
    const QRect ink = prtest::inkBox(page, QRect(at - QPoint(30, 30), QSize(paperPx(1) + 60, paperPx(1) + 60)));
    ASSERT_FALSE(ink.isNull()) << s.row << "," << s.col;
    EXPECT_NEAR(ink.left(), at.x(), 2) << s.row << "," << s.col;
    EXPECT_NEAR(ink.top(), at.y(), 2) << s.row << "," << s.col;
    const int side = s.box ? paperPx(1) : paperPx(0.5);
    EXPECT_NEAR(ink.width(), side, 3);
    EXPECT_NEAR(ink.height(), side, 3);
  }
}

TEST_F(PrinterDevice, TextsStartAtTheirPositionAndAlign) {
  auto p = pr::PRINTBEGIN("Textos");
  pr::PAGEBEGIN();
  QFont f("Liberation Sans");
  f.setPixelSize(60);
  p->CmSay(4, 3, "HHHH", &f);
  const double width = p->GetTextWidth("HHHH", f);
  p->CmSay(8, 15, "HHHH", &f, 0, bc::rgb(0, 0, 0), 1, 1);  // right-aligned: ends at 15 cm
  p->CmSay(12, 10, "HHHH", &f, 0, std::nullopt, 1, 2);     // centred on 10 cm
  bc::FontSpec spec;
  spec.face = "arial";
  spec.heightPx = 70;
  double r = 16, c = 3;
  p->Cmtr2Pix(r, c);
  prtest::asDevice(*p).Say(int(r), int(c), "HHHH", spec, bc::rgb(0, 0, 0));
  pr::PAGEEND();
  pr::PRINTEND();
  const QImage page = prtest::rasterise(pdf, 1, kDpi, dir.path());
  ASSERT_FALSE(page.isNull());
  auto inkNear = [&](double rowCm) {
    return prtest::inkBox(page, QRect(0, paperPx(rowCm) - 10, page.width(), 100));
  };
  struct Case {
    double row;
    double left, right;  // expected ink columns (paper pixels), −1 to skip
  };
  const Case cases[] = {
      {4, double(paperPx(3)), -1},
      {8, -1, double(paperPx(15))},
      {12, paperPx(10) - width / 2, paperPx(10) + width / 2},
      {16, double(paperPx(3)), -1},
  };
  for (const Case& k : cases) {
    const QRect ink = inkNear(k.row);
    ASSERT_FALSE(ink.isNull()) << k.row;
    EXPECT_GE(ink.top(), paperPx(k.row) - 1) << k.row;  // the cell's top is the row
    EXPECT_LE(ink.top(), paperPx(k.row) + 30) << k.row;
    if (k.left >= 0) {
      EXPECT_NEAR(ink.left(), k.left, 8) << k.row;
    }
    if (k.right >= 0) {
      EXPECT_NEAR(ink.right(), k.right, 8) << k.row;
    }
  }
}

TEST_F(PrinterDevice, EanSymbolPrintedThroughTheDeviceDecodes) {
  if (prtest::run("command -v zbarimg").empty()) GTEST_SKIP() << "zbarimg not installed";
  auto p = pr::PRINTBEGIN("Simbolo");
  pr::PAGEBEGIN();
  bc::C_EAN13(3, 3, "590123412345", *p, bc::rgb(0, 0, 0), true, 0.033, 2.0);
  bc::C_CODE128(8, 3, "QUORVALENT-42", *p, {}, bc::rgb(0, 0, 0), true, 0.03, 1.5);
  pr::PAGEEND();
  pr::PRINTEND();
  const QImage page = prtest::rasterise(pdf, 1, kDpi, dir.path());
  ASSERT_FALSE(page.isNull());
  // The symbol's first bar starts where Cmtr2Pix puts 3 cm, 3 cm.
  const QRect ean = prtest::inkBox(page, QRect(paperPx(3) - 30, paperPx(3) - 30, 400, 300));
  EXPECT_NEAR(ean.left(), paperPx(3), 2);
  EXPECT_NEAR(ean.top(), paperPx(3), 2);
  EXPECT_NEAR(ean.height(), paperPx(2), 2);  // guards at the full 2 cm
  const QString png = dir.path() + "/page.png";
  ASSERT_TRUE(page.save(png));
  const std::string out = prtest::run("zbarimg -q " + prtest::quoted(png.toStdString()) + " 2>/dev/null");
  EXPECT_NE(out.find("EAN-13:5901234123457"), std::string::npos) << out;
  EXPECT_NE(out.find("CODE-128:QUORVALENT-42"), std::string::npos) << out;
}

TEST_F(PrinterDevice, DirectJobOfSeveralPagesAndNoOutputWhenThePdfNameIsRefused) {
  auto p = pr::PRINTBEGIN("Paginas");
  for (int i = 0; i < 3; ++i) {
    pr::PAGEBEGIN();
    p->CmSay(2, 2, "Pagina " + std::to_string(i + 1));
    pr::PAGEEND();
  }
  EXPECT_TRUE(p->lStarted());
  EXPECT_EQ(p->nPage(), 3);
  pr::PRINTEND();
  EXPECT_EQ(prtest::pdfPages(pdf), 3);

  // No file name switches a printer to the system's printing: the set-up
  // stays a PDF printer without a file, whatever printers the system has.
  pr::printerSetup().setOutputFileName(QString());
  pr::printerSetup().setOutputFormat(QPrinter::PdfFormat);
  dialogs.pdfAnswer.reset();
  auto q = pr::PRINTBEGIN("Sin archivo");
  pr::PAGEBEGIN();
  q->CmSay(2, 2, "nada");
  pr::PAGEEND();
  pr::PAGEBEGIN();
  pr::PAGEEND();
  EXPECT_EQ(dialogs.asked, std::vector<std::string>{"pdf"});  // asked once for the job
  EXPECT_FALSE(q->lStarted());
  pr::PRINTEND();
}

TEST_F(PrinterDevice, FailingPrintDialogReportsNoPrinterAndDrawsNothing) {
  dialogs.printerAnswer = pr::DialogOutcome::Failed;
  auto p = pr::PRINTBEGIN("Sin impresora", true);
  EXPECT_EQ(p->hDC(), nullptr);
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].text,
            "There are not installed printers!\nPlease exit this application and install a printer");
  pr::PAGEBEGIN();
  p->CmSay(1, 1, "x");
  prtest::asDevice(*p).FillRect(0, 0, 10, 10, 0);
  pr::PAGEEND();
  EXPECT_EQ(p->nPage(), 0);
  EXPECT_EQ(p->nXOffset(), 0);
  pr::PRINTEND();
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(pdf)));

  prompts.asked.clear();
  dialogs.printerAnswer = pr::DialogOutcome::Cancelled;
  auto q = pr::PRINTBEGIN("Cancelado", true);
  EXPECT_EQ(q->hDC(), nullptr);
  EXPECT_TRUE(prompts.asked.empty());  // a cancelled dialog is no error
  pr::PRINTEND();
}

TEST_F(PrinterDevice, PrinterChosenByAnUnknownModelBeepsAndAsks) {
  dialogs.printerAnswer = pr::DialogOutcome::Cancelled;
  auto p = pr::PRINTBEGIN("Modelo", false, false, std::string("no-such-printer-anywhere"));
  EXPECT_EQ(dialogs.asked, std::vector<std::string>{"printer"});
  ASSERT_FALSE(prompts.asked.empty());
  EXPECT_EQ(prompts.asked[0].kind, "beep");
  pr::PRINTEND();
  EXPECT_EQ(pr::choosePrinterIndex({"Oficina", "Almacen HP"}, std::string("hp")), 2);
  EXPECT_EQ(pr::choosePrinterIndex({"Oficina", "Almacen HP"}, 1), 1);
  EXPECT_EQ(pr::choosePrinterIndex({"Oficina", "Almacen HP"}, 3), 0);
  EXPECT_EQ(pr::choosePrinterIndex({"Oficina", "Almacen HP"}, -1), 0);
}

TEST_F(PrinterDevice, ImportedPagesBitmapsAndCharacterCells) {
  // A recorded page kept aside: a box at (100, 100)…(200, 300) of its own pixels.
  const QString kept = dir.path() + "/kept.qpic";
  {
    auto rec = pr::TPRINTER::New("Origen", false, true);
    rec->StartPage();
    prtest::asDevice(*rec).FillRect(100, 100, 200, 300, 0);
    rec->EndPage();
    ASSERT_TRUE(QFile::copy(QString::fromStdString(rec->aMeta().front()), kept));
    rec->End();
  }
  QImage square(30, 30, QImage::Format_RGB32);
  square.fill(Qt::black);
  const QString png = dir.path() + "/cuadro.png";
  ASSERT_TRUE(square.save(png));

  auto p = pr::PRINTBEGIN("Importar");
  pr::PAGEBEGIN();
  p->ImportWMF(kept.toStdString());  // placeable: measured from the paper's edge
  p->ImportWMF((dir.path() + "/no-such.qpic").toStdString());
  double r = 10, c = 10;
  p->Cmtr2Pix(r, c);
  p->SayBitmap(r, c, png.toStdString(), 60, 60);
  p->SayBitmap(r, c + 200, std::string("no-such-bitmap"));
  EXPECT_GT(p->CharWidth(), 70);  // Courier 12 points: a tenth of an inch each
  EXPECT_LT(p->CharWidth(), 80);
  EXPECT_GT(p->CharHeight(), 50);
  EXPECT_LT(p->CharHeight(), 70);
  p->CharSay(30, 1, "X");
  pr::PAGEEND();
  pr::PRINTEND();
  const QImage page = prtest::rasterise(pdf, 1, kDpi, dir.path());
  ASSERT_FALSE(page.isNull());
  auto expectNear = [](const QRect& got, const QRect& want) {
    EXPECT_NEAR(got.left(), want.left(), 1) << "left";
    EXPECT_NEAR(got.top(), want.top(), 1) << "top";
    EXPECT_NEAR(got.width(), want.width(), 2) << "width";
    EXPECT_NEAR(got.height(), want.height(), 2) << "height";
  };
  expectNear(prtest::inkBox(page, QRect(0, 0, 600, 600)), QRect(100, 100, 200, 100));
  expectNear(prtest::inkBox(page, QRect(paperPx(10) - 20, paperPx(10) - 20, 400, 120)),
             QRect(paperPx(10), paperPx(10), 60, 60));
  // Row 30 of 12-point lines: 29 lines of about 55 pixels below the margin.
  EXPECT_FALSE(prtest::inkBox(page, QRect(0, paperPx(1) + 29 * 45, 300, 29 * 25 + 80)).isNull());
}

class PageFiles : public PrintFixture {};

TEST_F(PageFiles, PagesBegunInTheSameMillisecondGetDifferentFiles) {
  auto p = pr::TPRINTER::New("Rapido", false, true);
  ASSERT_EQ(p->cDir(), dir.path().toStdString());
  for (int i = 0; i < 5; ++i) {
    p->StartPage();
    prtest::asDevice(*p).FillRect(10, 10, 20, 20, 0);
    p->EndPage();
  }
  ASSERT_EQ(p->aMeta().size(), 5u);
  std::set<std::string> names(p->aMeta().begin(), p->aMeta().end());
  EXPECT_EQ(names.size(), 5u);
  for (const std::string& f : p->aMeta()) {
    EXPECT_TRUE(QFileInfo(QString::fromStdString(f)).size() > 0) << f;
    EXPECT_EQ(QFileInfo(QString::fromStdString(f)).path(), dir.path());
    EXPECT_TRUE(f.ends_with(".qpic"));
  }
  // Names taken by files of other jobs are skipped.
  const std::string a = pr::CTMPNAME(dir.path().toStdString() + "/");
  const std::string b = pr::CTMPNAME(dir.path().toStdString() + "/");
  EXPECT_NE(a, b);
  EXPECT_TRUE(prompts.asked.empty());
  p->End();
  for (const std::string& f : p->aMeta()) EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f))) << f;
  EXPECT_EQ(p->hDC(), nullptr);
}

TEST_F(PageFiles, RecordedPageHasThePrinterGeometry) {
  auto p = pr::TPRINTER::New("Geometria", false, true);
  p->StartPage();
  double r = 3, c = 4;
  p->Cmtr2Pix(r, c);
  prtest::asDevice(*p).FillRect(int(r), int(c), int(r) + 50, int(c) + 80, 0);
  p->EndPage();
  QPicture pic;
  ASSERT_TRUE(pic.load(QString::fromStdString(p->aMeta().front())));
  EXPECT_EQ(pic.boundingRect(), QRect(0, 0, p->nHorzRes(), p->nVertRes()));
  QImage img(p->nHorzRes(), p->nVertRes(), QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter painter(&img);
    pr::playPage(painter, pic);
  }
  EXPECT_EQ(prtest::inkBox(img, img.rect()), QRect(int(c), int(r), 80, 50));
  p->End();
}

TEST_F(PageFiles, MappingModesApplyToThePageBeingDrawn) {
  auto p = pr::TPRINTER::New("Unidades", false, true);
  p->StartPage();
  p->SetLoMetricMode();  // 0.1 mm units
  prtest::asDevice(*p).FillRect(100, 100, 200, 300, 0);
  p->SetPixelMode();
  prtest::asDevice(*p).FillRect(1000, 1000, 1010, 1010, 0);
  p->EndPage();
  QPicture pic;
  ASSERT_TRUE(pic.load(QString::fromStdString(p->aMeta().front())));
  QImage img(p->nHorzRes(), p->nVertRes(), QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter painter(&img);
    pr::playPage(painter, pic);
  }
  const QRect metric = prtest::inkBox(img, QRect(0, 0, 500, 500));
  EXPECT_NEAR(metric.left(), 10 / 25.4 * kDpi, 1);  // 10 mm
  EXPECT_NEAR(metric.top(), 10 / 25.4 * kDpi, 1);
  EXPECT_NEAR(metric.width(), 20 / 25.4 * kDpi, 2);  // 20 mm
  EXPECT_EQ(prtest::inkBox(img, QRect(900, 900, 200, 200)), QRect(1000, 1000, 10, 10));
  p->End();
}

TEST_F(PageFiles, ASetupChangeOnAnOpenPageKeepsWhatWasRecorded) {
  auto p = pr::TPRINTER::New("Cambio", false, true);
  p->StartPage();
  prtest::asDevice(*p).FillRect(10, 10, 50, 50, 0);
  p->SetCopies(2);
  EXPECT_EQ(p->hDCOut(), nullptr);
  EXPECT_GT(QFileInfo(QString::fromStdString(p->aMeta().front())).size(), 0);
  p->EndPage();  // already closed: nothing more
  EXPECT_TRUE(prompts.asked.empty());
  p->End();
}

TEST_F(PageFiles, EndingAPageBeforeAnyWasBegunReportsIt) {
  auto p = pr::TPRINTER::New("Sin pagina", false, true);
  p->EndPage();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].title, "Printer object Error");
  EXPECT_EQ(prompts.asked[0].text, "The temporal metafile could not be created");
  p->StartPage();
  p->EndPage();
  p->EndPage();  // a second end of a closed page does nothing
  EXPECT_EQ(prompts.asked.size(), 1u);
  p->End();
}

TEST_F(PageFiles, FolderFromTempThenTmpWithoutADoubledSeparator) {
  qunsetenv("TEMP");
  qputenv("TMP", (dir.path() + "/").toLocal8Bit());
  EXPECT_EQ(pr::pageFileFolder(), dir.path().toStdString());
  auto p = pr::TPRINTER::New("Tmp", false, true);
  p->StartPage();
  p->EndPage();
  EXPECT_EQ(p->aMeta().front().find("//"), std::string::npos);
  EXPECT_EQ(QFileInfo(QString::fromStdString(p->aMeta().front())).path(), dir.path());
  p->End();
  qputenv("TMP", "/no/such/folder/anywhere");
  EXPECT_EQ(pr::pageFileFolder(), QDir::tempPath().toStdString());
  qunsetenv("TMP");
}

TEST_F(PageFiles, PrintEndWithoutPagesEndsTheDeviceWithoutAPreview) {
  const int before = pr::openPreviews();
  auto p = pr::PRINTBEGIN("Vacio", false, true);
  pr::PRINTEND();
  EXPECT_EQ(pr::openPreviews(), before);
  EXPECT_EQ(p->hDC(), nullptr);
}

TEST_F(PageFiles, SetupChangesRebuildTheDevice) {
  auto p = pr::TPRINTER::New("Cambios", false, true);
  const int portraitWidth = p->nHorzRes();
  p->SetLandscape();
  EXPECT_TRUE(p->lModified());
  EXPECT_EQ(p->GetOrientation(), 2);
  EXPECT_GT(p->nHorzRes(), p->nVertRes());
  EXPECT_NE(p->nHorzRes(), portraitWidth);
  p->SetCopies(3);
  EXPECT_EQ(p->GetCopies(), 3);
  p->SetPage(1);  // Letter
  EXPECT_EQ(pr::printerSetup().pageLayout().pageSize().id(), QPageSize::Letter);
  p->End();
  EXPECT_EQ(p->GetOrientation(), 1);  // the set-up is back to portrait
}

}  // namespace
