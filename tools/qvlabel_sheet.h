// `qvlabel sheet`: the label job of a data folder written to a PDF file
// without a window (app/sheet_job.h).
//
//   qvlabel sheet DATAFOLDER OUTFILE.pdf (--code CODE [--quantity N] | --list FILE.csv)
//                 [--design N|NAME] [--format NAME] [--start N] [--outline] [--dpi N]
//
// Prints the number of labels and pages. Exit codes: 0 done, 1 a code not
// stored (named on standard error), 2 usage or run-time error with a
// message.
#pragma once

#include <string>
#include <vector>

namespace qvlabel {

// Runs the command on the arguments after "sheet"; argc and argv are the
// program's, for its application object. Throws std::invalid_argument for
// a usage error.
int Sheet(const std::vector<std::string>& args, int argc, char** argv);

}  // namespace qvlabel
