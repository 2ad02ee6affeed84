// Wanted structures from the structure dictionary, and the routines that
// create, restructure, rebuild and pack one table.
//
// The structure dictionary QVRBASES.INI (in G_CAMINO) holds one row per
// structure template: ARCHIVO, the upper-case template file name, and
// ESTRUCTURA, the structure as a list text {{"NAME","C",10,0},...}.
//
// Memo files: a table's memo file is its name with the last three characters
// replaced by FPT, so CodPro.dbf and CodPro.Eti share one memo name. These
// routines delete or rename a memo file only for a table whose own structure
// has memo fields, and create every table under a work name first, so the
// memo file of the other table of the pair is never touched.
#pragma once

#include <string>
#include <string_view>

#include "xbase/value.h"

namespace qv {

// The structure list of a structure text. A text shorter than 498
// characters is evaluated whole; a longer one element by element (each
// "{...}" on its own), which gives the same list for a well-formed text.
xb::Value structureFromText(std::string_view text);

// The wanted structure for a structure template (name in either case): the
// dictionary's row for it (QvrBases.cdx, tag Archivo, is built first when
// missing), or else the template file's own fields. Unless `keepTemplate`,
// when the structure came from the dictionary or the template has no rows,
// the template file is created anew, empty, with that structure. An empty
// list when neither the dictionary nor the template gives one.
xb::Value CREARDBF(std::string_view templateName, bool keepTemplate = false);

// Brings `table` to the wanted structure (CREARDBF of a template name, or
// a structure list). A missing table is created empty. A table whose
// structure already equals the wanted one is left untouched. Otherwise the
// rows that are not deleted go, field by field by name, into
// folder + TEMPORAL.DBF (dropped fields are lost, new fields stay empty,
// texts are cut to a narrower width), and only then are the old table and
// its memo file removed and the work files renamed over them; a failure in
// between leaves the data in the work table. An empty or invalid wanted
// structure leaves the table as it is. The current area is kept.
// False when another copy has the table open: it is left as it is
// (USOEXCLUSIVO tells the user); work files that could not be filled or
// replace nothing are removed.
bool CREA_FIC(const xb::Value& wanted, const std::string& table, const std::string& folder);

// Removes the deleted rows of `table`, opened exclusive through ABRIR under
// the alias EL_ALIAS; nothing when the open fails or the user declines to
// retry, which answers false (the table is in use by another copy).
bool PACA(const std::string& table);

// Rebuilds `table` with the structure of its template (re-created from the
// dictionary first) through G_CAMINO + TEMP_.DBF, as CREA_FIC does; a
// missing table is created empty with the template's structure. The table
// is held exclusively meanwhile; false when another copy has it open.
bool CRE_RES(std::string_view templateName, const std::string& table);

}  // namespace qv
