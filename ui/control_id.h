// Controls of a dialog template are found by their numeric control ID, kept
// in the form file as the dynamic property "ctlId" of each control.
#pragma once

class QWidget;

namespace ui {

// The name of the property that holds a control's ID.
inline constexpr const char* kControlIdProperty = "ctlId";

// The child of `dialog` (at any depth) whose control ID is `id`; nullptr
// when there is none.
QWidget* controlById(QWidget* dialog, int id);

}  // namespace ui
