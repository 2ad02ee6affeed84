// The label designs of an open design table, as the design editor reads and
// writes them: every design a group of records with one NUMERO_ETI, read in
// the area's order (the tag NumEti: by number, then by record number), its
// header first. Writing keeps the table's rules: designs numbered 1, 2, 3 …
// without gaps, the header the first record of its design, the ULTIMA mark
// on the header it was on.
//
// Locks: a design being edited is held by the row lock of its header (taken
// with waitLock, lock_wait.h), so another copy that wants to edit it is
// told the record is locked. Saving a design adds the locks of its items;
// creating, importing and deleting designs, which number or renumber them,
// take the table's file lock, which is refused while any copy holds a
// design. Every refusal is waited for and asked about as lock_wait.h says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/tables.h"
#include "labels/design_item.h"

namespace lb {

// One design of the table: its number, its records in order (the header
// first), its name as stored (Windows-1252, trimmed) and its ULTIMA mark.
struct DesignEntry {
  int number = 0;
  std::vector<int64_t> records;
  std::string name;
  bool ultima = false;
  int64_t header() const { return records.empty() ? 0 : records.front(); }
};

// The designs of the area from its top; deleted and filtered records are
// not read (the caller clears a filter first).
std::vector<DesignEntry> readDesignEntries(qv::WorkArea& a);

// Every field value of each record of a design, in field order.
std::vector<LabelRow> designRows(qv::WorkArea& a, const DesignEntry& e);

// Holds design `e` for editing: the lock of its header is added to the
// area's locks. False when the wait was given up.
bool holdDesign(qv::WorkArea& a, const DesignEntry& e);
// Lets go of a design held.
void releaseDesign(qv::WorkArea& a, const DesignEntry& e);

// Writes `design` into the records of design `e`, which the caller holds:
// the header takes the name, the items fill the design's records in order,
// items beyond them are appended with the design's number and records
// beyond the items are deleted. False, with nothing written, when the lock
// of a record was not had. `e` is updated to the records the design now
// has; the header stays held, the other locks are released.
bool saveDesign(qv::WorkArea& a, DesignEntry& e, const LabelDesign& design);

// Appends `design` as the design after the last, under the file lock; the
// number it got, 0 when the lock was not had. It carries no ULTIMA mark.
int appendDesign(qv::WorkArea& a, const LabelDesign& design);

// Deletes design `number` and numbers the designs after it one less (all
// designs end numbered 1, 2, 3 … in their order), under the file lock;
// the ULTIMA marks stay on their headers. False when the lock was not had
// or there is no such design.
bool deleteDesign(qv::WorkArea& a, int number);

// A design file: a table of the design's records with the design table's
// structure, numbered 1, without index. `exportDesign` writes it (an
// existing file is replaced); `importDesign` reads the first design of a
// file, its fields matched by name (a file from before a field was added
// reads that field blank), and appends it as a new design. The import's
// number, 0 when it was not had; `error` tells why (UTF-8).
bool exportDesign(qv::WorkArea& a, int number, const std::string& file, std::string* error = nullptr);
int importDesign(qv::WorkArea& a, const std::string& file, std::string* error = nullptr);
// The first design of a design file, without adding it anywhere.
std::optional<LabelDesign> readDesignFile(const std::string& file, std::string* error = nullptr);

}  // namespace lb
