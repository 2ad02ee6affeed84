#include "print/printer_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>

#include "print/preview_print_dialog.h"

namespace pr {

namespace {

PrinterDialogs* installed = nullptr;

}  // namespace

PrinterDialogs& printerDialogs() {
  if (installed) return *installed;
  static QtPrinterDialogs qtDialogs;
  static HeadlessPrinterDialogs headless;
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) return qtDialogs;
  return headless;
}

PrinterDialogs* setPrinterDialogs(PrinterDialogs* d) {
  PrinterDialogs* prev = installed;
  installed = d;
  return prev;
}

DialogOutcome QtPrinterDialogs::choosePrinter(QPrinter& setup) {
  QPrintDialog dlg(&setup, QApplication::activeWindow());
  return dlg.exec() == QDialog::Accepted ? DialogOutcome::Accepted : DialogOutcome::Cancelled;
}

bool QtPrinterDialogs::pageSetup(QPrinter& setup) {
  QPageSetupDialog dlg(&setup, QApplication::activeWindow());
  return dlg.exec() == QDialog::Accepted;
}

std::optional<std::string> QtPrinterDialogs::pdfFileName(const std::string& suggested) {
  const QString name = QFileDialog::getSaveFileName(QApplication::activeWindow(), "Guardar como PDF",
                                                    QString::fromStdString(suggested), "PDF (*.pdf)");
  if (name.isEmpty()) return std::nullopt;
  return name.endsWith(".pdf", Qt::CaseInsensitive) ? name.toStdString() : (name + ".pdf").toStdString();
}

std::optional<PreviewPrintChoice> QtPrinterDialogs::previewPrint(const PreviewPrintForm& form, QWidget* parent) {
  return runPreviewPrintDialog(form, parent);
}

}  // namespace pr
