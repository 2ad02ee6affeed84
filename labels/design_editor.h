// The design editor's rules, without a window: the designs of the design
// table (new, copy, rename, delete, import, export), the design being
// edited with its items in print order, its undo history, the checks that
// stand before saving, and the rows the preview draws. The dialog
// (design_dialog.h) only shows this state and forwards what the user does.
//
// The editor works on the design table open as `designAlias` (the
// generator's DATOSETI, whose filter it clears) and previews with the
// product table open as `productAlias`. A design it edits is held (see
// design_table.h) from the moment it is opened until another is opened or
// the editor ends, so that another copy is told the design is being edited.
// A new design or a copy is only in the editor until it is saved.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "labels/design_table.h"
#include "labels/edit_history.h"

namespace lb {

inline constexpr const char* kEditorTitle = "Atención.....";
inline constexpr const char* kNewDesignName = "NUEVO DISEÑO";

class DesignEditor {
 public:
  DesignEditor(std::string designAlias, std::string productAlias);
  ~DesignEditor();
  DesignEditor(const DesignEditor&) = delete;
  DesignEditor& operator=(const DesignEditor&) = delete;

  const std::vector<DesignEntry>& designs() const { return designs_; }
  // The number of the design edited; 0 for a new one not saved yet.
  int number() const { return number_; }
  const std::string& productAlias() const { return productAlias_; }
  void setProductAlias(std::string alias) { productAlias_ = std::move(alias); }

  // Edits design `number`: held, loaded, its history started. False (the
  // editor stays as it was) when it is not there or its hold was given up.
  // Changes not saved are dropped: the caller asks first.
  bool open(int number);
  // Starts a new design, empty, or a copy of the one edited ("Copia de …").
  void startNew();
  void startCopy();
  // Deletes design `number` and renumbers the rest; the editor goes on with
  // the design it had (a new one when that was the one deleted).
  bool remove(int number);
  // Adds the first design of a design file as a new design and opens it;
  // exports the design edited as saved. False with `error` set otherwise.
  bool importFile(const std::string& file, std::string* error);
  bool exportFile(const std::string& file, std::string* error) const;

  // Writes the design (a new one becomes the last design). Refused with a
  // message when an item would not print (see problem()); false too when a
  // lock was not had.
  bool save();
  // The first reason the design cannot be saved (UTF-8), empty when none.
  std::string problem() const;

  // --- The design edited ---------------------------------------------------
  const LabelDesign& design() const { return history_.now().design; }
  int selected() const { return history_.now().selected; }
  const DesignItem* selectedItem() const;
  void select(int item);
  void rename(const std::string& name);
  // Adds an item of a kind (newItem) after the one selected, and selects it.
  void addItem(char kind);
  void removeItem();
  // Moves the selected item one place up (-1) or down (+1).
  void moveItem(int delta);
  // Changes the selected item; changes with the same `key` one after the
  // other (one property being typed) are one step to undo.
  void change(const std::function<void(DesignItem&)>& edit, const std::string& key = {});

  bool canUndo() const { return history_.canUndo(); }
  bool canRedo() const { return history_.canRedo(); }
  void undo() { history_.undo(); }
  void redo() { history_.redo(); }
  bool dirty() const { return history_.dirty() || number_ == 0; }

  // The design's records as the print run reads them, the product's
  // symbology in each (labelSheetRows).
  std::vector<LabelRow> rows() const;

 private:
  qv::WorkArea* area() const;
  void reload();
  void letGo();
  DesignEntry* entry();
  void edit(EditorState s, const std::string& key = {});

  std::string alias_;
  std::string productAlias_;
  std::vector<DesignEntry> designs_;
  int number_ = 0;
  int64_t held_ = 0;  // header record held, 0 none
  EditHistory history_;
};

}  // namespace lb
