// Saving a product code, printing it without keeping it, and deleting a
// record: what the code screens' buttons do with the product-code record.
//
// A record is known by its key CODIGO+DGCNT. Codes with a check digit of
// their own (options 1 to 3) keep the body in CODIGO and the digit in DGCNT;
// codes kept whole (options 4 to 8) keep the code in CODIGO and an empty
// DGCNT, so their key is the code padded to 25 followed by a blank. A save
// finds, replaces and prints exactly the records of that whole key: a code
// kept whole never replaces, nor prints with, a record of a check-digit code
// whose body reads the same ("123" under Code 39 and the EAN-13 "123...4"
// are different codes).
#pragma once

#include <string>

namespace qv {

inline constexpr const char* kDeleteQuestion = "Seguro desea borrar registro ?";
inline constexpr const char* kDeleteYes = "  &Si  ";
inline constexpr const char* kDeleteNo = "  &No  ";
inline constexpr const char* kDeleteTitle = "Atención......";

// Validates cCodigo for option nOption (1 to 8); a rejected code (an empty
// one too, whatever the option) gets its stop box and nothing is written.
// Otherwise the records of its key are replaced by one record holding the code, cDesc and the option's TIPOBAR,
// with NUMETI the count of the keys left plus one; the table is written to
// disk, cBusqueda holds the record's key and the print step runs. cCodigo
// is the same afterwards as before.
//
// With lSoloImpri set (print only) the written record is kept only when
// lModifica is set and it replaced a stored record (page 1's found code is
// rewritten). Otherwise it is removed after the print step, and records of
// the same key stored before are kept as they were: they are hidden during
// the print step, so that the label run prints the code as the dialog
// gives it.
void GRABADATO(const std::string& cDesc, int nOption);

// lSoloImpri is set only while one print-only save runs: for the life of
// this object.
class PrintOnly {
 public:
  PrintOnly();
  ~PrintOnly();
  PrintOnly(const PrintOnly&) = delete;
  PrintOnly& operator=(const PrintOnly&) = delete;
};

// Prints the current product record with its own description and
// option as a print-only save of cCodigo (which page 1 found: the record
// is rewritten and kept).
void IMPRESOLO();

// Asks "Seguro desea borrar registro ?" and on "  &Si  " deletes the record
// on which the selected work area stands; true when it was deleted. With
// no record to delete (end of the table, or a record deleted already)
// nothing is asked and the answer is false.
bool BORRADATO();

}  // namespace qv
