// Printer dialogs for tests: every dialog asked for is recorded and given a
// scripted answer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "print/printer_dialogs.h"

namespace prtest {

class ScriptedPrinterDialogs : public pr::PrinterDialogs {
 public:
  std::vector<std::string> asked;  // "printer", "setup", "pdf", "preview"
  pr::DialogOutcome printerAnswer = pr::DialogOutcome::Accepted;
  bool setupAnswer = false;
  std::optional<std::string> pdfAnswer;
  std::vector<pr::PreviewPrintChoice> previewAnswers;  // consumed in order; empty: cancelled
  std::vector<pr::PreviewPrintForm> previewForms;      // what each preview dialog showed

  pr::DialogOutcome choosePrinter(QPrinter&) override {
    asked.push_back("printer");
    return printerAnswer;
  }
  bool pageSetup(QPrinter&) override {
    asked.push_back("setup");
    return setupAnswer;
  }
  std::optional<std::string> pdfFileName(const std::string&) override {
    asked.push_back("pdf");
    return pdfAnswer;
  }
  std::optional<pr::PreviewPrintChoice> previewPrint(const pr::PreviewPrintForm& form, QWidget*) override {
    asked.push_back("preview");
    previewForms.push_back(form);
    if (previewAnswers.empty()) return std::nullopt;
    pr::PreviewPrintChoice c = previewAnswers.front();
    previewAnswers.erase(previewAnswers.begin());
    return c;
  }
};

}  // namespace prtest
