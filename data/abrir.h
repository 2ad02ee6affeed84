// Opening tables with retry, the open registry, and the small helpers on
// file names and aliases.
//
// The open registry keeps, for each work area: INDICES, the index files set
// on it as one text (names joined by single blanks; a single blank when
// none); ABIERTA, whether ABRIR found the alias already open there; ULT_REC
// and ULT_IND, the record and the INDICES text saved at that moment, which
// CERRAR restores. F_ERROR is the open-error flag (0: none): ABRIR and
// SET_INDEX reset it and set it to 1 when an open or an index file fails
// for any reason other than sharing.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/engine/workspace.h"

namespace qv {

struct OpenRegistry {
  static constexpr int kSlots = xb::engine::WorkAreas::kAreas + 1;  // indexed by area number
  std::array<std::string, kSlots> INDICES;
  std::array<bool, kSlots> ABIERTA{};
  std::array<int64_t, kSlots> ULT_REC{};
  std::array<std::string, kSlots> ULT_IND;
  // Whether ABRIR opened the table of area n itself: CERRAR closes only
  // such areas, so that no CERRAR closes a table someone else opened
  // (start-up's, say), however often it is called.
  std::array<bool, kSlots> PROPIA{};
  OpenRegistry() { INDICES.fill(" "); ULT_IND.fill(" "); }
};
// The registry of the run.
OpenRegistry& openRegistry();

// The open-error flag.
int F_ERROR();
void setF_ERROR(int value);

// The pause between two open attempts of ABRIR: one second, ended early
// by window messages (a key press). Tests install their own; an empty
// function restores the real one. Returns the previous wait.
using RetryWait = std::function<void()>;
RetryWait setRetryWait(RetryWait wait);

// Opens `file` under `alias` in the first free area, exclusive when `mode`
// begins with "E" (either case), shared otherwise, and sets up to six index
// files. The alias is the private value YALIAS meanwhile.
// - Alias already open: two beeps, the box "Atención..... Alias   << alias
//   >>   ya está en uso.....", that area selected, its record and index text
//   saved in the registry for CERRAR, ABIERTA set, the area on its first
//   row; false.
// - Sharing refusals: series of two attempts one second apart; after each
//   series CGBELL and DECIS("FICHERO <name> NO ESTA DISPONIBLE. ¿ Desea
//   reintentar ?"); No or a closed box gives false.
// - Any other failure (through the error hook) closes the area; false.
// True when the table is open and its index files set.
bool ABRIR(std::string_view alias, const std::string& file, std::string_view mode,
           const std::vector<std::string>& indexes = {});

// Whether the alias (case aside) is open in one of the areas 1 to 15.
bool USADA(std::string_view alias);

// Replaces the current area's index files by the first (at most six)
// `names`, the first one controlling, and records them in INDICES. No names:
// the area is left without index files and INDICES unchanged. True when
// F_ERROR is 0.
bool SET_INDEX(const std::vector<std::string>& names);

// Closes the current area (or the area of `alias` when given; nothing when
// that alias is not open) and clears its registry entry. An area that ABRIR
// found already open stays open and gets back its index files and record
// (RECU_IND); an area ABRIR did not open itself is never closed here.
void CERRAR(std::string_view alias = {});
// Sets the index files and the record CERRAR saved for the current area.
void RECU_IND();

// Opens `table` exclusive in the first free area under `alias` (then
// selected), for a step that rewrites or replaces its files: restructure,
// rebuild, pack, re-index. When another copy of the program has the table
// open it is left as it is, the stop box "La tabla <name> está en uso por
// otra copia del programa: se deja como está." (title "Atención.....")
// says so, and *inUse and the network-error flag are set. False when the
// table is not open.
bool USOEXCLUSIVO(const std::string& table, std::string_view alias, bool* inUse = nullptr);
// The stop box of USOEXCLUSIVO for `table`.
void TABLAENUSO(const std::string& table);

// Builds the tag `tag` on `key` in the index file `bag` of `table` (opened
// exclusive under the alias EL_FILE in a new area, closed again), with the
// condition "!Deleted()", unique when asked. The current area is kept.
// False when another copy has the table open (USOEXCLUSIVO): nothing built.
bool INDEXA(const std::string& table, const std::string& bag, const std::string& key, const std::string& tag,
            bool unique = false);

// The base name of a path: folders removed, text from the first "."
// removed, padded with blanks or cut to 8 characters.
std::string NAME(std::string_view path);
// The path without its folders.
std::string QUITAR_CAM(std::string_view path);
// The name without its extension (everything from the first ".").
std::string QUITAR_EXT(std::string_view name);

// Closes the area holding `alias` (case aside) after the message "Cierra";
// the current area stays selected.
void REGULAAREA(std::string_view alias);
// `prefix` followed by the next number of the alias counter as 4 digits;
// the first name issued ends in "0002".
std::string GETNEWALIAS(std::string_view prefix);
// Seeks `key` in the current area: when DUPLICA, the stop message
// label + " ya existe" and false, else true. The current record is kept.
bool CHKDUP(const xb::Value& key, const std::string& label);
// After a seek: a row was found and it is not row LREG (LREG -1, or no
// LREG: a row being added).
bool DUPLICA();
// An information box listing the used areas among 1 to 20, one line
// "Area #: " + number right-aligned in 10 + " - " + alias, after `title`.
void CHECKALIAS(std::string_view title = {});

}  // namespace qv
