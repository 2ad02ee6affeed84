#include "tools/qvlabel_print.h"

#include <QApplication>
#include <iostream>

#include "print/preview.h"
#include "print/preview_job.h"
#include "print/printer.h"
#include "print/printer_dialogs.h"
#include "print/printer_setup.h"

namespace qvlabel {

int PrintSymbol(const SymbolRequest& req, const PrintRequest& how) {
  // A command-line print asks nothing; the preview keeps its Qt dialogs.
  static pr::HeadlessPrinterDialogs headless;
  if (!how.preview) pr::setPrinterDialogs(&headless);

  QPrinter& setup = pr::printerSetup();
  const QString out = QString::fromStdString(how.outFile);
  if (out.endsWith(".pdf", Qt::CaseInsensitive)) {
    setup.setOutputFormat(QPrinter::PdfFormat);
    setup.setOutputFileName(out);
  }
  pr::PrinterChoice model;
  if (how.printer) {
    if (pr::choosePrinterIndex(pr::installedPrinters(), *how.printer) == 0) {
      std::cerr << "qvlabel: no installed printer is called \"" << *how.printer << "\"\n";
      return 2;
    }
    model = *how.printer;
  }
  const std::string document = "qvlabel " + req.code;
  auto printer = pr::PRINTBEGIN(document, false, how.preview, model, false);
  if (!printer->hDC()) {
    pr::PRINTEND();
    std::cerr << "qvlabel: no printer available\n";
    return 2;
  }
  if (!how.preview && setup.outputFormat() == QPrinter::PdfFormat && setup.outputFileName().isEmpty()) {
    pr::PRINTEND();
    std::cerr << "qvlabel: the system has no printer; give an OUTFILE ending in .pdf\n";
    return 2;
  }
  pr::PAGEBEGIN();
  double top = 2, left = 2;
  printer->Cmtr2Pix(top, left);
  DrawSymbol(*printer, req, top, left);
  pr::PAGEEND();
  if (!how.preview) {
    const bool started = printer->lStarted();
    pr::PRINTEND();
    if (!started) {
      std::cerr << "qvlabel: the printer refused the job\n";
      return 2;
    }
    return 0;
  }
  const int before = pr::openPreviews();
  pr::PRINTEND();
  if (pr::openPreviews() == before) {
    std::cerr << "qvlabel: the preview could not be opened\n";
    return 2;
  }
  return QApplication::exec() == 0 ? 0 : 2;
}

}  // namespace qvlabel
