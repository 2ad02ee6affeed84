#include "data/buffers.h"

#include <optional>
#include <vector>

#include "data/engine/workspace.h"
#include "data/structure_list.h"
#include "xbase/error.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"

namespace qv {

using xb::engine::FieldDef;
using xb::engine::Structure;
using xb::engine::workAreas;

namespace {

constexpr const char* kMe = "_ME";

bool tableOpen() { return workAreas().area().used(); }

// The structure the buffer belongs to: _ME, taken from the current table
// when it does not exist yet. Nothing without either.
std::optional<Structure> bufferStructure() {
  if (const xb::Value* me = xb::findNamed(kMe); me && me->isArray()) return fieldsOf(*me);
  if (!tableOpen()) return std::nullopt;
  const Structure& s = workAreas().area().structure();
  xb::PUBLICA(kMe, structureList(s));
  return s;
}

xb::Value emptyValue(const FieldDef& f) {
  switch (f.type) {
    case 'C': return xb::Value(std::string(size_t(f.width), ' '));
    case 'N': case 'F': case 'I': case 'Y': case 'B': return xb::Value(0.0, f.decimals);
    case 'D': return xb::Value(xb::Date{});
    case 'L': return xb::Value(false);
    case 'M': return xb::Value(" ");
    default: return xb::Value(std::string(size_t(f.width), ' '));
  }
}

// The type letter of the values a field holds (memo fields hold texts).
char valueTypeOf(char fieldType) {
  switch (fieldType) {
    case 'N': case 'F': case 'I': case 'Y': case 'B': return 'N';
    case 'D': case 'T': return 'D';
    case 'L': return 'L';
    default: return 'C';
  }
}

}  // namespace

void INIC_VAR() {
  const auto s = bufferStructure();
  if (!s) return;
  for (const FieldDef& f : *s) xb::PUBLICA(xb::recordBufferName(f.name), emptyValue(f));
}

void IGUAL_VAR() {
  const auto s = bufferStructure();
  if (!s) return;
  auto& a = workAreas().area();
  for (const FieldDef& f : *s) {
    const bool has = a.used() && a.fieldIndex(f.name) >= 0;
    xb::PUBLICA(xb::recordBufferName(f.name), has ? a.fieldGet(std::string_view(f.name)) : emptyValue(f));
  }
}

void REPL_VAR() {
  const auto s = bufferStructure();
  if (!s || !tableOpen()) return;
  PROTEGER(0);
  auto& a = workAreas().area();
  for (const FieldDef& f : *s) {
    const xb::Value* v = xb::findNamed(xb::recordBufferName(f.name));
    if (v && !a.eof() && a.fieldIndex(f.name) >= 0) a.fieldPut(std::string_view(f.name), *v);
  }
  DESPROTEGER();
}

void LIB_VAR() {
  const xb::Value* me = xb::findNamed(kMe);
  if (!me || !me->isArray()) return;
  const auto s = fieldsOf(*me);
  if (!s) return;
  for (const FieldDef& f : *s)
    if (f.type != 'M') xb::releasePublic(xb::recordBufferName(f.name));
}

void AREG(const xb::Value& values, bool intoCurrent) {
  if (!tableOpen() || (!values.isArray() && !values.isText())) return;
  auto& areas = workAreas();
  const Structure target = areas.area().structure();

  // The values first: an alias that is not open gives none, and no row is
  // appended for them.
  std::vector<xb::Value> collected;
  if (values.isArray()) {
    collected = *values.arr();
  } else if (values.text().size() >= 2) {
    const xb::engine::SelectGuard source(areas, std::string_view(values.text()));
    if (!source.ok()) return;
    auto& a = areas.area();
    for (int i = 0; i < a.fieldCount(); ++i) collected.push_back(a.fieldGet(i));
  } else {
    for (const FieldDef& f : target)
      if (const xb::Value* v = xb::findNamed(values.text() + f.name)) collected.push_back(*v);
  }
  if (!intoCurrent && !areas.area().appendBlank()) return;

  PROTEGER(0);
  auto& a = areas.area();
  std::vector<bool> filled(target.size(), false);
  for (const xb::Value& v : collected) {
    for (size_t i = 0; i < target.size(); ++i) {
      if (filled[i] || valueTypeOf(target[i].type) != v.typeLetter()) continue;
      filled[i] = true;
      if (a.fieldIndex(target[i].name) >= 0) a.fieldPut(std::string_view(target[i].name), v);
      break;
    }
  }
  DESPROTEGER();
}

bool REC_LOCK(int attempts) {
  auto& a = workAreas().area();
  for (int n = 0; attempts <= 0 || n < attempts; ++n) {
    if (a.lockRow()) return true;
    xb::prompter().alert("Registro bloqueado en " + a.alias() + ". Por favor espere ...", {"&Aceptar"},
                         "Atención.....", 1);
  }
  PARE("Registro no está disponible.");
  return false;
}

bool PROTEGER(int mode) {
  auto& a = workAreas().area();
  if (!a.used()) return true;
  if (mode >= 2) return a.lockFile() && !NETERROR();
  // A refusal without the network-error flag is not another holder but a
  // row that does not exist (the phantom row): waiting would never end.
  while (!(mode == 1 ? a.lockFile() : a.lockRow())) {
    if (!NETERROR()) return false;
    xb::prompter().processEvents();
  }
  return true;
}

void DESPROTEGER() {
  auto& a = workAreas().area();
  if (a.used()) a.unlock();
}

bool NETERROR() {
  const bool was = xb::netError();
  xb::setNetError(false);
  return was;
}

std::string DECIS(const std::string& message) {
  return xb::prompter().alert(message, {"   &Si   ", "   &No   "}, "Seleccione su opción", 1) == 1 ? "S" : "N";
}

int PARE(const std::string& message) {
  xb::prompter().alert(message, {"&Aceptar"}, "Atención.....!!!", 1);
  return 0;
}

void CGBELL() {
  constexpr int kTick = 55;
  xb::prompter().beep(125, kTick);
  xb::prompter().beep(300, kTick);
}

}  // namespace qv
