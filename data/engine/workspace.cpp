// The set of work areas and the run-wide engine settings.
#include "data/engine/workspace.h"

#include "xbase/codepage.h"
#include "xbase/error.h"

namespace xb::engine {

namespace {

bool g_deletedHidden = false;

void areaError(const std::string& description, const std::string& operation, const std::string& file = {}) {
  xb::Error e;
  e.genCode = kGenArgument;
  e.subsystem = "DBCMD";
  e.subCode = 1001;
  e.description = description;
  e.filename = file;
  e.operation = operation;
  xb::raise(e);
}

}  // namespace

void setDeletedHidden(bool on) { g_deletedHidden = on; }

namespace {
int g_indexLockWait = 1000;
}  // namespace

void setIndexLockWait(int milliseconds) { g_indexLockWait = milliseconds; }
int indexLockWait() { return g_indexLockWait; }
bool deletedHidden() { return g_deletedHidden; }

WorkAreas::WorkAreas() {
  for (int i = 0; i < kAreas; ++i) areas_[static_cast<size_t>(i)] = std::make_unique<WorkArea>(i + 1);
  previous_ = xb::setWorkspace(this);
}

WorkAreas::~WorkAreas() {
  try {
    closeAll();
  } catch (const std::exception&) {
    // The handler has seen the error; nothing more can be done here.
  }
  if (xb::workspace() == this) xb::setWorkspace(previous_);
}

int WorkAreas::select(int n) {
  if (n == 0) {
    for (int i = 0; i < kAreas; ++i) {
      if (!areas_[static_cast<size_t>(i)]->used()) {
        selected_ = i + 1;
        return selected_;
      }
    }
    areaError("no quedan áreas de trabajo libres", "SELECT");
    return selected_;
  }
  if (n < 0 || n > kAreas) {
    areaError("número de área fuera de rango: " + std::to_string(n), "SELECT");
    return selected_;
  }
  selected_ = n;
  return selected_;
}

int WorkAreas::select(std::string_view alias) {
  int n = areaOf(alias);
  if (n > 0) selected_ = n;
  return n;
}

WorkArea& WorkAreas::area(int n) {
  if (n < 1 || n > kAreas) {
    areaError("número de área fuera de rango: " + std::to_string(n), "AREA");
    return area();
  }
  return *areas_[static_cast<size_t>(n - 1)];
}

int WorkAreas::areaOf(std::string_view alias) const {
  const std::string wanted = upper1252(alias);
  for (int i = 0; i < kAreas; ++i) {
    const WorkArea& a = *areas_[static_cast<size_t>(i)];
    if (a.used() && a.alias() == wanted) return i + 1;
  }
  return 0;
}

WorkArea* WorkAreas::find(std::string_view alias) {
  int n = areaOf(alias);
  return n > 0 ? areas_[static_cast<size_t>(n - 1)].get() : nullptr;
}

bool WorkAreas::use(const std::string& path, std::string_view alias, OpenMode mode) {
  area().close();
  if (!alias.empty()) {
    int n = areaOf(alias);
    if (n > 0 && n != selected_) {
      areaError("alias ya en uso: " + cp1252ToUtf8(alias), "USE", path);
      return false;
    }
  }
  if (!area().open(path, alias, mode)) return false;
  int n = areaOf(area().alias());
  if (n != selected_) {
    const std::string name = area().alias();
    area().close();
    areaError("alias ya en uso: " + cp1252ToUtf8(name), "USE", path);
    return false;
  }
  return true;
}

void WorkAreas::close() { area().close(); }

void WorkAreas::closeAll() {
  for (auto& a : areas_) a->close();
  selected_ = 1;
}

void WorkAreas::commitAll() {
  for (auto& a : areas_) a->commit();
}

xb::RowSource* WorkAreas::current() {
  WorkArea& a = area();
  return a.used() ? &a : nullptr;
}

xb::RowSource* WorkAreas::byAlias(std::string_view alias) { return find(alias); }

WorkAreas& workAreas() {
  static WorkAreas set;
  return set;
}

SelectGuard::SelectGuard(WorkAreas& set, int n) : set_(set), previous_(set.selected()) { set_.select(n); }

SelectGuard::SelectGuard(WorkAreas& set, std::string_view alias) : set_(set), previous_(set.selected()) {
  ok_ = set_.select(alias) > 0;
}

SelectGuard::~SelectGuard() { set_.select(previous_); }

}  // namespace xb::engine
