#include "tools/qvlabel_print.h"

#include <QApplication>
#include <iostream>

#include "labels/preview.h"
#include "labels/printer.h"
#include "labels/printer_dialogs.h"
#include "labels/printer_setup.h"

namespace qvlabel {

int PrintSymbol(const SymbolRequest& req, const PrintRequest& how) {
  // A command-line print asks nothing; the preview keeps its Qt dialogs.
  static lb::HeadlessPrinterDialogs headless;
  if (!how.preview) lb::setPrinterDialogs(&headless);

  QPrinter& setup = lb::printerSetup();
  const QString out = QString::fromStdString(how.outFile);
  if (out.endsWith(".pdf", Qt::CaseInsensitive)) {
    setup.setOutputFormat(QPrinter::PdfFormat);
    setup.setOutputFileName(out);
  }
  lb::PrinterChoice model;
  if (how.printer) {
    if (lb::choosePrinterIndex(lb::installedPrinters(), *how.printer) == 0) {
      std::cerr << "qvlabel: no installed printer is called \"" << *how.printer << "\"\n";
      return 2;
    }
    model = *how.printer;
  }
  const std::string document = "qvlabel " + req.code;
  auto printer = lb::PRINTBEGIN(document, false, how.preview, model, false);
  if (!printer->hDC()) {
    lb::PRINTEND();
    std::cerr << "qvlabel: no printer available\n";
    return 2;
  }
  if (!how.preview && setup.outputFormat() == QPrinter::PdfFormat && setup.outputFileName().isEmpty()) {
    lb::PRINTEND();
    std::cerr << "qvlabel: the system has no printer; give an OUTFILE ending in .pdf\n";
    return 2;
  }
  lb::PAGEBEGIN();
  double top = 2, left = 2;
  printer->Cmtr2Pix(top, left);
  DrawSymbol(*printer, req, top, left);
  lb::PAGEEND();
  if (!how.preview) {
    const bool started = printer->lStarted();
    lb::PRINTEND();
    if (!started) {
      std::cerr << "qvlabel: the printer refused the job\n";
      return 2;
    }
    return 0;
  }
  const int before = lb::openPreviews();
  lb::PRINTEND();
  if (lb::openPreviews() == before) {
    std::cerr << "qvlabel: the preview could not be opened\n";
    return 2;
  }
  return QApplication::exec() == 0 ? 0 : 2;
}

}  // namespace qvlabel
