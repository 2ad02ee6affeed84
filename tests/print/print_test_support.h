// Helpers of the printing tests: a scratch folder, a PDF printer set-up, the
// page count of a PDF file (pdfinfo) and its pages rasterised to greyscale
// (pdftoppm), and reading back where the ink is.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <string>

#include "barcode/device.h"
#include "print/printer_dialogs.h"
#include "print/printer_setup.h"
#include "tests/print/scripted_printer_dialogs.h"
#include "tests/ui/qt_app.h"
#include "tests/xbase/scripted_prompter.h"

namespace prtest {

// Output of a shell command (quoted arguments are the caller's job).
inline std::string run(const std::string& cmd) {
  std::string out;
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  pclose(f);
  return out;
}

// A printer (or any device) as the drawing device that barcodes and label
// layouts draw on.
inline bc::DrawDevice& asDevice(bc::DrawDevice& d) { return d; }

inline std::string quoted(const std::string& s) { return "'" + s + "'"; }

// Pages of a PDF file by pdfinfo; -1 when it cannot be read.
inline int pdfPages(const std::string& pdf) {
  const std::string out = run("pdfinfo " + quoted(pdf) + " 2>/dev/null");
  const auto at = out.find("Pages:");
  if (at == std::string::npos) return -1;
  return std::stoi(out.substr(at + 6));
}

// Page `page` of a PDF rasterised in greyscale at `dpi`.
inline QImage rasterise(const std::string& pdf, int page, int dpi, const QString& folder) {
  const std::string base = (folder + "/page").toStdString();
  run("pdftoppm -gray -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " + std::to_string(page) +
      " -singlefile " + quoted(pdf) + " " + quoted(base));
  return QImage(QString::fromStdString(base + ".pgm"));
}

// The bounding box of the pixels darker than `threshold` inside `area`.
inline QRect inkBox(const QImage& img, const QRect& area, int threshold = 128) {
  int x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;
  const QRect r = area.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (qGray(img.pixel(x, y)) < threshold) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      }
  return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

// A fixture with a scratch folder, scripted prompts and dialogs, and the
// printer set-up made a PDF printer writing `pdf` with the given margins.
class PrintFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    guard = std::make_unique<xb::PrompterGuard>(prompts);
    dialogsGuard = std::make_unique<pr::PrinterDialogsGuard>(dialogs);
    pdf = (dir.path() + "/out.pdf").toStdString();
    savedTemp = qgetenv("TEMP");
    savedTmp = qgetenv("TMP");
    qputenv("TEMP", dir.path().toLocal8Bit());
    usePdf(10, 300);
  }
  void TearDown() override {
    pr::resetPrinterSetup();
    restore("TEMP", savedTemp);
    restore("TMP", savedTmp);
  }
  static void restore(const char* name, const QByteArray& value) {
    if (value.isNull()) {
      qunsetenv(name);
    } else {
      qputenv(name, value);
    }
  }
  void usePdf(double marginMm, int dpi) {
    pr::resetPrinterSetup();
    QPrinter& s = pr::printerSetup();
    s.setOutputFormat(QPrinter::PdfFormat);
    s.setOutputFileName(QString::fromStdString(pdf));
    s.setResolution(dpi);
    s.setPageSize(QPageSize(QPageSize::A4));
    s.setPageMargins(QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
  }

  QTemporaryDir dir;
  xb::ScriptedPrompter prompts;
  prtest::ScriptedPrinterDialogs dialogs;
  std::unique_ptr<xb::PrompterGuard> guard;
  std::unique_ptr<pr::PrinterDialogsGuard> dialogsGuard;
  std::string pdf;
  QByteArray savedTemp, savedTmp;
};

}  // namespace prtest
