#include "errors/error_report.h"

#include "xbase/codepage.h"
#include "xbase/format.h"

namespace qv {

namespace {

constexpr size_t kMaxCallLevels = 72;

// A number right-aligned in `width` (wider when it does not fit).
std::string num(int64_t n, int width) {
  std::string s = std::to_string(n);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), ' ');
  return s;
}

std::string padRight(std::string s, size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

// A count with its thousands separated by commas, right-aligned in 9
// ("1,234,567"); wider when it needs more.
std::string grouped(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), ",");
  if (n < 0) digits.insert(0, "-");
  if (digits.size() < 9) digits.insert(0, 9 - digits.size(), ' ');
  return digits;
}

std::string flag(bool b) { return b ? ".T." : ".F."; }

bool validUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}


void append(std::vector<std::string>& to, const std::vector<std::string>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

std::string ERRORMESSAGE(const xb::Error& e) { return xb::errorMessage(e); }

std::string toUtf8Text(const std::string& s) { return validUtf8(s) ? s : xb::cp1252ToUtf8(s); }

std::string valueText(const xb::Value& v) { return toUtf8Text(xb::displayText(v)); }

std::string CGETINFO(const xb::Value& v) {
  if (v.isText()) return "\"" + toUtf8Text(v.text()) + "\"";
  if (v.isObject()) return "Class: " + (v.obj() ? v.obj()->className() : std::string("NIL"));
  if (v.isArray()) return "Len: " + num(v.arr() ? static_cast<int64_t>(v.arr()->size()) : 0, 4);
  return valueText(v);
}

std::vector<std::string> sectionApplication(const ReportFacts& f) {
  return {"Aplicación:",
          "===========",
          "   Path y nombre: " + f.programPath,
          "   Tam.: " + grouped(f.programSize) + " bytes",
          "   Máximo de ficheros abiertos: ( SetHandleCount() ) " + num(f.maxOpenFiles, 3),
          "   Error ocurrido el día: " + f.date + ", a la hora: " + f.time};
}

std::vector<std::string> sectionErrorName(const xb::Error& e) {
  return {"   Nombre del error: " + toUtf8Text(ERRORMESSAGE(e))};
}

std::vector<std::string> sectionArguments(const xb::Error& e) {
  if (e.args.empty()) return {};
  std::vector<std::string> out{"   Args:"};
  for (size_t i = 0; i < e.args.size(); ++i) {
    const xb::Value& a = e.args[i];
    out.push_back("     [" + num(static_cast<int64_t>(i + 1), 4) + "] = " + std::string(1, a.typeLetter()) + "   " +
                  valueText(a));
  }
  return out;
}

std::vector<std::string> callLines(const ReportFacts& f) {
  std::vector<std::string> out;
  for (const CallFrame& c : f.calls) {
    if (out.size() == kMaxCallLevels) break;
    if (c.routine.empty()) continue;
    out.push_back("   Llamado por " + c.routine + "(" + c.line + ")");
  }
  return out;
}

std::vector<std::string> sectionCalls(const ReportFacts& f) {
  std::vector<std::string> out{"", "Llamadas a funciones", "===================="};
  append(out, callLines(f));
  return out;
}

std::vector<std::string> sectionSystem(const ReportFacts& f) {
  const int64_t mem = f.memoryBytes + 768;
  std::vector<std::string> out{"",
                               "Sistema",
                               "=======",
                               "   CPU tipo: " + f.cpuName,
                               "   Memoria: " + std::to_string(mem) + " (" + std::to_string(mem / 1048576) +
                                   " megas)",
                               "",
                               "   Recursos libres .....: % 90",
                               "        GDI  recursos ..: % 90",
                               "        Usuarios recurs.: % 90",
                               "",
                               "   Version de Windows y MS-Dos: " + num(f.versions[0], 2) + "." +
                                   num(f.versions[1], 2) + ", " + num(f.versions[2], 2) + "." +
                                   num(f.versions[3], 2)};
  if (!f.systemName.empty()) out.push_back("   Sistema operativo: " + f.systemName);
  out.push_back("   Total de aplicaciones WIN ejecutandose: " + num(static_cast<int64_t>(f.tasks.size()), 3));
  for (const TaskFacts& t : f.tasks) out.push_back("    " + num(t.number, 3) + " " + t.name);
  return out;
}

std::vector<std::string> sectionVariables(const xb::Error& e, const ReportFacts& f) {
  std::vector<std::string> out{"",
                               "Variables en uso",
                               "================",
                               "   Programa      Tipo   Valor",
                               "   ==========================",
                               "   (un programa compilado no conserva los parámetros ni las variables locales de "
                               "sus rutinas; se muestran los argumentos de la operación que falló)"};
  if (!e.args.empty()) {
    out.push_back("   " + (e.operation.empty() ? std::string("(operación)") : e.operation));
    for (size_t i = 0; i < e.args.size(); ++i)
      out.push_back("     Param " + num(static_cast<int64_t>(i + 1), 3) + ":    " +
                    std::string(1, e.args[i].typeLetter()) + "    " + CGETINFO(e.args[i]));
  }
  size_t n = 0;
  for (const CallFrame& c : f.calls) {
    if (n++ == kMaxCallLevels) break;
    if (!c.routine.empty()) out.push_back("   " + c.routine);
  }
  return out;
}

std::vector<std::string> sectionDrivers(const ReportFacts& f) {
  std::vector<std::string> out{"", "Linked RDDs", "==========="};
  for (const std::string& d : f.drivers) out.push_back("   " + d);
  return out;
}

std::vector<std::string> sectionFiles(const ReportFacts& f) {
  std::vector<std::string> out{"", "Ficheros en uso", "==============="};
  for (const AreaFacts& a : f.areas) {
    out.push_back("");
    out.push_back(num(a.number, 3) + ": " + (a.current ? "=> " : "   ") + padRight(a.alias, 15) +
                  std::string(20, ' ') + "RddName: " + a.driver);
    out.push_back("     ==============================");
    out.push_back("     RecNo    RecCount    BOF   EOF");
    out.push_back("    " + xb::transform(xb::Value(a.recNo), "99999") + std::string(6, ' ') +
                  xb::transform(xb::Value(a.recCount), "99999") + std::string(6, ' ') + flag(a.bof) + "   " +
                  flag(a.eof));
    out.push_back("");
    out.push_back("     Indices in uso " + std::string(23, ' ') + "TagName");
    out.push_back("     ------------------------------------- -------");
    for (size_t i = 0; i < a.orders.size() && i < 15; ++i) {
      const AreaFacts::Order& o = a.orders[i];
      out.push_back(std::string(8, ' ') + (o.controlling ? "=> " : "   ") + padRight(toUtf8Text(o.keyExpr), 35) +
                    o.tagName);
    }
    out.push_back("");
    out.push_back("     Relaciones en uso");
  }
  return out;
}

std::vector<std::string> sectionClasses(const ReportFacts& f) {
  std::vector<std::string> out{"", "Clases en uso:", "==============="};
  for (size_t i = 0; i < f.classes.size(); ++i)
    out.push_back("   " + num(static_cast<int64_t>(i + 1), 3) + " " + f.classes[i]);
  return out;
}

std::vector<std::string> sectionMemory(const ReportFacts& f) {
  return {"",
          "Análisis de Memoria",
          "===================",
          "   Memoria estática:",
          "      Segmento de datos: 64k",
          "      Tamaño inicial:       " + std::to_string(f.initialDataSize) +
              " bytes  (SYMP=" + std::to_string(f.symbolCount) + ", Stack=" + std::to_string(f.stackSize) +
              ", Heap=" + std::to_string(f.heapSize) + ")",
          "      Pila libre:           " + std::to_string(f.stackLeft) + " bytes",
          "      " + std::to_string(f.staticCount) + " Static variables: " + std::to_string(14 * f.staticCount) +
              " bytes",
          "",
          "   Memoria dinámica consumida:",
          "      Valor actual  : " + num(f.memoryInUse, 10) + " bytes",
          "      Valor más alto: " + num(f.memoryPeak, 10) + " bytes"};
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

std::string buildReport(const xb::Error& e, const ReportFacts& f) {
  std::vector<std::string> lines = sectionApplication(f);
  append(lines, sectionErrorName(e));
  append(lines, sectionArguments(e));
  append(lines, sectionCalls(f));
  append(lines, sectionSystem(f));
  append(lines, sectionVariables(e, f));
  append(lines, sectionDrivers(f));
  append(lines, sectionFiles(f));
  append(lines, sectionClasses(f));
  append(lines, sectionMemory(f));
  return joinLines(lines);
}

std::string buildPrintText(const xb::Error& e, const ReportFacts& f) {
  std::vector<std::string> lines = sectionApplication(f);
  append(lines, sectionErrorName(e));
  append(lines, sectionArguments(e));
  lines.emplace_back();
  append(lines, callLines(f));
  return joinLines(lines);
}

std::string toLogText(std::string_view utf8) { return xb::cp1252ToOem850(xb::utf8ToCp1252(utf8)); }

std::string fromLogText(std::string_view oem) { return xb::cp1252ToUtf8(xb::oem850ToCp1252(oem)); }

std::vector<std::string> wrapLines(std::string_view text, int width) {
  std::vector<std::string> out;
  const size_t w = width > 0 ? static_cast<size_t>(width) : 1;
  auto points = [](std::string_view s) {
    size_t n = 0;
    for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  // Byte offset of the code point number `cp` in s.
  auto offsetOf = [](std::string_view s, size_t cp) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
        if (n == cp) return i;
        ++n;
      }
    }
    return s.size();
  };
  auto rtrim = [](std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  };
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    std::string_view para = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (end == std::string_view::npos && para.empty() && start > 0) break;
    while (points(para) > w) {
      const size_t cut = offsetOf(para, w);
      size_t brk = para.rfind(' ', cut);
      size_t next;
      if (brk == std::string_view::npos || brk == 0) {
        brk = cut;
        next = cut;
      } else {
        next = brk + 1;
      }
      out.push_back(rtrim(std::string(para.substr(0, brk))));
      para = para.substr(next);
      while (!para.empty() && para.front() == ' ') para.remove_prefix(1);
    }
    out.push_back(rtrim(std::string(para)));
    if (end == std::string_view::npos) break;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return out;
}

}  // namespace qv
