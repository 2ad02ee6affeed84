#include "errors/system_facts.h"

#include <cxxabi.h>
#include <elfutils/libdwfl.h>
#include <dirent.h>
#include <execinfo.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "data/tables.h"
#include "xbase/dates.h"
#include "xbase/text.h"

extern char etext, end;  // ends of the program text and of its data (set by the linker)

namespace qv {

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The blanks, line ends and quotes around a key or a value of the lines of
// /proc and /etc/os-release.
constexpr std::string_view kAround = " \t\r\n\"";

// The value of "key:" (or "key=") at the start of a line of `text`.
std::string fieldOf(const std::string& text, const std::string& key, char sep) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view l = line;
    const auto p = l.find(sep);
    if (p != std::string::npos && xb::trim(l.substr(0, p), kAround) == key) return std::string(xb::trim(l.substr(p + 1), kAround));
  }
  return {};
}

// A demangled name without its parameter list and ABI tags:
// "qv::ABREBASES[abi:cxx11]()" -> "qv::ABREBASES".
std::string routineName(std::string name) {
  for (size_t p; (p = name.find("[abi:")) != std::string::npos;) {
    const size_t e = name.find(']', p);
    if (e == std::string::npos) break;
    name.erase(p, e - p + 1);
  }
  for (const char* suffix : {" const", " &&", " &"})
    if (name.size() > std::strlen(suffix) && name.ends_with(suffix)) name.resize(name.size() - std::strlen(suffix));
  if (name.empty() || name.back() != ')') return name;
  int depth = 0;
  for (size_t i = name.size(); i-- > 0;) {
    if (name[i] == ')') ++depth;
    if (name[i] == '(' && --depth == 0) return i > 0 ? name.substr(0, i) : name;
  }
  return name;
}

// Frames of the C run time around the program (the process start, the C
// library's own routines) say nothing about where an error arose.
bool runTimeFrame(const std::string& module, const std::string& routine) {
  if (module.starts_with("libc.so") || module.starts_with("ld-linux")) return true;
  return routine == "_start" || routine.starts_with("__libc_start");
}

// Closes the debug-information session however the walk ends.
struct DwflSession {
  Dwfl* dwfl = nullptr;
  ~DwflSession() {
    if (dwfl) dwfl_end(dwfl);
  }
};

}  // namespace

std::vector<CallFrame> callStack() {
  void* addrs[128];
  const int n = ::backtrace(addrs, 128);
  std::vector<CallFrame> frames;
  // Routine names and source lines come from the modules' symbol tables and
  // debug information (local routines included), never raw addresses.
  static const Dwfl_Callbacks callbacks = {dwfl_linux_proc_find_elf, dwfl_standard_find_debuginfo, nullptr, nullptr};
  DwflSession session{dwfl_begin(&callbacks)};
  if (!session.dwfl) return frames;
  if (dwfl_linux_proc_report(session.dwfl, ::getpid()) != 0 || dwfl_report_end(session.dwfl, nullptr, nullptr) != 0)
    return frames;
  for (int i = 1; i < n; ++i) {
    // A return address points past its call: the call itself is one byte back.
    const Dwarf_Addr pc = reinterpret_cast<Dwarf_Addr>(addrs[i]) - 1;
    Dwfl_Module* mod = dwfl_addrmodule(session.dwfl, pc);
    const char* symbol = mod ? dwfl_module_addrname(mod, pc) : nullptr;
    if (!symbol || !*symbol) continue;
    const char* moduleName = dwfl_module_info(mod, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    const std::string module = moduleName ? std::filesystem::path(moduleName).filename().string() : std::string();
    CallFrame f;
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> dem(abi::__cxa_demangle(symbol, nullptr, nullptr, &status), std::free);
    f.routine = status == 0 && dem ? routineName(dem.get()) : std::string(symbol);
    if (runTimeFrame(module, f.routine)) continue;
    int line = 0;
    if (Dwfl_Line* l = dwfl_module_getsrc(mod, pc)) dwfl_lineinfo(l, nullptr, &line, nullptr, nullptr, nullptr);
    f.line = std::to_string(line);
    frames.push_back(std::move(f));
  }
  // Leave out the error machinery: everything up to the raise itself.
  const auto raised = std::find_if(frames.begin(), frames.end(), [](const CallFrame& f) {
    return f.routine == "xb::raise";
  });
  if (raised != frames.end()) frames.erase(frames.begin(), raised + 1);
  return frames;
}

std::string cpuModelName(const std::string& cpuinfoText) { return fieldOf(cpuinfoText, "model name", ':'); }

int64_t memTotalBytes(const std::string& meminfoText) {
  const std::string v = fieldOf(meminfoText, "MemTotal", ':');
  return v.empty() ? 0 : std::strtoll(v.c_str(), nullptr, 10) * 1024;
}

void versionNumbers(const std::string& text, int& major, int& minor) {
  major = minor = 0;
  const char* p = text.c_str();
  char* e = nullptr;
  major = static_cast<int>(std::strtol(p, &e, 10));
  if (e && *e == '.') minor = static_cast<int>(std::strtol(e + 1, nullptr, 10));
}

std::vector<TaskFacts> userTasks() {
  std::vector<TaskFacts> tasks;
  const uid_t me = ::getuid();
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
    const std::string status = readFile(entry.path() / "status");
    const std::string uid = fieldOf(status, "Uid", ':');
    if (uid.empty() || std::strtoul(uid.c_str(), nullptr, 10) != me) continue;
    if (readFile(entry.path() / "cmdline").empty()) continue;  // a kernel thread
    tasks.push_back({std::atoi(name.c_str()), fieldOf(status, "Name", ':')});
  }
  std::sort(tasks.begin(), tasks.end(), [](const TaskFacts& a, const TaskFacts& b) { return a.number < b.number; });
  return tasks;
}

std::vector<AreaFacts> openAreas() {
  std::vector<AreaFacts> out;
  qv::WorkAreas& set = qv::workAreas();
  for (int n = 1; n <= qv::WorkAreas::kAreas; ++n) {
    qv::WorkArea& a = set.area(n);
    if (!a.used()) continue;
    AreaFacts f;
    f.number = n;
    f.current = n == set.selected();
    f.alias = a.alias();
    f.recNo = a.recno();
    f.recCount = a.reccount();
    f.bof = a.bof();
    f.eof = a.eof();
    int order = 0;
    for (const qv::OrderInfo& o : a.orders())
      f.orders.push_back({o.tag.keyExpr, o.tag.name, ++order == a.order()});
    out.push_back(std::move(f));
  }
  return out;
}

ReportFacts gatherFacts(std::vector<CallFrame> calls) {
  ReportFacts f;
  std::error_code ec;
  f.programPath = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  const auto size = std::filesystem::file_size(f.programPath, ec);
  f.programSize = ec ? 0 : static_cast<int64_t>(size);
  rlimit lim{};
  if (::getrlimit(RLIMIT_NOFILE, &lim) == 0) f.maxOpenFiles = static_cast<int>(lim.rlim_cur);
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  f.date = xb::dateToText(xb::Date{xb::julianDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)});
  char hms[16];
  std::strftime(hms, sizeof hms, "%H:%M:%S", &tm);
  f.time = hms;
  f.calls = std::move(calls);

  f.cpuName = cpuModelName(readFile("/proc/cpuinfo"));
  f.memoryBytes = memTotalBytes(readFile("/proc/meminfo"));
  utsname u{};
  std::string kernel;
  if (::uname(&u) == 0) kernel = u.release;
  versionNumbers(kernel, f.versions[0], f.versions[1]);
  const std::string osRelease = readFile("/etc/os-release");
  versionNumbers(fieldOf(osRelease, "VERSION_ID", '='), f.versions[2], f.versions[3]);
  f.systemName = fieldOf(osRelease, "PRETTY_NAME", '=') + ", Linux " + kernel;
  f.tasks = userTasks();

  f.areas = openAreas();
  f.classes = {"TPublic", "TPRINTER", "TMULTIPREVIEW", "TVMETER", "RAVEradizo", "MiCodBarCls"};

  f.initialDataSize = static_cast<int64_t>(&end - &etext);
  f.symbolCount = 0;  // a compiled program keeps no symbol table at run time
  if (::getrlimit(RLIMIT_STACK, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY)
    f.stackSize = static_cast<int64_t>(lim.rlim_cur);
  const struct mallinfo2 mi = ::mallinfo2();
  f.heapSize = static_cast<int64_t>(mi.arena + mi.hblkhd);
  f.memoryInUse = static_cast<int64_t>(mi.uordblks + mi.hblkhd);
  const std::string status = readFile("/proc/self/status");
  f.memoryPeak = std::strtoll(fieldOf(status, "VmHWM", ':').c_str(), nullptr, 10) * 1024;
  const int64_t stackUsed = std::strtoll(fieldOf(status, "VmStk", ':').c_str(), nullptr, 10) * 1024;
  f.stackLeft = f.stackSize > stackUsed ? f.stackSize - stackUsed : 0;
  f.staticCount = 0;
  return f;
}

}  // namespace qv
