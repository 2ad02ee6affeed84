// The general self-maintenance of the three data tables (Labels.dbf,
// CodPro.Eti, CodPro.dbf, in that order): structure check against the
// structure dictionary, pack, rebuild and re-index, each step inside a
// progress dialog, then the tables open again as at start-up.
//
// The progress dialog is a seam: the program installs a ProgressRun that
// shows the dialog (MSGMETER with its meter) and runs the action inside it;
// without one the actions run with no dialog.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qv {

// The meter and text line of a progress dialog, as the action sees them.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void setTotal(int total) = 0;
  virtual void set(int value) = 0;
  virtual void setText(const std::string& text) = 0;
};

// Runs an action inside a modal progress dialog with `title`, the text
// line `text` and a meter (total 10 until the action sets it). The dialog
// cannot be closed while the action runs and closes when it returns.
class ProgressRun {
 public:
  virtual ~ProgressRun() = default;
  virtual void run(const std::string& text, const std::string& title,
                   const std::function<void(ProgressSink&)>& action) = 0;
};

// The installed progress dialog (never null); installing nullptr restores
// the one that runs actions without a dialog. Returns the previous one.
ProgressRun& progressRun();
ProgressRun* setProgressRun(ProgressRun* run);

// The structure check: CREA_FIC of each table against its template
// (LABELS.INI, CODPROE.INI, CODPRO.INI), text "Procesando " + file.
void INIBASES(ProgressSink& meter);
// PACA of each table, text "Compactando " + file; a table whose retry the
// user declines stays unpacked and the next one follows.
void PACKBASES(ProgressSink& meter);
// CRE_RES of each table from its template, which is deleted afterwards,
// text "Procesando " + file; then INDEXBASES in a progress dialog
// "Reindexando datos..." / "Por favor espere....." and every table closed.
void RECO_BASES(ProgressSink& meter);
// Deletes each table's index file and builds its tags anew (INDEXA), text
// "Reindexando " + file: Labelsx.cdx Nombre "NOMBRE"; CodEti.cdx NumEtiUn
// "NUMERO_ETI" unique and NumEti "NUMERO_ETI"; CodiProx.cdx Codigo
// "CODIGO+DGCNT"; every tag with the condition "!Deleted()".
void INDEXBASES(ProgressSink& meter);

// The tables the maintenance left as they were because another copy of
// the program had them open, in the order met; cleared when AUTOMANTEN
// starts.
const std::vector<std::string>& skippedTables();

// Asks "Proceder con Automantenimiento General ?" (&Continuar / &Salir);
// on Continuar closes every table, runs INIBASES, PACKBASES and RECO_BASES
// each in its progress dialog, and opens the tables again as at start-up
// (ABREBASES). Salir or a closed box changes nothing. A table another copy
// holds open is left as it is by every step (each step says so), and the
// end of the maintenance names the tables so left.
void AUTOMANTEN();

}  // namespace qv
