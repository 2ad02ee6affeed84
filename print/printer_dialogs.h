// The printer dialogs seam: choosing a printer, the print set-up, the file
// name of PDF output and the preview's print dialog all go through the one
// installed PrinterDialogs, so tests can script the answers and the Qt
// dialogs stay thin. Unless one is installed, a widgets application gets the
// Qt dialogs and anything else the headless ones.
#pragma once

#include <QPrinter>
#include <optional>
#include <string>

#include "print/preview_print_dialog.h"

class QWidget;

namespace pr {

enum class DialogOutcome { Accepted, Cancelled, Failed };

class PrinterDialogs {
 public:
  virtual ~PrinterDialogs() = default;
  // The system Print dialog on the set-up: the chosen printer and its
  // settings are written back into `setup` when accepted.
  virtual DialogOutcome choosePrinter(QPrinter& setup) = 0;
  // The print set-up dialog (paper, orientation); true when accepted.
  virtual bool pageSetup(QPrinter& setup) = 0;
  // Asks for the name of a PDF file to write; none when cancelled.
  virtual std::optional<std::string> pdfFileName(const std::string& suggested) = 0;
  // The preview's print dialog; none when cancelled.
  virtual std::optional<PreviewPrintChoice> previewPrint(const PreviewPrintForm& form, QWidget* parent) = 0;
};

// The installed dialogs (never null).
PrinterDialogs& printerDialogs();
// Installs dialogs; returns the previous ones. nullptr restores the default.
PrinterDialogs* setPrinterDialogs(PrinterDialogs* d);

// Asks nothing: the printer stays the set-up's, every other dialog is
// cancelled.
class HeadlessPrinterDialogs : public PrinterDialogs {
 public:
  DialogOutcome choosePrinter(QPrinter&) override { return DialogOutcome::Accepted; }
  bool pageSetup(QPrinter&) override { return false; }
  std::optional<std::string> pdfFileName(const std::string&) override { return std::nullopt; }
  std::optional<PreviewPrintChoice> previewPrint(const PreviewPrintForm&, QWidget*) override { return std::nullopt; }
};

// The real Qt dialogs; the PDF file name is asked through the installed
// prompter, as every other file name.
class QtPrinterDialogs : public PrinterDialogs {
 public:
  DialogOutcome choosePrinter(QPrinter& setup) override;
  bool pageSetup(QPrinter& setup) override;
  std::optional<std::string> pdfFileName(const std::string& suggested) override;
  std::optional<PreviewPrintChoice> previewPrint(const PreviewPrintForm& form, QWidget* parent) override;
};

// Installs dialogs for the lifetime of the guard.
class PrinterDialogsGuard {
 public:
  explicit PrinterDialogsGuard(PrinterDialogs& d) : prev_(setPrinterDialogs(&d)) {}
  ~PrinterDialogsGuard() { setPrinterDialogs(prev_); }
  PrinterDialogsGuard(const PrinterDialogsGuard&) = delete;
  PrinterDialogsGuard& operator=(const PrinterDialogsGuard&) = delete;

 private:
  PrinterDialogs* prev_;
};

}  // namespace pr
