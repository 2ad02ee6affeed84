#include "errors/error_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "data/tables.h"
#include "errors/error_report.h"
#include "xbase/dates.h"
#include "xbase/error.h"
#include "xbase/prompt.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr int kSharingRetries = 500;  // 10 ms apart
constexpr size_t kErrorWidth = 50;

// Serialises the making of the log and every append, across processes, with
// an exclusive lock on the log folder. Nested locks of one process are free.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) {
    if (depth_++ > 0) return;
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (--depth_ > 0 || fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  static inline int depth_ = 0;
  int fd_ = -1;
};

// What DOBREAK throws to abandon the protected block.
struct Abandon {};

bool sharingConflict(const xb::Error& e) {
  return e.genCode == xb::kGenAppendLock || e.genCode == xb::kGenLock ||
         (e.genCode == xb::kGenOpen &&
          (e.osCode == xb::kOsSharingViolation || e.osCode == xb::kOsAccessDenied));
}

// Installs the protected block's handler and restores the previous one.
class ProtectedBlock {
 public:
  ProtectedBlock()
      : previous_(xb::setErrorHandler([this](const xb::Error& e) -> xb::ErrorAnswer {
          if (e.canRetry && sharingConflict(e) && tries_++ < kSharingRetries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return {xb::ErrorAnswer::Retry, {}};
          }
          DOBREAK();
        })) {}
  ~ProtectedBlock() { xb::setErrorHandler(std::move(previous_)); }
  ProtectedBlock(const ProtectedBlock&) = delete;
  ProtectedBlock& operator=(const ProtectedBlock&) = delete;

 private:
  xb::ErrorHandler previous_;
  int tries_ = 0;
};

std::string tablePath(const std::string& folder) { return (fs::path(folder) / "Error.Dbf").string(); }
std::string indexPath(const std::string& folder) { return (fs::path(folder) / "Error.cdx").string(); }

// A file in `folder` whose name matches `name` without regard to case.
bool existsNoCase(const std::string& folder, const std::string& name) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string n = entry.path().filename().string();
    if (n.size() == name.size() &&
        std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
      return true;
  }
  return false;
}

// Cuts a UTF-8 text to at most `n` characters.
std::string cutChars(const std::string& s, size_t n) {
  size_t chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == n) return s.substr(0, i);
  }
  return s;
}

}  // namespace

std::string errorFolder() {
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  const fs::path folder = cwd / "Error";
  if (fs::is_directory(folder, ec)) return folder.string();
  if (fs::create_directory(folder, ec) || fs::is_directory(folder, ec)) return folder.string();
  xb::prompter().message(xb::MsgKind::Stop, "Atención.....",
                         "NO se pudo crear " + folder.string() + "\nse usará el directorio " + cwd.string());
  return cwd.string();
}

bool ABREERROR() {
  const std::string folder = errorFolder();
  qv::WorkAreas& set = qv::workAreas();
  {
    FolderLock lock(folder);
    if (!existsNoCase(folder, "Error.Dbf")) {
      const qv::Structure fields{{"FECHA", 'D', 8, 0}, {"HORA", 'C', 8, 0}, {"ERROR", 'C', 50, 0},
                                  {"TEXTO", 'M', 10, 0}};
      if (!qv::Table::create(tablePath(folder), fields)) return false;
    }
    if (!existsNoCase(folder, "Error.cdx")) {
      qv::SelectGuard guard(set, 0);
      if (!set.use(tablePath(folder), "ERRTMP", qv::OpenMode::Exclusive)) return false;
      const bool made = set.area().createTag(indexPath(folder), kErrorTag, kErrorKey, {}, false, true);
      set.close();
      if (!made) return false;
    }
  }
  if (set.select(kErrorAlias) != 0) return true;
  set.select(0);
  if (!set.use(tablePath(folder), kErrorAlias, qv::OpenMode::Shared)) return false;
  if (!set.area().addIndex(indexPath(folder)) || !set.area().setOrder(kErrorTag)) {
    set.close();
    return false;
  }
  set.area().goTop();
  return true;
}

void closeErrorLog() {
  qv::WorkAreas& set = qv::workAreas();
  if (set.areaOf(kErrorAlias) == 0) return;
  qv::SelectGuard guard(set, kErrorAlias);
  set.close();
}

void DOBREAK() { throw Abandon{}; }

bool appendLogRow(const LogRow& row) {
  qv::WorkAreas& set = qv::workAreas();
  const int previousArea = set.selected();
  const bool wasOpen = set.areaOf(kErrorAlias) != 0;
  bool written = false;
  try {
    ProtectedBlock block;
    FolderLock lock(errorFolder());
    if (ABREERROR()) {
      qv::WorkArea& a = set.area();
      if (a.appendBlank() && a.lockRow()) {
        a.fieldPut("FECHA", xb::Value(row.fecha));
        a.fieldPut("HORA", xb::Value(row.hora));
        a.fieldPut("ERROR", xb::Value(toLogText(cutChars(row.error, kErrorWidth))));
        a.fieldPut("TEXTO", xb::Value(toLogText(row.texto)));
        a.unlock();
        a.commit();
        written = true;
      }
      if (!wasOpen) set.close();
    }
  } catch (...) {  // DOBREAK, or a failure the engine threw: the row is not written
    written = false;
  }
  try {
    if (!wasOpen && set.areaOf(kErrorAlias) != 0) closeErrorLog();
    set.select(previousArea);
  } catch (...) {
  }
  return written;
}

std::vector<LogRow> readOpenLog() {
  std::vector<LogRow> rows;
  qv::WorkAreas& set = qv::workAreas();
  qv::SelectGuard guard(set, kErrorAlias);
  if (!guard.ok()) return rows;
  qv::WorkArea& a = set.area();
  for (a.goTop(); !a.eof(); a.skip()) {
    LogRow r;
    const xb::Value f = a.fieldGet("FECHA");
    if (f.isDate()) r.fecha = f.date();
    const xb::Value h = a.fieldGet("HORA");
    if (h.isText()) r.hora = h.text();
    const xb::Value e = a.fieldGet("ERROR");
    if (e.isText()) r.error = fromLogText(e.text());
    while (!r.error.empty() && r.error.back() == ' ') r.error.pop_back();
    const xb::Value t = a.fieldGet("TEXTO");
    if (t.isText()) r.texto = fromLogText(t.text());
    rows.push_back(std::move(r));
  }
  return rows;
}

int browserStart(const std::vector<std::string>& keysNewestFirst, const std::string& todayDtos) {
  if (keysNewestFirst.empty()) return -1;
  for (size_t i = 0; i < keysNewestFirst.size(); ++i)
    if (keysNewestFirst[i].substr(0, 8) <= todayDtos) return static_cast<int>(i);
  return static_cast<int>(keysNewestFirst.size()) - 1;
}

}  // namespace qv
