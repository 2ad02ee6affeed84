// Every shipped label design printed on each shipped format it is meant
// for, as a user prints it: chosen in the generator, run into the preview,
// its page printed to a PDF printer and rasterised by pdftoppm at the
// printer's resolution. On every sheet: no fit-check question, every label
// decodes with zbarimg to the product's code, no dark pixel lies outside
// the label rectangles, right-aligned texts end 0.4 cm inside their label's
// right edge and centred barcodes have their bars' middle on the label's
// middle, each within one printer dot.
//
// The resolutions are those of QV_SHEET_DPIS (blank-separated, default
// "300"); scripts/label-sweep runs 203, 300, 600 and 1200. QV_SHEET_KEEP
// names a folder that keeps the rasterised pages.
#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "data/tdatabase.h"
#include "labels/genlabel.h"
#include "labels/label_fit.h"
#include "labels/label_run.h"
#include "print/preview.h"
#include "print/preview_printing.h"
#include "print/printer.h"
#include "print/printer_setup.h"
#include "tests/labels/label_tables_fixture.h"
#include "tests/print/print_test_support.h"
#include "tests/ui/main_resources_env.h"
#include "tests/ui/qt_app.h"
#include "ui/control_id.h"
#include "xbase/memvar.h"

namespace {

const std::string kSymbol = "EAN-13:5901234123457";

// Which design is meant for which format (the shipped designs' notes).
struct Meant {
  int design;
  std::vector<const char*> formats;
};
const std::vector<const char*> kAll = {"A4 21 ETIQ. 63,5X38,1 MM", "A4 14 ETIQ. 99,1X38,1 MM", "A4 24 ETIQ. 63,5X33,9 MM",
                                       "A4 24 ETIQ. 70X37 MM",     "A4 16 ETIQ. 105X37 MM",    "A4 10 ETIQ. 99,1X57 MM",
                                       "A4 8 ETIQ. 99,1X67,7 MM"};
std::vector<Meant> meant() {
  std::vector<const char*> small = kAll;
  small.push_back("A4 65 ETIQ. 38,1X21,2 MM");
  return {
      {1, {"A4 21 ETIQ. 63,5X38,1 MM", "A4 24 ETIQ. 63,5X33,9 MM", "A4 24 ETIQ. 70X37 MM"}},
      {2, kAll},
      {3, {"A4 14 ETIQ. 99,1X38,1 MM", "A4 16 ETIQ. 105X37 MM", "A4 10 ETIQ. 99,1X57 MM", "A4 8 ETIQ. 99,1X67,7 MM"}},
      {4, kAll},
      {5, small},
  };
}

std::vector<int> sheetDpis() {
  std::vector<int> out;
  std::istringstream in(qEnvironmentVariable("QV_SHEET_DPIS", "300").toStdString());
  for (int dpi; in >> dpi;) out.push_back(dpi);
  return out;
}

// Pixels of a rasterised page from centimetres of paper.
struct Paper {
  int dpi;
  double px(double cm) const { return cm / 2.54 * dpi; }
  QRect rect(const lb::LabelBox& b) const {
    return QRect(QPoint(int(std::lround(px(b.left))), int(std::lround(px(b.top)))),
                 QPoint(int(std::lround(px(b.right))) - 1, int(std::lround(px(b.bottom))) - 1));
  }
};

// Darker than this is ink: the grey of CLR_GRAY (128) included.
constexpr int kInk = 200;

// The leftmost and rightmost dark columns of a band (-1 when blank).
std::pair<int, int> darkSpan(const QImage& page, const QRect& band) {
  const QRect ink = prtest::inkBox(page, band, kInk);
  return ink.isNull() ? std::pair{-1, -1} : std::pair{ink.left(), ink.right()};
}

class ShippedSheets : public prtest::LabelTables {
 protected:
  void SetUp() override {
    LabelTables::SetUp();
    // A page at 1200 dpi is larger than the image reader takes by default.
    QImageReader::setAllocationLimit(0);
    addProduct("590123412345", "7", "TORNILLO INOX. M6X30 DIN 933", "R-17");
    xb::PUBLICA("cBusqueda", xb::Value("590123412345" + std::string(13, ' ') + "7"));
    areas().select("CodPro2");
    scratch_ = QString::fromStdString((dir_ / "hojas").string());
    QDir().mkpath(scratch_);
  }
  void TearDown() override {
    screen_.reset();
    pr::resetPrinterSetup();
    LabelTables::TearDown();
  }

  // The printer set-up a PDF printer of the whole A4 page at `dpi`.
  static void usePrinter(int dpi) {
    pr::resetPrinterSetup();
    QPrinter& s = pr::printerSetup();
    s.setOutputFormat(QPrinter::PdfFormat);
    s.setResolution(dpi);
    s.setPageSize(QPageSize(QPageSize::A4));
    s.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  }

  template <typename T>
  T* ctl(int id) {
    return qobject_cast<T*>(ui::controlById(screen_->dialog(), id));
  }

  // Chooses the design and format in the generator and presses print; the
  // page of the preview it opens, printed to a PDF and rasterised.
  QImage printSheet(int design, const std::string& format, int dpi) {
    ctl<QListWidget>(102)->setCurrentRow(design - 1);
    const auto& names = screen_->formatNames();
    const auto at = std::find(names.begin(), names.end(), prtest::formatName(format));
    EXPECT_NE(at, names.end()) << format;
    ctl<QListWidget>(103)->setCurrentRow(int(at - names.begin()));
    prompts.asked.clear();
    ctl<QPushButton>(1)->click();
    EXPECT_TRUE(prompts.asked.empty()) << (prompts.asked.empty() ? "" : prompts.asked[0].text);
    pr::TMULTIPREVIEW* preview = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<pr::TMULTIPREVIEW*>(w); p && p->isVisible()) preview = p;
    if (!preview) return {};
    const std::string pdf = (scratch_ + "/hoja.pdf").toStdString();
    std::unique_ptr<QPrinter> out = pr::clonePrinter(pr::printerSetup());
    out->setOutputFileName(QString::fromStdString(pdf));
    EXPECT_EQ(pr::printPageFiles(*out, preview->aFiles(), {1}, "hoja"), 1);
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QImage page = prtest::rasterise(pdf, 1, dpi, scratch_).convertToFormat(QImage::Format_Grayscale8);
    const QString keep = qEnvironmentVariable("QV_SHEET_KEEP");
    if (!keep.isEmpty())
      page.save(QStringLiteral("%1/diseno%2-%3-%4dpi.png").arg(keep).arg(design).arg(QString::fromStdString(format).left(5).simplified()).arg(dpi));
    return page;
  }

  // Each label cut out with a white margin; zbarimg reads all in one run.
  std::vector<std::vector<std::string>> decodeLabels(const QImage& page, const std::vector<QRect>& labels) {
    std::string files;
    for (size_t i = 0; i < labels.size(); ++i) {
      QImage padded(labels[i].width() + 100, labels[i].height() + 100, QImage::Format_Grayscale8);
      padded.fill(Qt::white);
      QPainter(&padded).drawImage(50, 50, page.copy(labels[i]));
      const QString file = QStringLiteral("%1/etiqueta%2.png").arg(scratch_).arg(i);
      padded.save(file);
      files += " " + prtest::quoted(file.toStdString());
    }
    const std::string xml = prtest::run("zbarimg --xml -q" + files + " 2>/dev/null");
    std::vector<std::vector<std::string>> found(labels.size());
    size_t source = std::string::npos;
    for (size_t at = 0; (at = xml.find('<', at)) != std::string::npos; ++at) {
      if (xml.compare(at, 12, "<source href") == 0) {
        const size_t q = xml.find("etiqueta", at) + 8;
        source = std::stoul(xml.substr(q, xml.find('.', q) - q));
      } else if (xml.compare(at, 13, "<symbol type=") == 0 && source < found.size()) {
        const std::string type = xml.substr(at + 14, xml.find('\'', at + 14) - at - 14);
        const size_t d = xml.find("CDATA[", at) + 6;
        found[source].push_back(type + ":" + xml.substr(d, xml.find("]]", d) - d));
      }
    }
    return found;
  }

  void checkSheet(int design, const std::string& format, int dpi) {
    SCOPED_TRACE("design " + std::to_string(design) + " on " + format + " at " + std::to_string(dpi) + " dpi");
    const QImage page = printSheet(design, format, dpi);
    ASSERT_FALSE(page.isNull());
    const lb::LabelRunValues run = lb::labelRunValues(screen_->format());
    const Paper paper{dpi};
    std::vector<QRect> labels;
    for (int64_t n = 1; n <= run.perSheet(); ++n) labels.push_back(paper.rect(lb::labelBox(run, n)));

    const std::vector<std::vector<std::string>> found = decodeLabels(page, labels);
    for (size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(found[i], std::vector<std::string>{kSymbol}) << "label " << i + 1;

    // No dark pixel outside the labels (their edges rounded to the dot).
    int outside = 0;
    for (int y = 0; y < page.height(); ++y) {
      const uchar* line = page.constScanLine(y);
      for (int x = 0; x < page.width(); ++x) {
        if (line[x] >= kInk) continue;
        bool in = false;
        for (const QRect& r : labels) in = in || r.adjusted(-1, -1, 1, 1).contains(x, y);
        outside += in ? 0 : 1;
      }
    }
    EXPECT_EQ(outside, 0);

    // The items as the layout places them, measured at this resolution.
    const auto geometry = pr::TPRINTER::New("medida");
    qv::TDATABASE oDesign("DATOSETI");
    const std::vector<lb::LabelRow> rows =
        lb::labelSheetRows(oDesign, screen_->designs().headers[size_t(design) - 1], screen_->productAlias());
    int rightTexts = 0, centredBars = 0;
    for (const lb::ItemInk& m : lb::measureLabelSheet(*geometry, screen_->productAlias(), rows, run)) {
      const lb::LabelRow& item = rows[m.item];
      const QRect label = paper.rect(m.box);
      const std::string kind = lb::textOf(lb::at(item, lb::kTipoBTI));
      if (kind == "T" && lb::flagOf(lb::at(item, lb::kDerecha))) {
        const QRect band(QPoint(label.left(), int(m.ink.top) - 1), QPoint(label.right(), int(m.ink.bottom) + 1));
        EXPECT_NEAR(darkSpan(page, band).second + 1, paper.px(m.box.right - 0.4), 1) << "label " << m.label;
        ++rightTexts;
      }
      if (kind == "B" && lb::labelPlace(lb::at(item, lb::kPosicion)) == lb::kPlaceCentre) {
        // The upper third of the bars, above any digit.
        const int top = int(std::ceil(m.ink.top)) + 1;
        const QRect band(QPoint(label.left(), top), QPoint(label.right(), top + int((m.ink.bottom - m.ink.top) / 3)));
        const auto [left, right] = darkSpan(page, band);
        EXPECT_NEAR((left + right + 1) / 2.0, paper.px((m.box.left + m.box.right) / 2), 1) << "label " << m.label;
        ++centredBars;
      }
    }
    // Design 4 has the right-aligned reference; every design centres its
    // barcode.
    EXPECT_EQ(rightTexts > 0, design == 4);
    EXPECT_EQ(centredBars, run.perSheet());
  }

  QString scratch_;
  std::unique_ptr<lb::GenLabelScreen> screen_;
};

TEST_F(ShippedSheets, EveryDesignOnTheFormatsItIsMeantFor) {
  if (prtest::run("command -v zbarimg").empty() || prtest::run("command -v pdftoppm").empty())
    GTEST_SKIP() << "zbarimg or pdftoppm not installed";
  for (int dpi : sheetDpis()) {
    usePrinter(dpi);
    screen_ = lb::openGenLabel("CodPro.dbf", lb::kGenLabelTitle);
    ASSERT_NE(screen_, nullptr);
    for (const Meant& m : meant())
      for (const char* format : m.formats) checkSheet(m.design, format, dpi);
    screen_.reset();
  }
}

}  // namespace
