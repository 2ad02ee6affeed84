#include "data/catalog.h"

#include "data/abrir.h"

#include "data/engine/os_file.h"
#include "data/engine/workspace.h"
#include "xbase/expr.h"
#include "xbase/memvar.h"

namespace qv {

namespace {

using xb::engine::OpenMode;

struct FileName {
  const char* value;
  const char* file;
};
constexpr FileName kFileNames[] = {
    {"LABELS", "Labels.dbf"},  {"LABELSX", "Labelsx.cdx"}, {"CODETI", "CodPro.Eti"},
    {"CODETIX", "CodEti.cdx"}, {"CODPRO", "CodPro.dbf"},   {"CODPROX", "CodiProx.cdx"},
};

// Builds the tags of one table in its index file; the area is closed again.
void buildIndex(const WorkingTable& t, const std::string& folder) {
  auto& areas = xb::engine::workAreas();
  const xb::engine::SelectGuard keep(areas, areas.selected());
  areas.select(0);
  if (!areas.use(folder + t.table, t.alias, OpenMode::Shared)) return;
  xb::engine::WorkArea& a = areas.area();
  if (a.lockFile()) {
    for (const StartupTag& tag : t.tags)
      if (!a.createTag(folder + t.indexCreate, tag.name, tag.key, kStartupTagCondition, tag.unique)) break;
  }
  areas.close();
}

}  // namespace

void applyRunSettings() { xb::engine::setDeletedHidden(true); }

void PUBLIBASES() {
  xb::PUBLICA("G_CAMINO", "");
  for (const FileName& f : kFileNames) xb::PUBLICA(f.value);
  NOMBBASES();
}

void NOMBBASES() {
  const std::string folder = fileNameValue("G_CAMINO");
  for (const FileName& f : kFileNames) xb::assignOrCreate(f.value, folder + f.file);
}

std::string fileNameValue(std::string_view name) {
  const xb::Value* v = xb::findNamed(name);
  return v && v->isText() ? v->text() : std::string();
}

const std::vector<WorkingTable>& workingTables() {
  static const std::vector<WorkingTable> tables = {
      {"Labels2", "Labels.dbf", "Labelsx.cdx", "LABELSX.CDX", {{"Nombre", "_Field->NOMBRE", false}}},
      {"DatosEti2",
       "CodPro.eti",
       "CodEti.cdx",
       "CODETI.CDX",
       {{"NumEtiUn", "_Field->NUMERO_ETI", true}, {"NumEti", "_Field->NUMERO_ETI", false}}},
      {"CodPro2", "CodPro.dbf", "CodiProx.cdx", "CODIPROX.CDX", {{"Codigo", "_Field->CODIGO+_Field->DGCNT", false}}},
  };
  return tables;
}

std::vector<std::string> ABREBASES() {
  const std::string folder = fileNameValue("G_CAMINO");
  std::vector<std::string> built;
  for (const WorkingTable& t : workingTables()) {
    if (xb::engine::fileExists(folder + t.index)) continue;
    buildIndex(t, folder);
    if (xb::engine::fileExists(folder + t.index)) built.push_back(t.indexCreate);
  }

  auto& areas = xb::engine::workAreas();
  for (const WorkingTable& t : workingTables()) {
    areas.select(0);
    if (!areas.use(folder + t.table, t.alias, OpenMode::Shared)) continue;
    // the tag created first is the active order, whatever order the index
    // file lists its tags in; the registry knows the index file, so that an
    // ABRIR and CERRAR of the alias give it back
    if (areas.area().addIndex(folder + t.index)) {
      areas.area().setOrder(std::string_view(t.tags.front().name));
      openRegistry().INDICES[size_t(areas.selected())] = folder + t.index;
    }
  }
  if (areas.select(std::string_view("CodPro2")) != 0) {
    xb::engine::WorkArea& a = areas.area();
    a.setFilter(kCodPro2Filter, xb::Expr::compile(kCodPro2Filter));
    a.goTop();
  }
  return built;
}

void closeAllTables() {
  auto& areas = xb::engine::workAreas();
  areas.commitAll();
  areas.closeAll();
}

}  // namespace qv
