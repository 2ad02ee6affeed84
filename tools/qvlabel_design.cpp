#include "tools/qvlabel_design.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>

#include "data/engine/workspace.h"
#include "labels/design_table.h"
#include "labels/label_formats.h"
#include "xbase/codepage.h"
#include "xbase/text.h"

namespace qvlabel {
namespace {

namespace fs = std::filesystem;

int refuse(const std::string& why) {
  std::cerr << "qvlabel: " << why << '\n';
  return 2;
}

// The design table of a data folder, open shared in order NumEti as the
// generator opens it (a relative FILE stays relative to where the command
// was run).
class DesignTableOf {
 public:
  explicit DesignTableOf(const std::string& folder) {
    xb::engine::setDeletedHidden(true);
    const fs::path table = fs::path(folder) / "CodPro.eti";
    const fs::path index = fs::path(folder) / "CodEti.cdx";
    if (!fs::exists(table)) {
      why_ = "no design table " + table.string();
      return;
    }
    xb::engine::WorkAreas& areas = xb::engine::workAreas();
    areas.select(0);
    if (!areas.use(table.string(), lb::kDesignsAlias, xb::engine::OpenMode::Shared)) {
      why_ = "cannot open " + table.string();
      return;
    }
    area_ = &areas.area();
    if (fs::exists(index) && area_->addIndex(index.string())) area_->setOrder("NumEti");
  }
  ~DesignTableOf() {
    if (area_) area_->close();
  }
  DesignTableOf(const DesignTableOf&) = delete;
  DesignTableOf& operator=(const DesignTableOf&) = delete;
  xb::engine::WorkArea* area() const { return area_; }
  const std::string& why() const { return why_; }

 private:
  xb::engine::WorkArea* area_ = nullptr;
  std::string why_;
};

// The design a command names by number or by name (without regard to
// case or surrounding blanks); 0 when none or several match.
int designNamed(xb::engine::WorkArea& a, const std::string& what, std::string* why) {
  const std::vector<lb::DesignEntry> entries = lb::readDesignEntries(a);
  if (!what.empty() && std::all_of(what.begin(), what.end(), [](unsigned char c) { return std::isdigit(c); })) {
    const int n = std::stoi(what);
    for (const lb::DesignEntry& e : entries)
      if (e.number == n) return n;
    *why = "no design number " + what;
    return 0;
  }
  const std::string wanted = xb::upper1252(xb::trim(xb::utf8ToCp1252(what)));
  int found = 0, count = 0;
  for (const lb::DesignEntry& e : entries)
    if (xb::upper1252(e.name) == wanted) {
      found = e.number;
      ++count;
    }
  if (count == 0) *why = "no design named \"" + what + "\"";
  if (count > 1) *why = std::to_string(count) + " designs are named \"" + what + "\": name one by its number";
  return count == 1 ? found : 0;
}

}  // namespace

int DesignExport(const std::vector<std::string>& argv) {
  if (argv.size() != 3) return refuse("design-export takes DATAFOLDER, N or NAME, and FILE.eti");
  const std::string file = fs::absolute(argv[2]).string();
  const DesignTableOf table(argv[0]);
  if (!table.area()) return refuse(table.why());
  std::string why;
  const int n = designNamed(*table.area(), argv[1], &why);
  if (!n) return refuse(why);
  if (!lb::exportDesign(*table.area(), n, file, &why)) return refuse(why);
  return 0;
}

int DesignImport(const std::vector<std::string>& argv) {
  if (argv.size() != 2) return refuse("design-import takes DATAFOLDER and FILE.eti");
  const std::string file = fs::absolute(argv[1]).string();
  const DesignTableOf table(argv[0]);
  if (!table.area()) return refuse(table.why());
  std::string why;
  const int n = lb::importDesign(*table.area(), file, &why);
  if (!n) return refuse(why);
  std::cout << n << '\n';
  return 0;
}

}  // namespace qvlabel
