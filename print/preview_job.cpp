#include "print/preview_job.h"

#include "print/preview.h"
#include "print/printer.h"

namespace pr {

void PRINTEND() {
  std::shared_ptr<TPRINTER> p = takeCurrentPrinter();
  if (!p) return;
  if (p->lMeta() && p->PreviewReady()) {
    RPREVIEW(std::move(p));
  } else {
    p->End();
  }
}

}  // namespace pr
