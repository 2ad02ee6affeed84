// Texts of the message box: the conversion of texts kept in the OEM code
// page and the cutting of a message into the lines the box shows.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace qv {

// A message or title as it is shown. Texts of the program are UTF-8; a text
// that is not valid UTF-8 is one stored in the OEM code page 850 (the error
// log keeps its texts so) and is converted to the Windows code page first,
// as the box always showed it.
QString oemToDisplay(const std::string& text);

// The OEM code page 850 text `bytes` as Unicode, by way of the Windows code
// page (a character that page lacks shows as "?").
QString fromOem850(const std::string& bytes);

// The lines of a message: every ";" and every line break ends a line, lines
// longer than `maxChars` characters are word-wrapped (a word longer than a
// whole line is cut), and trailing blanks are removed from every line.
QStringList alertLines(const QString& message, int maxChars = 254);

}  // namespace qv
