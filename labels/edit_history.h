// The undo history of the design editor: every change is a new state of
// the design (with the item selected), kept in order, so that undo and redo
// step through them and the editor knows whether the design differs from
// the one last saved. Changes of one property typed in one go (a key
// given with each) are one step.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "labels/design_item.h"

namespace lb {

struct EditorState {
  LabelDesign design;
  int selected = -1;  // 0-based item, -1 none
  bool operator==(const EditorState&) const = default;
};

class EditHistory {
 public:
  explicit EditHistory(EditorState start = {}) { reset(std::move(start)); }

  const EditorState& now() const { return states_[index_]; }

  // A change: the states after the present one are dropped. A change with
  // the key of the change just before it replaces that one's state (unless
  // that state is the one saved); a state equal to the present one is no
  // change.
  void push(EditorState s, const std::string& mergeKey = {});
  // A new selection alone is no change to undo: it replaces the present
  // state's selection.
  void select(int item) { states_[index_].selected = item; }

  bool canUndo() const { return index_ > 0; }
  bool canRedo() const { return index_ + 1 < states_.size(); }
  bool undo();
  bool redo();

  // The present state is the one saved.
  void markSaved() { saved_ = index_; }
  bool dirty() const { return saved_ >= states_.size() || !(states_[saved_].design == now().design); }
  // Starts again from `s`, saved.
  void reset(EditorState s);

 private:
  std::vector<EditorState> states_;
  size_t index_ = 0;
  size_t saved_ = 0;  // kGone once the saved state was dropped
  static constexpr size_t kGone = size_t(-1);
  std::string lastKey_;
};

}  // namespace lb
