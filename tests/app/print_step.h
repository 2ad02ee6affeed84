// The tests' seam in the save of a product code: a step that runs in place
// of the label generator, so a test drives a save without printing. An empty
// step puts the generator back; the step replaced is answered (empty for the
// generator). Defined with the save (app/code_save.cpp).
#pragma once

#include <functional>

namespace qv {

using PrintStep = std::function<void()>;
PrintStep setPrintStep(PrintStep step);

}  // namespace qv
