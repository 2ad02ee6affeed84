#include "labels/edit_history.h"

namespace lb {

void EditHistory::push(EditorState s, const std::string& mergeKey) {
  if (s.design == now().design) {
    states_[index_].selected = s.selected;
    return;
  }
  states_.resize(index_ + 1);
  if (saved_ != kGone && saved_ > index_) saved_ = kGone;
  if (!mergeKey.empty() && mergeKey == lastKey_ && index_ > 0 && index_ != saved_) {
    states_[index_] = std::move(s);
  } else {
    states_.push_back(std::move(s));
    ++index_;
  }
  lastKey_ = mergeKey;
}

bool EditHistory::undo() {
  if (!canUndo()) return false;
  --index_;
  lastKey_.clear();
  return true;
}

bool EditHistory::redo() {
  if (!canRedo()) return false;
  ++index_;
  lastKey_.clear();
  return true;
}

void EditHistory::reset(EditorState s) {
  states_.assign(1, std::move(s));
  index_ = saved_ = 0;
  lastKey_.clear();
}

}  // namespace lb
