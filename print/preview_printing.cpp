#include "print/preview_printing.h"

#include <QPainter>
#include <QPicture>

#include "print/printer_setup.h"

namespace pr {

void playPage(QPainter& painter, const QPicture& page) {
  const QPaintDevice* device = painter.device();
  if (!device || device->logicalDpiX() <= 0 || device->logicalDpiY() <= 0) return;
  painter.save();
  painter.scale(double(page.logicalDpiX()) / device->logicalDpiX(), double(page.logicalDpiY()) / device->logicalDpiY());
  painter.drawPicture(0, 0, page);
  painter.restore();
}

int printPageFiles(QPrinter& printer, const std::vector<std::string>& files, const std::vector<int>& sequence,
                   const std::string& document) {
  const bool askedForFile = printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty();
  if (!ensureOutputFile(printer, document)) return -1;
  printer.setDocName(QString::fromStdString(document));
  int sent = -1;
  {
    QPainter painter;
    if (painter.begin(&printer)) {
      sent = 0;
      for (int page : sequence) {
        if (sent > 0) printer.newPage();
        if (page >= 1 && page <= int(files.size())) {
          QPicture pic;
          if (pic.load(QString::fromStdString(files[size_t(page) - 1]))) playPage(painter, pic);
        }
        ++sent;
      }
      painter.end();
    }
  }
  if (askedForFile) printer.setOutputFileName(QString());
  return sent;
}

bool savePageFilesAsPdf(const QPrinter& like, const std::vector<std::string>& files, const std::string& pdfFile,
                        const std::string& document) {
  QPrinter pdf(QPrinter::HighResolution);
  pdf.setOutputFormat(QPrinter::PdfFormat);
  pdf.setOutputFileName(QString::fromStdString(pdfFile));
  pdf.setResolution(like.resolution());
  pdf.setFullPage(like.fullPage());
  pdf.setPageLayout(like.pageLayout());
  std::vector<int> all;
  for (int i = 1; i <= int(files.size()); ++i) all.push_back(i);
  return printPageFiles(pdf, files, all, document) == int(all.size());
}

}  // namespace pr
