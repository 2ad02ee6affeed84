// The printer offsets: for printers that feed the paper a little off, a
// shift of everything on the page, horizontal and vertical in millimetres,
// kept per printer name in the data folder (file Impresoras.cfg), which
// several copies of the program share: saving one printer's offset keeps
// what other copies saved for other printers.
#pragma once

#include <string>

namespace lb {

inline constexpr const char* kPrinterOffsetsFile = "Impresoras.cfg";
// The offsets a user may set, in millimetres either way.
inline constexpr double kMaxOffsetMm = 20;

struct PrinterOffset {
  double xMm = 0;  // right is positive
  double yMm = 0;  // down is positive
};

// The offset kept for the printer named `printer` (0, 0 when none is).
PrinterOffset printerOffset(const std::string& printer);
// Keeps the offset of that printer; false when the file cannot be written.
bool savePrinterOffset(const std::string& printer, const PrinterOffset& offset);

}  // namespace lb
