// The design editor's window: the designs of the table with new, copy,
// delete, import and export; the items of the design edited in print order
// with add, remove, up and down; the properties of the item selected in a
// form; the live preview drawn by the print run's layout on the format
// chosen in the generator, with the fit check's findings outlined; save,
// undo, redo. Its rules are those of DesignEditor (design_editor.h); the
// window only shows them.
#pragma once

#include <memory>
#include <string>

#include "labels/label_layout.h"

class QDialog;

namespace lb {

inline constexpr const char* kDesignEditorTitle = "Diseño de etiquetas";
inline constexpr const char* kUnsavedQuestion = "El diseño tiene cambios sin guardar. ¿ Desea guardarlos ?";

class DesignDialog;

// The editor on the design table open as designAlias, previewing with the
// first product in range of productAlias (or a sample product) on the
// format `run`, opened on design `number` (0: a new design). Not shown yet.
std::unique_ptr<DesignDialog> openDesignEditor(const std::string& designAlias, const std::string& productAlias,
                                               int number, const LabelRunValues& run);

// The editor, modal; the number of the design it was left on (0 when it
// was left on a new design not saved).
int DISENAETIQ(const std::string& designAlias, const std::string& productAlias, int number,
               const LabelRunValues& run);

class DesignEditor;
struct DesignWindow;

class DesignDialog {
 public:
  ~DesignDialog();
  QDialog* dialog() const;
  DesignEditor& editor();
  // Runs the window modally; the design it was left on.
  int exec();

 private:
  friend std::unique_ptr<DesignDialog> openDesignEditor(const std::string&, const std::string&, int,
                                                        const LabelRunValues&);
  DesignDialog();
  std::unique_ptr<DesignWindow> p_;
};

}  // namespace lb
