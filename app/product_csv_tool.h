// The import and export of product codes for a command line (qvlabel
// import / export): the working tables of a data folder opened as start-up
// opens them (index files built when missing), the file read or written,
// the tables closed again.
#pragma once

#include <string>

namespace qv {

// Imports `csvFile` into the product table of `folder` and leaves the
// summary (summaryText) in `report`. The exit code of ImportSummary: 0
// every row stored, 1 some refused, 2 nothing imported (a file that cannot
// be read, a table another copy holds, a folder without the program's
// tables; its reason in `report`).
int importCodesFile(const std::string& folder, const std::string& csvFile, std::string& report);

// Writes the whole product table of `folder` to `csvFile` (exportProducts);
// 0 done, 2 when it could not be read or written (the reason in `report`),
// else `report` tells how many codes were written.
int exportCodesFile(const std::string& folder, const std::string& csvFile, std::string& report);

}  // namespace qv
