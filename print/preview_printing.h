// Printing recorded page files on a printer: each page file is played at the
// printer's own pixels, so the printed page is the recorded one.
#pragma once

#include <QPrinter>
#include <string>
#include <vector>

class QPainter;
class QPicture;

namespace pr {

// Plays a page recording in the painter's coordinates, one recorded pixel
// to one unit, whatever the resolution of the painter's device (a picture
// played on a device of another resolution is otherwise scaled by the ratio
// of the two).
void playPage(QPainter& painter, const QPicture& page);

// Prints `sequence` (1-based indexes into `files`) as one document named
// `document` on `printer`, one printer page per entry. A PDF printer without
// an output file asks for one for this document only. Returns the number of
// pages sent, -1 when no document could be started (no file given, printer
// refused). An empty sequence still starts and ends a document.
int printPageFiles(QPrinter& printer, const std::vector<std::string>& files, const std::vector<int>& sequence,
                   const std::string& document);

// Writes every page file to the PDF file `pdfFile` with the page layout and
// resolution of `like`, every page in vector form. False when the file
// cannot be written.
bool savePageFilesAsPdf(const QPrinter& like, const std::vector<std::string>& files, const std::string& pdfFile,
                        const std::string& document);

}  // namespace pr
