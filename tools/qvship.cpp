// qvship: writes the data files the program ships, from the readable
// sources in the repository's shipped/ folder:
//
//   structures.txt   one block per structure template (see the file)
//   Labels.rows      rows of Labels.dbf       (label sheet formats)
//   CodPro.eti.rows  rows of CodPro.eti       (label designs)
//
// into the output folder: the structure dictionary QVRBASES.INI (with its
// memo file) holding every structure as text, the empty structure templates
// LABELS.INI, CODPROE.INI and CODPRO.INI, the tables Labels.dbf and
// CodPro.eti with their rows and the empty product table CodPro.dbf. Index
// files are not shipped: the program builds them on first use.
//
// Usage: qvship SOURCE_FOLDER OUTPUT_FOLDER. Any fault in a source (line and
// reason) or in writing is printed and exits 1; usage errors exit 2.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/engine/table.h"
#include "xbase/codepage.h"
#include "xbase/dates.h"
#include "xbase/error.h"

namespace {

namespace fs = std::filesystem;
using xb::engine::FieldDef;
using xb::engine::OpenMode;
using xb::engine::Structure;
using xb::engine::Table;

struct Fault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Template {
  std::string templateFile;  // e.g. LABELS.INI
  std::string tableFile;     // e.g. Labels.dbf
  Structure fields;
};

std::vector<std::string> readLines(const fs::path& file) {
  std::ifstream in(file);
  if (!in) throw Fault(file.string() + ": cannot be read");
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool skippable(const std::string& line) {
  const size_t p = line.find_first_not_of(" \t");
  return p == std::string::npos || line[p] == '#';
}

std::string where(const fs::path& file, size_t lineNo) { return file.filename().string() + ":" + std::to_string(lineNo) + ": "; }

std::vector<Template> readStructures(const fs::path& file) {
  std::vector<Template> out;
  const std::vector<std::string> lines = readLines(file);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (skippable(lines[i])) continue;
    std::istringstream in(lines[i]);
    std::string first;
    in >> first;
    if (first == "template") {
      Template t;
      if (!(in >> t.templateFile >> t.tableFile)) throw Fault(where(file, i + 1) + "template needs two file names");
      out.push_back(t);
      continue;
    }
    if (out.empty()) throw Fault(where(file, i + 1) + "field before the first template");
    FieldDef f;
    f.name = first;
    std::string type;
    if (!(in >> type >> f.width >> f.decimals) || type.size() != 1 || std::string("CNDLM").find(type[0]) == std::string::npos)
      throw Fault(where(file, i + 1) + "expected: NAME TYPE WIDTH DECIMALS");
    f.type = type[0];
    if (f.name.size() > 10) throw Fault(where(file, i + 1) + "field name longer than 10 characters");
    out.back().fields.push_back(f);
  }
  if (out.empty()) throw Fault(file.string() + ": no template");
  return out;
}

// The structure as the dictionary keeps it: {{"NAME","C",25,0},...}.
std::string structureText(const Structure& s) {
  std::string text = "{";
  for (size_t i = 0; i < s.size(); ++i) {
    if (i) text += ",";
    text += "{\"" + s[i].name + "\",\"" + std::string(1, s[i].type) + "\"," + std::to_string(s[i].width) + "," +
            std::to_string(s[i].decimals) + "}";
  }
  return text + "}";
}

std::vector<std::string> splitBars(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t bar = line.find('|', start);
    out.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return out;
    start = bar + 1;
  }
}

xb::Value fieldValue(const FieldDef& f, const std::string& text, const std::string& at) {
  switch (f.type) {
    case 'C':
    case 'M': return xb::Value(xb::utf8ToCp1252(text));
    case 'L':
      if (text != "T" && text != "F" && !text.empty()) throw Fault(at + f.name + ": logical must be T or F");
      return xb::Value(text == "T");
    case 'D': return xb::Value(xb::textToDate(text));
    case 'N': {
      if (text.empty()) return xb::Value(0.0, f.decimals);
      size_t used = 0;
      double d = 0;
      try {
        d = std::stod(text, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used != text.size()) throw Fault(at + f.name + ": not a number: " + text);
      return xb::Value(d, f.decimals);
    }
    default: throw Fault(at + f.name + ": unknown type");
  }
}

std::unique_ptr<Table> openExclusive(const fs::path& file) {
  std::unique_ptr<Table> t = Table::open(file.string(), OpenMode::Exclusive);
  if (!t) throw Fault(file.string() + ": cannot be opened");
  return t;
}

void appendRow(Table& t, const std::vector<xb::Value>& values) {
  if (!t.appendBlank()) throw Fault(t.path() + ": cannot append");
  for (size_t i = 0; i < values.size(); ++i) t.put(int(i), values[i]);
  t.flush();
}

void createTable(const fs::path& file, const Structure& s) {
  if (!Table::create(file.string(), s)) throw Fault(file.string() + ": cannot be created");
}

// Fills `table` from a rows file whose first data line names its fields.
int loadRows(const fs::path& rowsFile, const fs::path& table) {
  std::unique_ptr<Table> t = openExclusive(table);
  const Structure& s = t->structure();
  const std::vector<std::string> lines = readLines(rowsFile);
  std::vector<int> columns;  // field index of each column
  int rows = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (skippable(lines[i])) continue;
    const std::vector<std::string> cells = splitBars(lines[i]);
    const std::string at = where(rowsFile, i + 1);
    if (columns.empty()) {
      for (const std::string& name : cells) {
        const int ix = t->fieldIndex(name);
        if (ix < 0) throw Fault(at + "no field " + name + " in " + table.filename().string());
        columns.push_back(ix);
      }
      continue;
    }
    if (cells.size() != columns.size())
      throw Fault(at + std::to_string(cells.size()) + " fields, the header names " + std::to_string(columns.size()));
    std::vector<xb::Value> values(s.size());
    for (size_t f = 0; f < s.size(); ++f) values[f] = fieldValue(s[f], "", at);
    for (size_t c = 0; c < cells.size(); ++c) values[size_t(columns[c])] = fieldValue(s[size_t(columns[c])], cells[c], at);
    appendRow(*t, values);
    ++rows;
  }
  t->commit();
  return rows;
}

void writeDictionary(const fs::path& out, const std::vector<Template>& templates) {
  const fs::path dict = out / "QVRBASES.INI";
  createTable(dict, {{"ARCHIVO", 'C', 12, 0}, {"ESTRUCTURA", 'M', 10, 0}});
  std::unique_ptr<Table> t = openExclusive(dict);
  for (const Template& tpl : templates) appendRow(*t, {xb::Value(tpl.templateFile), xb::Value(structureText(tpl.fields))});
  t->commit();
}

// The rows file of a table: its name without a ".dbf" extension, then
// ".rows" (Labels.dbf -> Labels.rows, CodPro.eti -> CodPro.eti.rows).
std::string rowsFileName(const std::string& tableFile) {
  const fs::path p(tableFile);
  return (p.extension() == ".dbf" ? p.stem().string() : tableFile) + ".rows";
}

int run(const fs::path& src, const fs::path& out) {
  const std::vector<Template> templates = readStructures(src / "structures.txt");
  fs::create_directories(out);
  writeDictionary(out, templates);
  for (const Template& tpl : templates) {
    createTable(out / tpl.templateFile, tpl.fields);
    createTable(out / tpl.tableFile, tpl.fields);
    const fs::path rowsFile = src / rowsFileName(tpl.tableFile);
    if (fs::exists(rowsFile)) {
      const int n = loadRows(rowsFile, out / tpl.tableFile);
      std::printf("qvship: %s: %d rows\n", tpl.tableFile.c_str(), n);
    } else {
      std::printf("qvship: %s: empty\n", tpl.tableFile.c_str());
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qvship SOURCE_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  xb::setErrorHandler({});
  try {
    return run(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qvship: %s\n", e.what());
    return 1;
  }
}
