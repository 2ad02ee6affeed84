#include "data/engine/os_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace xb::engine {

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(other.fd_), mode_(other.mode_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    mode_ = other.mode_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

std::optional<File> File::open(const std::string& path, Mode mode, int* errnoOut) {
  int fd = ::open(path.c_str(), (mode == Mode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    if (errnoOut) *errnoOut = errno;
    return std::nullopt;
  }
  File f;
  f.fd_ = fd;
  f.mode_ = mode;
  f.path_ = path;
  return f;
}

std::optional<File> File::create(const std::string& path, int* errnoOut) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errnoOut) *errnoOut = errno;
    return std::nullopt;
  }
  File f;
  f.fd_ = fd;
  f.mode_ = Mode::ReadWrite;
  f.path_ = path;
  return f;
}

long File::readAt(uint64_t offset, void* buf, size_t n) const {
  size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < n) {
    ssize_t r = ::pread(fd_, p + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    done += size_t(r);
  }
  return long(done);
}

bool File::writeAt(uint64_t offset, const void* buf, size_t n) {
  size_t done = 0;
  const auto* p = static_cast<const char*>(buf);
  while (done < n) {
    ssize_t r = ::pwrite(fd_, p + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += size_t(r);
  }
  return true;
}

int64_t File::size() const {
  struct stat st{};
  if (::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

FileView::~FileView() {
  if (base_) ::munmap(base_, len_);
}

FileView::FileView(FileView&& other) noexcept : base_(other.base_), len_(other.len_) {
  other.base_ = nullptr;
  other.len_ = 0;
}

FileView& FileView::operator=(FileView&& other) noexcept {
  if (this != &other) {
    if (base_) ::munmap(base_, len_);
    base_ = other.base_;
    len_ = other.len_;
    other.base_ = nullptr;
    other.len_ = 0;
  }
  return *this;
}

FileView FileView::map(const File& f, uint64_t len) {
  FileView v;
  int64_t size = f.size();
  if (size <= 0 || f.fd_ < 0) return v;
  len = std::min(len, uint64_t(size));
  if (len == 0) return v;
  void* p = ::mmap(nullptr, size_t(len), PROT_READ, MAP_SHARED, f.fd_, 0);
  if (p == MAP_FAILED) return v;
  v.base_ = p;
  v.len_ = len;
  return v;
}

bool File::truncate(uint64_t size) { return ::ftruncate(fd_, off_t(size)) == 0; }

bool File::sync() { return ::fdatasync(fd_) == 0; }

namespace {
struct flock rangeLock(short type, uint64_t offset, uint64_t len) {
  struct flock fl{};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(offset);
  fl.l_len = off_t(len);
  fl.l_pid = 0;  // required for OFD locks
  return fl;
}
}  // namespace

bool File::tryLock(uint64_t offset, uint64_t len, bool exclusive) {
  struct flock fl = rangeLock(exclusive ? F_WRLCK : F_RDLCK, offset, len);
  return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0;
}

bool File::unlock(uint64_t offset, uint64_t len) {
  struct flock fl = rangeLock(F_UNLCK, offset, len);
  return ::fcntl(fd_, F_OFD_SETLK, &fl) == 0;
}

bool File::isLockedByOther(uint64_t offset, uint64_t len, bool exclusive) const {
  struct flock fl = rangeLock(exclusive ? F_WRLCK : F_RDLCK, offset, len);
  if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

void File::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

namespace {
bool sameIgnoringCase(const char* a, const std::string& b) { return ::strcasecmp(a, b.c_str()) == 0; }
}  // namespace

std::optional<std::string> findCaseInsensitive(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) == 0) return path;
  auto slash = path.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
  if (!d) return std::nullopt;
  while (dirent* e = ::readdir(d.get())) {
    if (sameIgnoringCase(e->d_name, base)) {
      return slash == std::string::npos ? std::string(e->d_name) : path.substr(0, slash + 1) + e->d_name;
    }
  }
  return std::nullopt;
}

std::string resolveName(const std::string& path) { return findCaseInsensitive(path).value_or(path); }

bool fileExists(const std::string& path) { return findCaseInsensitive(path).has_value(); }

bool removeFile(const std::string& path) {
  auto found = findCaseInsensitive(path);
  return found && ::unlink(found->c_str()) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
  auto src = findCaseInsensitive(from);
  if (!src) return false;
  std::string dst = resolveName(to);
  return ::rename(src->c_str(), dst.c_str()) == 0;
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string systemReason(int err) {
  switch (err) {
    case ENOSPC:
    case EDQUOT: return "disco lleno";
    case EFBIG: return "el archivo llegó al tamaño máximo permitido";
    case EACCES:
    case EPERM: return "permiso denegado";
    case EROFS: return "carpeta de solo lectura";
    case ENOENT: return "no existe";
    case EISDIR: return "es una carpeta";
    case EIO: return "error de lectura o escritura en el disco";
    case EMFILE:
    case ENFILE: return "demasiados archivos abiertos";
    default: return "error del sistema " + std::to_string(err);
  }
}

}  // namespace xb::engine
