#include "print/printer_setup.h"

#include <QCoreApplication>
#include <QPrinterInfo>
#include <algorithm>

#include "print/printer_dialogs.h"

namespace pr {

namespace {

std::unique_ptr<QPrinter>& setupHolder() {
  static std::unique_ptr<QPrinter> setup;
  return setup;
}

std::string lower(std::string s) { return QString::fromStdString(s).toLower().toStdString(); }

}  // namespace

QPrinter& printerSetup() {
  auto& s = setupHolder();
  if (!s) {
    s = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) s->setOutputFormat(QPrinter::PdfFormat);
    // The set-up goes with the application, not after it.
    qRemovePostRoutine(&resetPrinterSetup);
    qAddPostRoutine(&resetPrinterSetup);
  }
  return *s;
}

QPrinter* existingPrinterSetup() { return setupHolder().get(); }

void resetPrinterSetup() { setupHolder().reset(); }

std::unique_ptr<QPrinter> clonePrinter(const QPrinter& from) {
  auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
  p->setOutputFormat(from.outputFormat());
  if (from.outputFormat() == QPrinter::NativeFormat) p->setPrinterName(from.printerName());
  p->setOutputFileName(from.outputFileName());
  p->setResolution(from.resolution());
  p->setPageLayout(from.pageLayout());
  p->setFullPage(from.fullPage());
  p->setCopyCount(from.copyCount());
  p->setCollateCopies(from.collateCopies());
  p->setColorMode(from.colorMode());
  p->setDuplex(from.duplex());
  p->setPaperSource(from.paperSource());
  p->setPrintRange(from.printRange());
  p->setFromTo(from.fromPage(), from.toPage());
  p->setDocName(from.docName());
  return p;
}

std::string printerName(const QPrinter& p) {
  if (p.outputFormat() == QPrinter::PdfFormat) return "PDF";
  return p.printerName().toStdString();
}

std::string printerDriver(const QPrinter& p) {
  if (p.outputFormat() == QPrinter::PdfFormat) return "Qt PDF";
  return QPrinterInfo::printerInfo(p.printerName()).makeAndModel().toStdString();
}

std::string printerPort(const QPrinter& p) {
  if (p.outputFormat() == QPrinter::PdfFormat) return p.outputFileName().toStdString();
  return QPrinterInfo::printerInfo(p.printerName()).location().toStdString();
}

std::string printerModel(const QPrinter& p) { return printerName(p) + "," + printerDriver(p) + "," + printerPort(p); }

std::vector<std::string> installedPrinters() {
  std::vector<std::string> names;
  for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(n.toStdString());
  return names;
}

int choosePrinterIndex(const std::vector<std::string>& names, int position) {
  return position >= 1 && position <= int(names.size()) ? position : 0;
}

int choosePrinterIndex(const std::vector<std::string>& names, const std::string& part) {
  const std::string want = lower(part);
  for (size_t i = 0; i < names.size(); ++i)
    if (lower(names[i]).find(want) != std::string::npos) return int(i) + 1;
  return 0;
}

QPrinter::PaperSource paperSourceFromBin(int bin) {
  switch (bin) {
    case 2: return QPrinter::Lower;
    case 3: return QPrinter::Middle;
    case 4: return QPrinter::Manual;
    case 5: return QPrinter::Envelope;
    case 6: return QPrinter::EnvelopeManual;
    case 7: return QPrinter::Auto;
    case 8: return QPrinter::Tractor;
    case 9: return QPrinter::SmallFormat;
    case 10: return QPrinter::LargeFormat;
    case 11: return QPrinter::LargeCapacity;
    case 14: return QPrinter::Cassette;
    case 15: return QPrinter::FormSource;
    default: return QPrinter::Upper;
  }
}

bool ensureOutputFile(QPrinter& p, const std::string& document) {
  if (p.outputFormat() != QPrinter::PdfFormat || !p.outputFileName().isEmpty()) return true;
  auto name = printerDialogs().pdfFileName(document + ".pdf");
  if (!name || name->empty()) return false;
  p.setOutputFileName(QString::fromStdString(*name));
  return true;
}

}  // namespace pr
