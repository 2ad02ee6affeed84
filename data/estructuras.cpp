#include "data/estructuras.h"

#include <cerrno>
#include <optional>

#include "data/abrir.h"
#include "data/catalog.h"
#include "data/engine/os_file.h"
#include "data/engine/table.h"
#include "data/engine/workspace.h"
#include "data/scoped_area.h"
#include "data/structure_list.h"
#include "xbase/codepage.h"
#include "xbase/error.h"
#include "xbase/expr.h"
#include "xbase/routines.h"
#include "xbase/text.h"

namespace qv {

using xb::engine::OpenMode;
using xb::engine::Structure;
using xb::engine::Table;
using xb::engine::workAreas;

namespace {

constexpr size_t kWholeTextBelow = 498;
constexpr const char* kDictionary = "QVRBASES.INI";
constexpr const char* kDictionaryIndex = "QvrBases.cdx";
constexpr const char* kDictionaryIndexFile = "QVRBASES.CDX";
constexpr const char* kRestructureWork = "TEMPORAL.DBF";
constexpr const char* kRebuildWork = "TEMP_.DBF";

// Reports a file step that failed after the old table was removed.
void fileFault(const std::string& operation, const std::string& file, const std::string& what) {
  xb::Error e;
  e.genCode = xb::kGenWrite;
  e.subsystem = "QVDATA";
  e.description = what;
  e.filename = file;
  e.operation = operation;
  e.canDefault = true;
  xb::raise(e);
}

// Puts a complete work table (and its memo file when `fields` has memo
// fields) in place of `table`, whose memo file goes only when `oldHasMemo`.
bool replaceWith(const std::string& work, const std::string& tableName, bool oldHasMemo, const Structure& fields,
                 const char* operation) {
  using namespace xb::engine;
  // the new files take the exact names the old ones had on the disk
  const std::string table = resolveName(tableName), memo = resolveName(Table::memoNameFor(table));
  // The rename replaces the table in one step; a memo file the new
  // structure no longer has goes.
  if (oldHasMemo && !hasMemoFields(fields)) removeFile(memo);
  if (!renameFile(work, table)) {
    fileFault(operation, work, "no se puede renombrar " + work + " como " + table + ": " + xb::engine::systemReason(errno));
    return false;
  }
  if (hasMemoFields(fields) && fileExists(Table::memoNameFor(work)) && !renameFile(Table::memoNameFor(work), memo)) {
    fileFault(operation, Table::memoNameFor(work), "no se puede renombrar el archivo de memos de " + work + ": " + xb::engine::systemReason(errno));
    return false;
  }
  return true;
}

// Creates `table` empty through the work name `work`, so that creating it
// never removes a memo file of the same name that belongs to another table.
bool createThrough(const std::string& work, const std::string& table, const Structure& fields,
                   const char* operation) {
  if (!Table::create(work, fields)) return false;
  bool oldHasMemo = false;
  if (xb::engine::fileExists(table)) {
    const auto old = Table::open(table, OpenMode::ReadOnly);
    if (!old) return false;
    oldHasMemo = hasMemoFields(old->structure());
  }
  return replaceWith(work, table, oldHasMemo, fields, operation);
}

// Creates a structure template empty through the work name `work`. A
// template's rows are never read, and its memo name is that of a data table
// (CODPRO.INI and CodPro.dbf): a memo file already there is left as it is
// and serves the template, so re-creating a template never touches the
// data's memos.
bool createTemplate(const std::string& work, const std::string& templateFile, const Structure& fields) {
  using namespace xb::engine;
  if (!Table::create(work, fields)) return false;
  removeFile(templateFile);
  if (!renameFile(work, templateFile)) {
    fileFault("CREARDBF", work, "no se puede renombrar " + work + " como " + templateFile + ": " + xb::engine::systemReason(errno));
    return false;
  }
  if (!hasMemoFields(fields)) return true;
  if (fileExists(Table::memoNameFor(templateFile))) return removeFile(Table::memoNameFor(work));
  return renameFile(Table::memoNameFor(work), Table::memoNameFor(templateFile));
}

// Removes a work table that could not be filled.
void dropWork(const std::string& work, const Structure& fields) {
  xb::engine::removeFile(work);
  if (hasMemoFields(fields)) xb::engine::removeFile(Table::memoNameFor(work));
}

// Creates the work table `work` with `fields` and fills it with the rows of
// `source` that are not deleted, field by field by name. False, with the
// work files removed, when that fails (the handler has seen why) or the
// handler ends the step meanwhile.
bool fillWork(const std::string& work, const Structure& fields, Table& source) {
  struct Drop {
    const std::string& work;
    const Structure& fields;
    bool keep = false;
    ~Drop() {
      if (!keep) dropWork(work, fields);
    }
  } drop{work, fields};
  if (!Table::create(work, fields)) return false;
  int64_t copied = -1;
  {
    auto target = Table::open(work, OpenMode::Exclusive);
    if (!target) return false;
    copied = Table::appendFrom(*target, source);
    target->commit();
  }
  drop.keep = copied >= 0;
  return drop.keep;
}


}  // namespace

xb::Value structureFromText(std::string_view text) {
  if (text.size() < kWholeTextBelow) return xb::evaluate(text);
  xb::Array out;
  std::string_view rest = text;
  while (!rest.empty() && rest.front() != '}') {
    const size_t p = rest.find('}');
    if (p == std::string_view::npos) break;
    out.push_back(xb::EVALUA(rest.substr(1, p)));
    rest.remove_prefix(p + 1);
  }
  return xb::Value::array(std::move(out));
}

xb::Value CREARDBF(std::string_view templateName, bool keepTemplate) {
  auto& areas = workAreas();
  const xb::engine::SelectGuard keep(areas, areas.selected());
  const std::string folder = fileNameValue("G_CAMINO");
  const std::string templateFile = folder + std::string(templateName);
  xb::Value structure = xb::Value::array();
  int64_t rows = 0;
  bool fromDictionary = false;

  if (xb::engine::fileExists(folder + kDictionary) && ABRIR("QVRBASES", folder + kDictionary, "S")) {
    auto& d = areas.area();
    if (!xb::engine::fileExists(folder + kDictionaryIndexFile) && d.lockFile()) {
      d.createTag(folder + kDictionaryIndex, "Archivo", "_Field->Archivo");
      d.unlock();
    }
    if (SET_INDEX({folder + kDictionaryIndex}) && d.seek(xb::Value(xb::upper1252(templateName)))) {
      xb::Value text = d.fieldGet(std::string_view("ESTRUCTURA"));
      if (text.isText()) {
        structure = structureFromText(xb::trimRight(text.text()));
        fromDictionary = true;
      }
    }
    CERRAR();
  }
  if (!fromDictionary && xb::engine::fileExists(templateFile) && ABRIR("Z", templateFile, "S")) {
    auto& z = areas.area();
    structure = structureList(z.structure());
    rows = z.reccount();
    CERRAR();
  }

  if (!keepTemplate && rows == 0) {
    const auto fields = fieldsOf(structure);
    if (fields && !fields->empty()) createTemplate(folder + kRestructureWork, templateFile, *fields);
  }
  return structure;
}

bool CREA_FIC(const xb::Value& wanted, const std::string& table, const std::string& folder) {
  auto& areas = workAreas();
  const xb::engine::SelectGuard keep(areas, areas.selected());
  const xb::Value list = wanted.isText() ? CREARDBF(wanted.text()) : wanted;
  const auto fields = fieldsOf(list);
  if (!fields || fields->empty()) return true;
  const std::string work = folder + kRestructureWork;

  if (!xb::engine::fileExists(table)) {
    createThrough(work, table, *fields, "CREA_FIC");
    return true;
  }
  {
    xb::setNetError(false);
    const auto current = Table::open(table, OpenMode::ReadOnly);
    if (!current && !xb::netError()) return true;
    if (current && IGUALEST(structureList(current->structure()), list)) return true;
  }
  // Held exclusively from here to the replacement, so that no other copy
  // has it open while its files are replaced.
  bool inUse = false;
  if (!USOEXCLUSIVO(table, "Destino", &inUse)) return !inUse;
  const ScopedArea transient(areas);
  const Structure old = areas.area().structure();
  if (IGUALEST(structureList(old), list)) return true;
  if (!fillWork(work, *fields, *areas.area().table())) return true;
  replaceWith(work, table, hasMemoFields(old), *fields, "CREA_FIC");
  return true;
}

bool PACA(const std::string& table) {
  if (!ABRIR("EL_ALIAS", table, "E")) {
    if (F_ERROR() != 0) return true;
    TABLAENUSO(table);
    return false;
  }
  const ScopedArea transient(workAreas());
  workAreas().area().pack();
  CERRAR();
  return true;
}

bool CRE_RES(std::string_view templateName, const std::string& table) {
  auto& areas = workAreas();
  const std::string folder = fileNameValue("G_CAMINO");
  const std::string work = folder + kRebuildWork;
  CREARDBF(templateName);
  areas.select(0);
  std::optional<Structure> fields;
  {
    const ScopedArea transient(areas);
    if (!areas.use(folder + std::string(templateName), "O_R_I_G_E", OpenMode::Shared)) return true;
    fields = areas.area().structure();
  }
  if (!xb::engine::fileExists(table)) {
    createThrough(work, table, *fields, "CRE_RES");
    return true;
  }
  bool inUse = false;
  if (!USOEXCLUSIVO(table, "EL_FILE", &inUse)) return !inUse;
  const ScopedArea held(areas);
  const bool oldHasMemo = hasMemoFields(areas.area().structure());
  if (!fillWork(work, *fields, *areas.area().table())) return true;
  replaceWith(work, table, oldHasMemo, *fields, "CRE_RES");
  return true;
}

}  // namespace qv
