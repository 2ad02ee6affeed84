// Files as the table engine uses them: an owned descriptor with positioned
// reads and writes, byte-range locks, and names resolved without regard to
// case.
//
// Locks are Linux open-file-description locks (F_OFD_SETLK): they belong to
// the open file, not to the process, so closing one File never drops the
// locks another File (of this process or another) holds on the same file,
// and two Files of one process on the same file conflict with each other as
// two processes would. Locks never wait: a refused lock answers false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace xb::engine {

class File {
 public:
  enum class Mode { ReadOnly, ReadWrite };

  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file. On failure returns nothing and sets *errnoOut.
  static std::optional<File> open(const std::string& path, Mode mode, int* errnoOut = nullptr);
  // Creates (or truncates) a file for reading and writing.
  static std::optional<File> create(const std::string& path, int* errnoOut = nullptr);

  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  bool writable() const { return mode_ == Mode::ReadWrite; }

  // Reads up to n bytes at offset; returns the count read (short at the end
  // of the file), or -1 with errno set.
  long readAt(uint64_t offset, void* buf, size_t n) const;
  // Writes all n bytes at offset; false with errno set on failure.
  bool writeAt(uint64_t offset, const void* buf, size_t n);
  // Current size in bytes, or -1.
  int64_t size() const;
  bool truncate(uint64_t size);
  // Flushes written data to the disk.
  bool sync();

  // Byte-range locks; len 0 means "to the end of the file and beyond".
  // Exclusive locks need a writable file.
  bool tryLock(uint64_t offset, uint64_t len, bool exclusive);
  bool unlock(uint64_t offset, uint64_t len);
  // True when another open file holds a conflicting lock on the range.
  bool isLockedByOther(uint64_t offset, uint64_t len, bool exclusive) const;

  void close();

 private:
  friend class FileView;
  int fd_ = -1;
  Mode mode_ = Mode::ReadOnly;
  std::string path_;
};

// A read-only view of the first bytes of a file, mapped into memory: reads
// without a system call each. Writes made through the File show in the view
// at once (one page cache). Only for a file nobody else can shrink while the
// view exists, a table held exclusively: touching a mapped page the file no
// longer covers ends the process.
class FileView {
 public:
  FileView() = default;
  ~FileView();
  FileView(FileView&& other) noexcept;
  FileView& operator=(FileView&& other) noexcept;
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;

  // Maps the first `len` bytes of `f` (at most its size); an empty view
  // when the file is empty or the system refuses.
  static FileView map(const File& f, uint64_t len);

  const char* data() const { return static_cast<const char*>(base_); }
  uint64_t size() const { return len_; }

 private:
  void* base_ = nullptr;
  uint64_t len_ = 0;
};

// Finds an existing file whose name differs from `path`'s last component at
// most in letter case, in the same folder. Returns the exact name found, or
// nothing. An exact match wins over a case-variant.
std::optional<std::string> findCaseInsensitive(const std::string& path);

// The name to use for `path`: an existing case-variant when there is one,
// else `path` itself.
std::string resolveName(const std::string& path);

// Whether a file exists (whatever the case of its name).
bool fileExists(const std::string& path);

// The last component of a path: the file's own name, for descriptions.
std::string baseName(const std::string& path);

// What a system error number means, in plain Spanish words for the user
// ("disco lleno", "permiso denegado", "carpeta de solo lectura", ...).
std::string systemReason(int err);

// Removes / renames a file found without regard to case. False when absent
// or on failure.
bool removeFile(const std::string& path);
bool renameFile(const std::string& from, const std::string& to);

}  // namespace xb::engine
