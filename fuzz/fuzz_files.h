// What the file-format fuzz targets share: a scratch file per process that
// holds the input's bytes, and running one step that may end in a run-time
// error (damaged input must end in one, never in a crash).
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/engine/os_file.h"
#include "xbase/error.h"

namespace qvfuzz {

// /tmp/qv_<name>_<pid><ext>
inline std::string scratchPath(const char* name, const char* ext) {
  return "/tmp/qv_" + std::string(name) + "_" + std::to_string(::getpid()) + ext;
}

inline bool writeFile(const std::string& path, const uint8_t* data, size_t size) {
  auto f = xb::engine::File::create(path);
  return f && f->writeAt(0, data, size);
}

template <class F>
void attempt(F&& f) {
  try {
    f();
  } catch (const xb::RuntimeError&) {
  }
}

}  // namespace qvfuzz
