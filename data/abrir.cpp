#include "data/abrir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "data/buffers.h"
#include "data/scoped_area.h"
#include "xbase/codepage.h"
#include "xbase/error.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace qv {

using xb::engine::OpenMode;
using xb::engine::workAreas;

namespace {

int fError = 0;
int aliasCounter = 0;
constexpr int kAttemptsPerSeries = 2;
constexpr size_t kMaxIndexes = 6;
constexpr int kUsadaAreas = 15;
constexpr int kCheckAliasAreas = 20;

void realWait() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (std::chrono::steady_clock::now() < end) {
    xb::prompter().processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

RetryWait& retryWait() {
  static RetryWait wait = realWait;
  return wait;
}

bool exclusiveMode(std::string_view mode) { return !mode.empty() && (mode[0] == 'E' || mode[0] == 'e'); }

}  // namespace

OpenRegistry& openRegistry() {
  static OpenRegistry registry;
  return registry;
}

int F_ERROR() { return fError; }
void setF_ERROR(int value) { fError = value; }

RetryWait setRetryWait(RetryWait wait) {
  RetryWait previous = std::move(retryWait());
  retryWait() = wait ? std::move(wait) : RetryWait(realWait);
  return previous;
}

bool ABRIR(std::string_view alias, const std::string& file, std::string_view mode,
           const std::vector<std::string>& indexes) {
  xb::PrivateScope scope;
  scope.declare("YALIAS", xb::Value(alias));
  fError = 0;
  auto& areas = workAreas();
  OpenRegistry& reg = openRegistry();

  if (USADA(alias)) {
    xb::prompter().beep(0, 0);
    xb::prompter().beep(0, 0);
    xb::prompter().alert("Atención..... Alias   << " + std::string(alias) + " >>   ya está en uso.....",
                         {"&Aceptar"}, "Atención.... Error", 1);
    const int n = areas.select(alias);
    auto& a = areas.area();
    reg.ULT_REC[size_t(n)] = a.recno();
    reg.ULT_IND[size_t(n)] = reg.INDICES[size_t(n)];
    reg.ABIERTA[size_t(n)] = true;
    a.goTop();
    return false;
  }

  const int n = areas.select(0);
  const OpenMode how = exclusiveMode(mode) ? OpenMode::Exclusive : OpenMode::Shared;
  for (;;) {
    for (int attempt = 0; attempt < kAttemptsPerSeries; ++attempt) {
      fError = 0;
      xb::setNetError(false);
      const bool opened = areas.use(file, alias, how);
      const bool shared = xb::netError();
      if (!opened && !shared) fError = 1;
      if (fError != 0) {
        areas.close();
        return false;
      }
      if (!shared) {
        reg.ABIERTA[size_t(n)] = false;
        reg.PROPIA[size_t(n)] = true;
        return SET_INDEX(indexes);
      }
      retryWait()();
    }
    CGBELL();
    if (DECIS("FICHERO " + std::string(xb::trim(NAME(file))) + " NO ESTA DISPONIBLE. ¿ Desea reintentar ?") != "S") {
      xb::setNetError(false);
      return false;
    }
  }
}

bool USADA(std::string_view alias) {
  auto& areas = workAreas();
  const std::string wanted = xb::upper1252(xb::trim(alias));
  for (int n = 1; n <= kUsadaAreas; ++n) {
    auto& a = areas.area(n);
    if (a.used() && xb::upper1252(a.alias()) == wanted) return true;
  }
  return false;
}

bool SET_INDEX(const std::vector<std::string>& names) {
  fError = 0;
  auto& areas = workAreas();
  auto& a = areas.area();
  a.clearIndexes();
  if (!names.empty()) {
    std::string joined;
    for (size_t i = 0; i < names.size() && i < kMaxIndexes; ++i) {
      if (!a.addIndex(names[i])) fError = 1;
      joined += names[i] + " ";
    }
    openRegistry().INDICES[size_t(areas.selected())] = std::string(xb::trimRight(joined));
  }
  return fError == 0;
}

void CERRAR(std::string_view alias) {
  auto& areas = workAreas();
  if (!alias.empty() && areas.select(alias) == 0) return;
  const size_t n = size_t(areas.selected());
  OpenRegistry& reg = openRegistry();
  if (reg.ABIERTA[n]) {
    RECU_IND();
    reg.ABIERTA[n] = false;
    return;
  }
  if (!reg.PROPIA[n] && areas.area().used()) return;
  reg.INDICES[n] = " ";
  reg.PROPIA[n] = false;
  areas.close();
}

void RECU_IND() {
  auto& areas = workAreas();
  const size_t n = size_t(areas.selected());
  OpenRegistry& reg = openRegistry();
  const std::string saved = reg.ULT_IND[n];
  std::vector<std::string> names;
  size_t pos = 0;
  while (pos < saved.size() && names.size() < kMaxIndexes) {
    const size_t start = saved.find_first_not_of(' ', pos);
    if (start == std::string::npos) break;
    const size_t end = std::min(saved.find(' ', start), saved.size());
    names.push_back(saved.substr(start, end - start));
    pos = end;
  }
  SET_INDEX(names);
  if (areas.area().used()) areas.area().goTo(reg.ULT_REC[n]);
}

bool USOEXCLUSIVO(const std::string& table, std::string_view alias, bool* inUse) {
  auto& areas = workAreas();
  if (inUse) *inUse = false;
  areas.select(0);
  xb::setNetError(false);
  if (areas.use(table, alias, OpenMode::Exclusive)) return true;
  if (!xb::netError()) return false;
  if (inUse) *inUse = true;
  TABLAENUSO(table);
  return false;
}

void TABLAENUSO(const std::string& table) {
  xb::prompter().alert("La tabla " + QUITAR_CAM(table) + " está en uso por otra copia del programa: se deja como está.",
                       {"&Aceptar"}, "Atención.....", 1);
}

bool INDEXA(const std::string& table, const std::string& bag, const std::string& key, const std::string& tag,
            bool unique) {
  auto& areas = workAreas();
  const xb::engine::SelectGuard keep(areas, areas.selected());
  bool inUse = false;
  if (!USOEXCLUSIVO(table, "EL_FILE", &inUse)) return !inUse;
  const ScopedArea transient(areas);
  areas.area().createTag(bag, tag, key, "!Deleted()", unique);
  return true;
}

std::string QUITAR_CAM(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string QUITAR_EXT(std::string_view name) { return std::string(name.substr(0, name.find('.'))); }

std::string NAME(std::string_view path) {
  std::string base = QUITAR_EXT(QUITAR_CAM(path));
  base.resize(8, ' ');
  return base;
}

void REGULAAREA(std::string_view alias) {
  auto& areas = workAreas();
  const int n = areas.areaOf(alias);
  if (n == 0) return;
  xb::prompter().message(xb::MsgKind::Info, "", "Cierra");
  areas.area(n).close();
  openRegistry().INDICES[size_t(n)] = " ";
  openRegistry().ABIERTA[size_t(n)] = false;
  openRegistry().PROPIA[size_t(n)] = false;
}

std::string GETNEWALIAS(std::string_view prefix) {
  ++aliasCounter;
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", (aliasCounter + 1) % 10000);
  return std::string(prefix) + digits;
}

bool DUPLICA() {
  auto& a = workAreas().area();
  if (!a.used() || a.eof()) return false;
  const xb::Value* lreg = xb::findNamed("LREG");
  const bool adding = !lreg || !lreg->isNumber() || lreg->num() == -1;
  return adding || a.recno() != int64_t(lreg->num());
}

bool CHKDUP(const xb::Value& key, const std::string& label) {
  auto& a = workAreas().area();
  if (!a.used()) return true;
  const int64_t keep = a.recno();
  a.seek(key);
  const bool dup = DUPLICA();
  if (dup) xb::prompter().message(xb::MsgKind::Stop, "Atención.....!!!", label + " ya existe");
  a.goTo(keep);
  return !dup;
}

void CHECKALIAS(std::string_view title) {
  auto& areas = workAreas();
  std::string text;
  if (!title.empty()) text = std::string(title) + "\n";
  for (int n = 1; n <= kCheckAliasAreas; ++n) {
    auto& a = areas.area(n);
    if (!a.used()) continue;
    char number[16];
    std::snprintf(number, sizeof number, "%10d", n);
    text += "Area #: " + std::string(number) + " - " + a.alias() + "\n";
  }
  if (!text.empty()) text.pop_back();
  xb::prompter().message(xb::MsgKind::Info, "", text);
}

}  // namespace qv
