// A printer chosen by name gets the job: on a print server of the test's own
// with one raw queue ("QvPrueba") whose jobs land in a file, a job for that
// printer reaches it, not the set-up's PDF file, from the printer device,
// from the preview's print dialog after the printer was chosen in the
// print dialog (the label generator's printer button), and from
// `qvlabel --printer`. Each job's barcode is read back with zbarimg.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <memory>
#include <string>

#include "barcode/symbology.h"
#include "print/preview.h"
#include "print/printer.h"
#include "print/preview_job.h"
#include "tests/print/print_test_support.h"
#include "tests/print/private_cups.h"
#include "tests/tools/subprocess.h"

namespace {

// Each process of this program has a server of its own (ctest runs every
// case in a process of its own); libcups reads its name once, so it is named
// before anything asks for printers.
const std::string kServerDir = "/tmp/qv_cups_" + std::to_string(::getpid());
const bool kServerNamed = [] { return ::setenv("CUPS_SERVER", (kServerDir + "/cups.sock").c_str(), 1) == 0; }();

constexpr const char* kQueue = "QvPrueba";
constexpr const char* kCode = "590123412345";

// What the system's print dialog does when the user picks a printer.
class ChoosesQueue : public prtest::ScriptedPrinterDialogs {
 public:
  pr::DialogOutcome choosePrinter(QPrinter& setup) override {
    ScriptedPrinterDialogs::choosePrinter(setup);
    setup.setOutputFileName(QString());
    setup.setPrinterName(QString::fromLatin1(kQueue));
    return pr::DialogOutcome::Accepted;
  }
};

class PrinterByName : public prtest::PrintFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kServerNamed);
    PrintFixture::SetUp();
    server = std::make_unique<prtest::PrivateCups>(kServerDir);
    ASSERT_TRUE(server->running()) << "the test's print server did not start";
    ASSERT_TRUE(server->addPrinter(kQueue));
  }
  void TearDown() override {
    server.reset();
    std::filesystem::remove_all(kServerDir);
    PrintFixture::TearDown();
  }

  // An EAN-13 symbol 2 cm from the paper's top-left corner.
  static void drawSymbol(pr::TPRINTER& p) {
    double top = 2, left = 2;
    p.Cmtr2Pix(top, left);
    bc::SymbolStyle style;
    style.moduleCm = 0.05;
    style.heightCm = 2;
    style.digits = true;
    bc::symbologyInfo(bc::Symbology::Ean13).draw(top, left, kCode, p, style);
  }

  // The symbols zbarimg reads on the first page of the job the queue got.
  std::string jobSymbols() {
    if (!server->waitForJob(kQueue)) return "(no job)";
    const QImage page = prtest::rasterise(server->jobFile(kQueue), 1, 300, dir.path());
    const QString png = dir.path() + "/job.png";
    if (page.isNull() || !page.save(png)) return "(not a PDF page)";
    return prtest::run("zbarimg -q " + prtest::quoted(png.toStdString()) + " 2>/dev/null");
  }

  std::unique_ptr<prtest::PrivateCups> server;
};

const char* const kWanted = "EAN-13:5901234123457";

TEST_F(PrinterByName, TheDeviceSendsTheJobToThePrinterNotToTheSetUpsFile) {
  ASSERT_TRUE(pr::choosePrinterIndex(pr::installedPrinters(), std::string(kQueue)) > 0);
  auto p = pr::PRINTBEGIN("Directo", false, false, std::string(kQueue));
  ASSERT_NE(p->hDC(), nullptr);
  EXPECT_EQ(p->GetModel(), kQueue);
  pr::PAGEBEGIN();
  drawSymbol(*p);
  pr::PAGEEND();
  pr::PRINTEND();
  EXPECT_NE(jobSymbols().find(kWanted), std::string::npos);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(pdf)));  // the set-up's PDF file
}

TEST_F(PrinterByName, ThePreviewPrintsOnThePrinterChosenInThePrintDialog) {
  ChoosesQueue choose;
  pr::PrinterDialogsGuard chosen(choose);
  ASSERT_EQ(pr::printerDialogs().choosePrinter(pr::printerSetup()), pr::DialogOutcome::Accepted);
  auto dev = pr::TPRINTER::New("Vista previa", false, true);
  dev->StartPage();
  drawSymbol(*dev);
  dev->EndPage();
  pr::TMULTIPREVIEW* pv = pr::RPREVIEW(dev);
  ASSERT_NE(pv, nullptr);
  choose.previewAnswers = {pr::PreviewPrintChoice{1, 1, 1, 1}};
  pv->PrintPage();
  ASSERT_EQ(choose.previewForms.size(), 1u);
  EXPECT_EQ(choose.previewForms[0].printer, kQueue);
  EXPECT_NE(jobSymbols().find(kWanted), std::string::npos);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(pdf)));
  pv->close();
}

TEST_F(PrinterByName, QvlabelPrintsOnTheNamedPrinter) {
  const std::string out = (dir.path() + "/salida.pdf").toStdString();
  const tools_test::RunResult r = tools_test::RunProgram(
      {QV_BINARY_DIR "/bin/qvlabel", "render", "13", kCode, out, "--print", "--printer", kQueue});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(jobSymbols().find(kWanted), std::string::npos);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out)));
}

}  // namespace
