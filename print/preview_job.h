// The hand-over of a finished print job to the preview, on the preview's
// side: the printer device records pages and knows nothing of the window
// that shows them.
#pragma once

namespace pr {

// Ends the current job: a preview-mode job with pages goes to the preview
// (RPREVIEW), which owns it from then on; any other job ends (End). Then
// there is no current printer.
void PRINTEND();

}  // namespace pr
