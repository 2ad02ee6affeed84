// The work areas of the run: numbered slots 1 to 255, each holding at most
// one open table under an alias, one of them selected. Operations without an
// alias act on the selected area.
//
// A WorkAreas object installs itself as the workspace expressions see
// (fields of the selected area and ALIAS->FIELD) and restores the previous
// one when destroyed. workAreas() is the program's own set.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "data/engine/workarea.h"
#include "xbase/expr.h"

namespace xb::engine {

// Run-wide setting: deleted rows are invisible to navigation, seeks,
// filters, locate and row loops. Off until set.
void setDeletedHidden(bool on);
bool deletedHidden();

// Run-wide setting: how long one attempt at an index file's lock keeps
// trying while another process holds it (CdxFile::setLockWait) for the
// index files work areas attach from now on; a write makes a few attempts
// before it is refused. Default 1000 ms.
void setIndexLockWait(int milliseconds);
int indexLockWait();

class WorkAreas : public xb::Workspace {
 public:
  static constexpr int kAreas = 255;

  WorkAreas();
  ~WorkAreas() override;
  WorkAreas(const WorkAreas&) = delete;
  WorkAreas& operator=(const WorkAreas&) = delete;

  // Selects area n (1..255); 0 selects the first free area. Returns the
  // area now selected; out-of-range numbers are run-time errors.
  int select(int n);
  // Selects the area holding `alias` (case-insensitive); 0 and no change
  // when none holds it.
  int select(std::string_view alias);
  int selected() const { return selected_; }

  WorkArea& area() { return *areas_[selected_ - 1]; }
  WorkArea& area(int n);
  // The area holding `alias`, or nullptr.
  WorkArea* find(std::string_view alias);
  // Number of the area holding `alias`, 0 when none.
  int areaOf(std::string_view alias) const;

  // Opens a table in the selected area (closing what it held). An alias
  // already used by another area is a run-time error.
  bool use(const std::string& path, std::string_view alias = {}, OpenMode mode = OpenMode::Shared);
  // Closes the selected area.
  void close();
  // Closes every area, releasing every index and lock.
  void closeAll();
  // Writes every area's pending changes.
  void commitAll();

  // xb::Workspace
  xb::RowSource* current() override;
  xb::RowSource* byAlias(std::string_view alias) override;

 private:
  std::array<std::unique_ptr<WorkArea>, kAreas> areas_;
  int selected_ = 1;
  xb::Workspace* previous_ = nullptr;
};

// The program's work areas (created, and installed for expressions, on
// first use).
WorkAreas& workAreas();

// Selects an area for the life of the guard and restores the previously
// selected one afterwards.
class SelectGuard {
 public:
  SelectGuard(WorkAreas& set, int n);
  SelectGuard(WorkAreas& set, std::string_view alias);
  ~SelectGuard();
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  // Whether the alias was found (always true for a number).
  bool ok() const { return ok_; }

 private:
  WorkAreas& set_;
  int previous_;
  bool ok_ = true;
};

}  // namespace xb::engine
