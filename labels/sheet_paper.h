// The paper a label format prints on, from its sheet name (HOJA): "A4" or
// blank keep the printer set-up's paper, as every format always printed;
// "LETTER" and "A5" are those papers; "WxH" is a paper of its own, W by H
// millimetres (a label roll or a sheet of another size).
#pragma once

#include <QPageSize>
#include <optional>
#include <string_view>

namespace lb {

// The paper of a format whose HOJA is `hoja` (Windows-1252 or UTF-8, any
// case, blanks around it ignored); nothing for the set-up's paper, which
// is also what a name not listed above gets.
std::optional<QPageSize> sheetPaper(std::string_view hoja);

}  // namespace lb
