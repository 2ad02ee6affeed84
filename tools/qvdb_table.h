// What the table commands of qvdb share: option parsing, opening a table
// with its index files in a work area, field values as command-line and
// CSV texts (UTF-8 outside, Windows-1252 in the table), and CSV itself.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/engine/workspace.h"
#include "tools/qvdb.h"
#include "xbase/value.h"

namespace qvdb {

// Arguments split into positional ones, options with values and flags.
// An option listed in `multi` takes every following argument that does not
// start with "--"; one in `single` takes exactly the next argument.
struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> values;
  std::set<std::string> flags;
  std::string error;  // empty when the arguments parsed

  bool has(const std::string& flag) const { return flags.count(flag) > 0; }
  std::optional<std::string> value(const std::string& option) const;
  std::vector<std::string> list(const std::string& option) const;
};
Options parseOptions(const Args& args, const std::set<std::string>& single, const std::set<std::string>& multi,
                     const std::set<std::string>& flags);

// A failure the command reports on stderr with the file it concerns; it
// ends the command with exit code 2.
struct ToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Opens `path` in the first free area of `areas` and attaches `indexes`.
// Sharing conflicts and other failures throw ToolError or xb::RuntimeError.
xb::engine::WorkArea& openTable(xb::engine::WorkAreas& areas, const std::string& path, xb::engine::OpenMode mode,
                                const std::vector<std::string>& indexes = {});

// Runs a command of the form `NAME TABLE [INDEXFILE...]`: parses the
// arguments (no options), sets the tool up, opens the table with its index
// files in `mode` and hands the area to `body`, whose result is the exit
// code; Shared opens a table this user may not write read-only. Usage
// errors exit as usageError() does.
int runOnTable(const Command& self, const Args& args, xb::engine::OpenMode mode,
               const std::function<int(xb::engine::WorkArea&, const std::string& table)>& body);

// Installs the plain error handler and the tool's settings.
void toolSetup(bool hideDeleted);

// A field's value as UTF-8 text: character fields without trailing blanks,
// numbers with the field's decimals, dates as yyyymmdd (empty: ""),
// logicals as T/F, memos as they are.
std::string fieldText(const xb::engine::FieldDef& f, const xb::Value& v);
// The value of a UTF-8 text for a field; dates as yyyymmdd, yyyy-mm-dd or
// dd-mm-yyyy. Throws ToolError naming the field when the text does not fit.
xb::Value fieldValue(const xb::engine::FieldDef& f, const std::string& text);

// CSV (RFC 4180): fields separated by commas, quoted when they hold a
// comma, a quote, a line break or edge blanks.
std::string csvLine(const std::vector<std::string>& fields);
// Reads the next record; false at the end of the input. Accepts CRLF or LF
// line ends, quoted fields with doubled quotes and line breaks, and skips a
// UTF-8 byte-order mark at the start.
class CsvReader {
 public:
  explicit CsvReader(std::FILE* in) : in_(in) {}
  bool next(std::vector<std::string>& fields);
  int64_t line() const { return line_; }

 private:
  int get();
  std::FILE* in_;
  int64_t line_ = 0;
  bool started_ = false;
  int pushed_ = -2;
};

// Name of the column that carries the deletion flag in dumps and imports.
inline constexpr const char* kDeletedColumn = "_DELETED";

}  // namespace qvdb
