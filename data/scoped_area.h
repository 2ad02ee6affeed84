// A work area opened for one step of a data routine: whatever happens in
// the step (a run-time error the handler answers by throwing included),
// the area is closed when the guard goes out of scope, so no transient
// alias (EL_FILE, Destino, bb, O_R_I_G_E) outlives the routine.
#pragma once

#include "data/engine/workspace.h"

namespace qv {

class ScopedArea {
 public:
  // Guards the area selected now.
  explicit ScopedArea(xb::engine::WorkAreas& areas) : areas_(areas), number_(areas.selected()) {}
  ~ScopedArea() {
    if (areas_.area(number_).used()) areas_.area(number_).close();
  }
  ScopedArea(const ScopedArea&) = delete;
  ScopedArea& operator=(const ScopedArea&) = delete;

 private:
  xb::engine::WorkAreas& areas_;
  int number_;
};

}  // namespace qv
