#include "labels/design_editor.h"

#include <algorithm>

#include "labels/design_check.h"
#include "labels/label_run.h"
#include "xbase/codepage.h"
#include "xbase/prompt.h"

namespace lb {
namespace {

std::string itemKindName(char kind) {
  switch (kind) {
    case kKindText: return "texto";
    case kKindBarcode: return "código de barras";
    case kKindPicture: return "imagen";
    default: return "de tipo desconocido";
  }
}

}  // namespace

DesignEditor::DesignEditor(std::string designAlias, std::string productAlias)
    : alias_(std::move(designAlias)), productAlias_(std::move(productAlias)) {
  if (qv::WorkArea* a = area()) a->clearFilter();
  reload();
  history_.reset({LabelDesign{kNewDesignName, {}}, -1});
}

DesignEditor::~DesignEditor() { letGo(); }

qv::WorkArea* DesignEditor::area() const { return qv::workAreas().find(alias_); }

void DesignEditor::reload() {
  designs_.clear();
  if (qv::WorkArea* a = area()) designs_ = readDesignEntries(*a);
}

DesignEntry* DesignEditor::entry() {
  for (DesignEntry& e : designs_)
    if (e.number == number_ && number_ > 0) return &e;
  return nullptr;
}

void DesignEditor::letGo() {
  qv::WorkArea* a = area();
  if (a && held_) a->unlockRecord(held_);
  held_ = 0;
}

bool DesignEditor::open(int number) {
  qv::WorkArea* a = area();
  if (!a) return false;
  reload();
  const auto e = std::find_if(designs_.begin(), designs_.end(), [&](const DesignEntry& d) { return d.number == number; });
  if (e == designs_.end()) return false;
  if (e->header() != held_) {
    if (!holdDesign(*a, *e)) return false;
    letGo();
    held_ = e->header();
  }
  number_ = number;
  const LabelDesign d = designFromRows(designRows(*a, *e));
  history_.reset({d, d.items.empty() ? -1 : 0});
  return true;
}

void DesignEditor::startNew() {
  letGo();
  number_ = 0;
  history_.reset({LabelDesign{kNewDesignName, {}}, -1});
}

void DesignEditor::startCopy() {
  EditorState s = history_.now();
  s.design.name = "Copia de " + s.design.name;
  letGo();
  number_ = 0;
  history_.reset(std::move(s));
}

bool DesignEditor::remove(int number) {
  qv::WorkArea* a = area();
  if (!a) return false;
  const int64_t mine = held_;
  const bool removed = deleteDesign(*a, number);  // the file lock replaces the hold
  held_ = 0;
  reload();
  if (!removed) {
    if (mine) {
      const auto e = std::find_if(designs_.begin(), designs_.end(), [&](const DesignEntry& d) { return d.header() == mine; });
      if (e != designs_.end() && holdDesign(*a, *e)) held_ = mine;
    }
    return false;
  }
  if (number == number_) {
    startNew();
    return true;
  }
  // The design edited keeps its header; its number may have moved.
  for (const DesignEntry& e : designs_)
    if (e.header() == mine && holdDesign(*a, e)) {
      held_ = mine;
      number_ = e.number;
    }
  return true;
}

bool DesignEditor::importFile(const std::string& file, std::string* error) {
  qv::WorkArea* a = area();
  if (!a) return false;
  const int64_t mine = held_;
  const int number = importDesign(*a, file, error);
  held_ = 0;
  reload();
  if (number && open(number)) return true;
  for (const DesignEntry& e : designs_)
    if (mine && e.header() == mine && holdDesign(*a, e)) held_ = mine;
  return false;
}

bool DesignEditor::exportFile(const std::string& file, std::string* error) const {
  qv::WorkArea* a = area();
  if (!a || number_ == 0) {
    if (error) *error = "El diseño nuevo se guarda antes de exportarlo.";
    return false;
  }
  return exportDesign(*a, number_, file, error);
}

std::string DesignEditor::problem() const {
  const LabelDesign& d = design();
  if (xb::utf8ToCp1252(d.name).size() > kCampoWidth || d.name.empty())
    return "El nombre del diseño debe tener entre 1 y " + std::to_string(kCampoWidth) + " caracteres.";
  for (size_t i = 0; i < d.items.size(); ++i) {
    const DesignItem& item = d.items[i];
    std::string why;
    if (item.kind == kKindText) why = expressionError(item.campo, productAlias_);
    if (item.kind == kKindPicture) why = item.campo.empty() ? "No se ha elegido el fichero." : fileNameError(item.campo);
    if (item.kind == kKindBarcode && item.numCampo < 1) why = "No se ha elegido el campo que codifica.";
    if (!why.empty()) return "El elemento " + std::to_string(i + 1) + " (" + itemKindName(item.kind) + "): " + why;
  }
  return {};
}

bool DesignEditor::save() {
  const std::string why = problem();
  if (!why.empty()) {
    xb::prompter().message(xb::MsgKind::Stop, kEditorTitle, why);
    return false;
  }
  qv::WorkArea* a = area();
  if (!a) return false;
  if (number_ == 0) {
    const int number = appendDesign(*a, design());
    reload();
    if (!number) return false;
    const EditorState s = history_.now();
    if (!open(number)) return false;
    history_.reset(s);
    return true;
  }
  reload();
  DesignEntry* e = entry();
  if (!e || e->header() != held_ || !saveDesign(*a, *e, design())) return false;
  history_.markSaved();
  return true;
}

const DesignItem* DesignEditor::selectedItem() const {
  const int i = selected();
  return i >= 0 && size_t(i) < design().items.size() ? &design().items[size_t(i)] : nullptr;
}

void DesignEditor::select(int item) {
  history_.select(item >= 0 && size_t(item) < design().items.size() ? item : -1);
}

void DesignEditor::edit(EditorState s, const std::string& key) { history_.push(std::move(s), key); }

void DesignEditor::rename(const std::string& name) {
  EditorState s = history_.now();
  s.design.name = name;
  edit(std::move(s), "name");
}

void DesignEditor::addItem(char kind) {
  EditorState s = history_.now();
  const int at = s.selected < 0 ? int(s.design.items.size()) : s.selected + 1;
  s.design.items.insert(s.design.items.begin() + at, newItem(kind));
  s.selected = at;
  edit(std::move(s));
}

void DesignEditor::removeItem() {
  EditorState s = history_.now();
  if (s.selected < 0 || size_t(s.selected) >= s.design.items.size()) return;
  s.design.items.erase(s.design.items.begin() + s.selected);
  s.selected = std::min(s.selected, int(s.design.items.size()) - 1);
  edit(std::move(s));
}

void DesignEditor::moveItem(int delta) {
  EditorState s = history_.now();
  const int to = s.selected + delta;
  if (s.selected < 0 || to < 0 || size_t(to) >= s.design.items.size()) return;
  std::swap(s.design.items[size_t(s.selected)], s.design.items[size_t(to)]);
  s.selected = to;
  edit(std::move(s));
}

void DesignEditor::change(const std::function<void(DesignItem&)>& fn, const std::string& key) {
  EditorState s = history_.now();
  if (s.selected < 0 || size_t(s.selected) >= s.design.items.size()) return;
  fn(s.design.items[size_t(s.selected)]);
  const std::string merge = key.empty() ? std::string() : std::to_string(s.selected) + ":" + key;
  edit(std::move(s), merge);
}

std::vector<LabelRow> DesignEditor::rows() const {
  qv::WorkArea* a = area();
  if (!a) return {};
  std::vector<LabelRow> rows = designRecords(design(), number_, false, a->structure());
  setProductType(rows, productAlias_);
  return rows;
}

}  // namespace lb
