#include "app/product_csv_tool.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/product_import.h"
#include "data/catalog.h"
#include "xbase/error.h"

namespace qv {

namespace {

namespace fs = std::filesystem;

// The working tables of a folder, open for the life of the object; the
// working folder goes back afterwards.
class DataFolder {
 public:
  explicit DataFolder(const std::string& folder) : before_(fs::current_path()) {
    fs::current_path(folder);
    applyRunSettings();
    PUBLIBASES();
    ABREBASES();
  }
  ~DataFolder() {
    closeAllTables();
    std::error_code ignored;
    fs::current_path(before_, ignored);
  }
  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;

 private:
  fs::path before_;
};

bool isDataFolder(const std::string& folder, std::string& report) {
  if (fs::is_regular_file(fs::path(folder) / "CodPro.dbf")) return true;
  report = folder + ": no es una carpeta de datos del programa (falta CodPro.dbf)\n";
  return false;
}

}  // namespace

int importCodesFile(const std::string& folder, const std::string& csvFile, std::string& report) {
  std::ifstream in(csvFile, std::ios::binary);
  if (!in) {
    report = csvFile + ": no se puede leer\n";
    return 2;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!isDataFolder(folder, report)) return 2;
  const std::string absolute = fs::absolute(csvFile).string();
  const DataFolder data(folder);
  const ImportSummary s = importPlan(planImport(bytes));
  report = summaryText(s, absolute);
  return s.exitCode();
}

int exportCodesFile(const std::string& folder, const std::string& csvFile, std::string& report) {
  if (!isDataFolder(folder, report)) return 2;
  const fs::path target = fs::absolute(csvFile);
  std::string text;
  {
    const DataFolder data(folder);
    text = exportProducts();
  }
  std::ofstream out(target, std::ios::binary);
  if (!(out << text) || !out.flush()) {
    report = csvFile + ": no se puede escribir\n";
    return 2;
  }
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  report = std::to_string(lines - 1) + " códigos escritos en " + target.string() + "\n";
  return 0;
}

}  // namespace qv
