// qvlabel's design commands: a label design of a data folder written to a
// design file, and a design file added to a data folder as a new design.
//
//   qvlabel design-export DATAFOLDER N|NAME FILE.eti
//   qvlabel design-import DATAFOLDER FILE.eti      (prints the new number)
#pragma once

#include <string>
#include <vector>

namespace qvlabel {

// Each returns the exit code (0 done, 2 refused, with the reason on
// standard error); `argv` holds the arguments after the command.
int DesignExport(const std::vector<std::string>& argv);
int DesignImport(const std::vector<std::string>& argv);

}  // namespace qvlabel
