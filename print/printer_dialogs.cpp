#include "print/printer_dialogs.h"

#include <QApplication>
#include <QPageSetupDialog>
#include <QPrintDialog>

#include "print/preview_print_dialog.h"
#include "ui/widget_helpers.h"
#include "xbase/prompt.h"

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
  return ui::execModal(dlg) == QDialog::Accepted ? DialogOutcome::Accepted : DialogOutcome::Cancelled;
}

bool QtPrinterDialogs::pageSetup(QPrinter& setup) {
  QPageSetupDialog dlg(&setup, QApplication::activeWindow());
  return ui::execModal(dlg) == QDialog::Accepted;
}

std::optional<std::string> QtPrinterDialogs::pdfFileName(const std::string& suggested) {
  const std::optional<std::string> name = xb::prompter().saveFile("Guardar como PDF", "PDF (*.pdf)| *.pdf|", suggested);
  if (!name || name->empty()) return std::nullopt;
  return QString::fromStdString(*name).endsWith(".pdf", Qt::CaseInsensitive) ? *name : *name + ".pdf";
}

std::optional<PreviewPrintChoice> QtPrinterDialogs::previewPrint(const PreviewPrintForm& form, QWidget* parent) {
  return runPreviewPrintDialog(form, parent);
}

}  // namespace pr
