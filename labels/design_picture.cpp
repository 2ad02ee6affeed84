#include "labels/design_picture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace lb {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::string adoptPicture(const std::string& path, std::string* error) {
  std::error_code ec;
  const fs::path from = fs::path(path);
  if (!fs::is_regular_file(from, ec)) {
    if (error) *error = "No se ha localizado el fichero: " + path;
    return {};
  }
  const fs::path here = fs::current_path(ec);
  if (fs::equivalent(from.parent_path().empty() ? here : from.parent_path(), here, ec))
    return from.filename().string();
  const std::string content = contentOf(from);
  const std::string stem = from.stem().string(), ext = from.extension().string();
  for (int n = 1;; ++n) {
    const fs::path to = here / fs::path(n == 1 ? stem + ext : stem + "_" + std::to_string(n) + ext);
    if (fs::exists(to, ec)) {
      if (contentOf(to) == content) return to.filename().string();
      continue;
    }
    if (!fs::copy_file(from, to, ec)) {
      if (error) *error = "No se ha podido copiar " + path + " en la carpeta de datos: " + ec.message();
      return {};
    }
    return to.filename().string();
  }
}

}  // namespace lb
