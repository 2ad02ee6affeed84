#include "data/mantenimiento.h"

#include <algorithm>
#include <vector>

#include "data/abrir.h"
#include "data/catalog.h"
#include "data/engine/os_file.h"
#include "data/engine/workspace.h"
#include "data/estructuras.h"
#include "data/scoped_area.h"
#include "xbase/prompt.h"

namespace qv {

using xb::engine::workAreas;

namespace {

constexpr int kTables = 3;

// One data table as the maintenance sees it.
struct MaintainedTable {
  const char* templateName;
  const char* tableValue;  // file-name value of the table
  const char* indexValue;  // file-name value of its index file
  std::vector<StartupTag> tags;  // same shape as start-up's, with the maintenance keys
};

const std::vector<MaintainedTable>& maintainedTables() {
  static const std::vector<MaintainedTable> tables = {
      {"LABELS.INI", "LABELS", "LABELSX", {{"Nombre", "NOMBRE", false}}},
      {"CODPROE.INI", "CODETI", "CODETIX", {{"NumEtiUn", "NUMERO_ETI", true}, {"NumEti", "NUMERO_ETI", false}}},
      {"CODPRO.INI", "CODPRO", "CODPROX", {{"Codigo", "CODIGO+DGCNT", false}}},
  };
  return tables;
}

class NoDialog : public ProgressRun {
 public:
  void run(const std::string&, const std::string&, const std::function<void(ProgressSink&)>& action) override {
    class Discard : public ProgressSink {
     public:
      void setTotal(int) override {}
      void set(int) override {}
      void setText(const std::string&) override {}
    } sink;
    action(sink);
  }
};

ProgressRun& noDialog() {
  static NoDialog none;
  return none;
}

ProgressRun*& installed() {
  static ProgressRun* run = &noDialog();
  return run;
}

std::vector<std::string>& skipped() {
  static std::vector<std::string> tables;
  return tables;
}

bool isSkipped(const std::string& table) {
  return std::find(skipped().begin(), skipped().end(), table) != skipped().end();
}

// Runs `work` on each table in order, with the meter and text line set and
// window messages processed before each one. A table another copy holds
// open is left as it is: `work` answers false for it, and it is passed over
// by the later steps of the maintenance.
void eachTable(ProgressSink& meter, const char* verb, const std::function<bool(const MaintainedTable&)>& work) {
  meter.setTotal(kTables);
  int k = 0;
  for (const MaintainedTable& t : maintainedTables()) {
    meter.set(++k);
    const std::string table = fileNameValue(t.tableValue);
    meter.setText(verb + table);
    xb::prompter().processEvents();
    if (isSkipped(table)) continue;
    if (!work(t)) skipped().push_back(table);
  }
}

}  // namespace

ProgressRun& progressRun() { return *installed(); }

const std::vector<std::string>& skippedTables() { return skipped(); }

ProgressRun* setProgressRun(ProgressRun* run) {
  ProgressRun* previous = installed();
  installed() = run ? run : &noDialog();
  return previous;
}

void INIBASES(ProgressSink& meter) {
  auto& areas = workAreas();
  const xb::engine::SelectGuard keep(areas, areas.selected());
  areas.select(0);
  const std::string folder = fileNameValue("G_CAMINO");
  eachTable(meter, "Procesando ", [&](const MaintainedTable& t) {
    return CREA_FIC(xb::Value(t.templateName), fileNameValue(t.tableValue), folder);
  });
}

void PACKBASES(ProgressSink& meter) {
  auto& areas = workAreas();
  const xb::engine::SelectGuard keep(areas, areas.selected());
  areas.select(0);
  eachTable(meter, "Compactando ", [](const MaintainedTable& t) { return PACA(fileNameValue(t.tableValue)); });
}

void RECO_BASES(ProgressSink& meter) {
  workAreas().select(0);
  const std::string folder = fileNameValue("G_CAMINO");
  eachTable(meter, "Procesando ", [&](const MaintainedTable& t) {
    const bool done = CRE_RES(t.templateName, fileNameValue(t.tableValue));
    xb::engine::removeFile(folder + t.templateName);
    return done;
  });
  progressRun().run("Reindexando datos...", "Por favor espere.....", INDEXBASES);
  workAreas().closeAll();
  openRegistry() = OpenRegistry();
}

void INDEXBASES(ProgressSink& meter) {
  workAreas().select(0);
  eachTable(meter, "Reindexando ", [](const MaintainedTable& t) {
    const std::string table = fileNameValue(t.tableValue), index = fileNameValue(t.indexValue);
    // The index file goes only while the table is held exclusively, so
    // that no other copy keeps using the old one.
    auto& areas = workAreas();
    const xb::engine::SelectGuard keep(areas, areas.selected());
    bool inUse = false;
    if (!USOEXCLUSIVO(table, "EL_FILE", &inUse)) return !inUse;
    const ScopedArea held(areas);
    xb::engine::removeFile(index);
    for (const StartupTag& tag : t.tags) areas.area().createTag(index, tag.name, tag.key, "!Deleted()", tag.unique);
    return true;
  });
}

void AUTOMANTEN() {
  if (xb::prompter().alert("Proceder con Automantenimiento General ?", {"&Continuar", " &Salir  "}, "Atención", 1) != 1)
    return;
  closeAllTables();
  openRegistry() = OpenRegistry();
  skipped().clear();
  progressRun().run("Procesando datos...", "Por favor espere", INIBASES);
  progressRun().run("Procesando datos...", "Por favor espere.....", PACKBASES);
  progressRun().run("Procesando datos...", "Por favor espere.....", RECO_BASES);
  ABREBASES();
  if (skipped().empty()) return;
  std::string names;
  for (const std::string& t : skipped()) names += (names.empty() ? "" : ", ") + QUITAR_CAM(t);
  xb::prompter().alert("Automantenimiento terminado. Tablas en uso por otra copia del programa, que quedan como "
                       "estaban: " + names + ".",
                       {"&Aceptar"}, "Atención.....", 1);
}

}  // namespace qv
