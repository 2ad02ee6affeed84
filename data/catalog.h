// The table catalogue of the program: the file-name values, the run-wide
// table settings and the three working tables opened at start-up.
//
//   alias      table        index file     tags (key, condition)
//   Labels2    Labels.dbf   Labelsx.cdx    Nombre "_Field->NOMBRE" "!DELETED()"
//   DatosEti2  CodPro.eti   CodEti.cdx     NumEtiUn "_Field->NUMERO_ETI" "!DELETED()" unique,
//                                          NumEti   "_Field->NUMERO_ETI" "!DELETED()"
//   CodPro2    CodPro.dbf   CodiProx.cdx   Codigo "_Field->CODIGO+_Field->DGCNT" "!DELETED()",
//                                          filter "!Empty(TipoBar)"
//
// Files live in the folder G_CAMINO (empty: the working folder); names are
// matched without regard to case (Labelsx.cdx and LABELSX.CDX are one file).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The run-wide table settings: tables open shared unless asked otherwise,
// and deleted rows are hidden from every navigation and search. (Dates
// show as dd-mm-yyyy and two-digit years read from 1950 everywhere.)
void applyRunSettings();

// Declares the application-wide values G_CAMINO (the empty text) and
// LABELS, LABELSX, CODETI, CODETIX, CODPRO, CODPROX, then fills them with
// NOMBBASES().
void PUBLIBASES();
// Sets the six file-name values from G_CAMINO: Labels.dbf, Labelsx.cdx,
// CodPro.Eti, CodEti.cdx, CodPro.dbf, CodiProx.cdx.
void NOMBBASES();
// The text of a file-name value (LABELS, ..., G_CAMINO); empty when it does
// not exist.
std::string fileNameValue(std::string_view name);

// One index tag of a working table.
struct StartupTag {
  const char* name;
  const char* key;
  bool unique;
};
// One working table as start-up opens it.
struct WorkingTable {
  const char* alias;
  const char* table;
  const char* index;        // the name it is opened by
  const char* indexCreate;  // the name it is created by (the same file)
  std::vector<StartupTag> tags;
};
// The three working tables, in the order they are indexed and opened.
const std::vector<WorkingTable>& workingTables();
// The condition of every tag built at start-up.
inline constexpr const char* kStartupTagCondition = "!DELETED()";
// The filter of CodPro2.
inline constexpr const char* kCodPro2Filter = "!Empty(TipoBar)";

// Builds every missing index file of the working tables (an existing one is
// neither tested nor rebuilt), then opens the three tables shared in areas
// of their own with their index files (the first tag above active), sets the
// filter of CodPro2 and leaves CodPro2 selected on its first row. Failures
// go to the run-time error hook. Answers the index files it built.
std::vector<std::string> ABREBASES();

// Writes every pending table buffer and closes every work area.
void closeAllTables();

}  // namespace qv
