// The program's printer set-up: the printer, paper, orientation, copies and
// page range that every new printer device starts from, the way the system's
// print dialogs keep them. At first it is the system's default printer; when
// the system has no printer at all it is a PDF printer, so printing still
// works (it then asks for a file name).
#pragma once

#include <QPrinter>
#include <memory>
#include <string>
#include <vector>

namespace pr {

// The set-up (created on first use; needs a QGuiApplication).
QPrinter& printerSetup();
// The set-up when it exists, else null (nothing is created).
QPrinter* existingPrinterSetup();
// Drops the set-up; the next printerSetup() starts again from the system
// default printer.
void resetPrinterSetup();

// A new printer context with the settings of `from` (printer, output
// format and file, page layout, resolution, copies, colour, duplex, paper
// source, page range).
std::unique_ptr<QPrinter> clonePrinter(const QPrinter& from);

// Name, driver and port of a printer as the program shows them: a system
// printer's name, make and model, and location; a PDF printer is "PDF",
// "Qt PDF" and its output file.
std::string printerName(const QPrinter& p);
std::string printerDriver(const QPrinter& p);
std::string printerPort(const QPrinter& p);
// name + "," + driver + "," + port.
std::string printerModel(const QPrinter& p);

// Names of the system's installed printers.
std::vector<std::string> installedPrinters();

// Index (1-based) of the printer chosen without a dialog: a number is the
// position in `names` (0 when below 1 or past the end); a text selects the
// first name that contains it, ignoring case (0 when none does).
int choosePrinterIndex(const std::vector<std::string>& names, int position);
int choosePrinterIndex(const std::vector<std::string>& names, const std::string& part);

// Paper source of the system's numbering (1 upper … 15 form source) as Qt's.
QPrinter::PaperSource paperSourceFromBin(int bin);

// Makes sure a PDF printer has an output file, asking the user for one when
// it has none. False when the user gave none (nothing may be printed).
bool ensureOutputFile(QPrinter& p, const std::string& document);

}  // namespace pr
