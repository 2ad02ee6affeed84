#include "data/mantenimiento.h"

#include <vector>

#include "data/abrir.h"
#include "data/catalog.h"
#include "data/engine/os_file.h"
#include "data/engine/workspace.h"
#include "data/estructuras.h"
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

// Runs `work` on each table in order, with the meter and text line set and
// window messages processed before each one.
void eachTable(ProgressSink& meter, const char* verb, const std::function<void(const MaintainedTable&)>& work) {
  meter.setTotal(kTables);
  int k = 0;
  for (const MaintainedTable& t : maintainedTables()) {
    meter.set(++k);
    meter.setText(verb + fileNameValue(t.tableValue));
    xb::prompter().processEvents();
    work(t);
  }
}

}  // namespace

ProgressRun& progressRun() { return *installed(); }

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
    CREA_FIC(xb::Value(t.templateName), fileNameValue(t.tableValue), folder);
  });
}

void PACKBASES(ProgressSink& meter) {
  auto& areas = workAreas();
  const xb::engine::SelectGuard keep(areas, areas.selected());
  areas.select(0);
  eachTable(meter, "Compactando ", [](const MaintainedTable& t) { PACA(fileNameValue(t.tableValue)); });
}

void RECO_BASES(ProgressSink& meter) {
  workAreas().select(0);
  const std::string folder = fileNameValue("G_CAMINO");
  eachTable(meter, "Procesando ", [&](const MaintainedTable& t) {
    CRE_RES(t.templateName, fileNameValue(t.tableValue));
    xb::engine::removeFile(folder + t.templateName);
  });
  progressRun().run("Reindexando datos...", "Por favor espere.....", INDEXBASES);
  workAreas().closeAll();
  openRegistry() = OpenRegistry();
}

void INDEXBASES(ProgressSink& meter) {
  workAreas().select(0);
  eachTable(meter, "Reindexando ", [](const MaintainedTable& t) {
    const std::string table = fileNameValue(t.tableValue), index = fileNameValue(t.indexValue);
    xb::engine::removeFile(index);
    for (const StartupTag& tag : t.tags) INDEXA(table, index, tag.key, tag.name, tag.unique);
  });
}

void AUTOMANTEN() {
  if (xb::prompter().alert("Proceder con Automantenimiento General ?", {"&Continuar", " &Salir  "}, "Atención", 1) != 1)
    return;
  closeAllTables();
  openRegistry() = OpenRegistry();
  progressRun().run("Procesando datos...", "Por favor espere", INIBASES);
  progressRun().run("Procesando datos...", "Por favor espere.....", PACKBASES);
  progressRun().run("Procesando datos...", "Por favor espere.....", RECO_BASES);
  ABREBASES();
}

}  // namespace qv
