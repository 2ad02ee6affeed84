// `qvlabel render … --print`: the symbol goes through the printer device to
// a PDF file and reads back with zbarimg; bad printer options are refused.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <QTemporaryDir>
#include <string>

#include "tests/print/print_test_support.h"

namespace {

const std::string kQvlabel = std::string(QV_BINARY_DIR) + "/bin/qvlabel";

int exitCode(const std::string& args) {
  const int status = std::system(("QT_QPA_PLATFORM=offscreen " + kQvlabel + " " + args + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(QvlabelPrint, PrintsToAPdfThroughThePrinterDevice) {
  QTemporaryDir dir;
  const std::string pdf = (dir.path() + "/simbolo.pdf").toStdString();
  ASSERT_EQ(exitCode("render 128 ETIQUETA-7 " + prtest::quoted(pdf) + " --print"), 0);
  EXPECT_EQ(prtest::pdfPages(pdf), 1);
  const std::string info = prtest::run("pdfinfo " + prtest::quoted(pdf));
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  if (prtest::run("command -v zbarimg").empty()) GTEST_SKIP() << "zbarimg not installed";
  const QImage page = prtest::rasterise(pdf, 1, 300, dir.path());
  ASSERT_TRUE(page.save(dir.path() + "/p.png"));
  const std::string out = prtest::run("zbarimg -q " + prtest::quoted((dir.path() + "/p.png").toStdString()));
  EXPECT_NE(out.find("CODE-128:ETIQUETA-7"), std::string::npos) << out;
}

TEST(QvlabelPrint, RefusesWhatCannotBePrinted) {
  QTemporaryDir dir;
  const std::string pdf = prtest::quoted((dir.path() + "/x.pdf").toStdString());
  EXPECT_EQ(exitCode("render 13 590123412345 " + pdf + " --print --preview"), 2);
  EXPECT_EQ(exitCode("render 13 590123412345 " + pdf + " --printer Oficina"), 2);
  EXPECT_EQ(exitCode("render 13 590123412345 " + pdf + " --print --printer no-such-printer-anywhere"), 2);
}

}  // namespace
