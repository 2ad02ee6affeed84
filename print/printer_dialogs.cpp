#include "print/printer_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>

#include "print/preview_print_dialog.h"
#include "ui/widget_helpers.h"

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
  QFileDialog dlg(QApplication::activeWindow(), QStringLiteral("Guardar como PDF"), QString::fromStdString(suggested),
                  QStringLiteral("PDF (*.pdf)"));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  if (ui::execModal(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  const QString name = dlg.selectedFiles().front();
  if (name.isEmpty()) return std::nullopt;
  return name.endsWith(".pdf", Qt::CaseInsensitive) ? name.toStdString() : (name + ".pdf").toStdString();
}

std::optional<PreviewPrintChoice> QtPrinterDialogs::previewPrint(const PreviewPrintForm& form, QWidget* parent) {
  return runPreviewPrintDialog(form, parent);
}

}  // namespace pr
