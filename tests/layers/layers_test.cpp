// The layer picture, enforced: every quoted #include of the program's
// sources names a header of the file's own layer or of a layer that layer
// may use, and above the data routines no two modules (a header and its
// source) include each other, directly or round a longer path. The allowed
// edges are the table below; it is the picture of the architecture notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Layer {
  std::string_view folder;
  std::vector<std::string_view> uses;
};

// Arrows point to what a layer may use. Higher layers reach tables through
// data/, never through data/engine/; the tools are built from any library
// of the program (qvlabel imports product codes through app/'s record and
// finds the codes of a sheet as the screens do).
const std::vector<Layer> kLayers = {
    {"xbase", {}},
    {"data/engine", {"xbase"}},
    {"data", {"data/engine", "xbase"}},
    {"barcode", {"xbase"}},
    {"barcode/qt", {"barcode", "xbase"}},
    {"ui", {"xbase"}},
    {"print", {"ui", "barcode", "barcode/qt", "xbase"}},
    {"labels", {"print", "ui", "barcode", "barcode/qt", "data", "xbase"}},
    {"errors", {"print", "ui", "data", "xbase"}},
    {"app", {"labels", "print", "errors", "ui", "barcode", "barcode/qt", "data", "xbase"}},
    {"tools", {"app", "labels", "print", "ui", "barcode", "barcode/qt", "data", "data/engine", "xbase"}},
};

// The layer of a path relative to the source root: the longest folder of
// the table it lies in; null for anything else.
const Layer* layerOf(std::string_view path) {
  const Layer* best = nullptr;
  for (const Layer& l : kLayers)
    if (path.starts_with(l.folder) && path.size() > l.folder.size() && path[l.folder.size()] == '/' &&
        (!best || l.folder.size() > best->folder.size()))
      best = &l;
  return best;
}

bool mayUse(const Layer& from, const Layer& to) {
  return &from == &to || std::find(from.uses.begin(), from.uses.end(), to.folder) != from.uses.end();
}

// Every source and header of the layers, relative to the source root.
std::vector<std::string> sources() {
  std::vector<std::string> out;
  const fs::path root = QV_SOURCE_DIR;
  for (const Layer& l : kLayers) {
    for (const auto& e : fs::recursive_directory_iterator(root / l.folder)) {
      const std::string ext = e.path().extension().string();
      if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      const std::string rel = fs::relative(e.path(), root).generic_string();
      if (layerOf(rel) == &l) out.push_back(rel);
    }
  }
  return out;
}

// The quoted includes of a file.
std::vector<std::string> includesOf(const std::string& rel) {
  std::ifstream in(fs::path(QV_SOURCE_DIR) / rel);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) {
    constexpr std::string_view kInclude = "#include \"";
    if (!line.starts_with(kInclude)) continue;
    const size_t end = line.find('"', kInclude.size());
    if (end != std::string::npos) out.push_back(line.substr(kInclude.size(), end - kInclude.size()));
  }
  return out;
}

std::string module(const std::string& path) { return fs::path(path).replace_extension().generic_string(); }

// What is wrong with `file` including `header`: nothing (empty) when the
// picture allows it.
std::string forbidden(const std::string& file, const std::string& header) {
  const Layer& from = *layerOf(file);
  const Layer* to = layerOf(header);
  if (!to) return file + " includes " + header + ", which is no layer's header";
  if (mayUse(from, *to)) return {};
  std::string allowed;
  for (std::string_view u : from.uses) allowed += " " + std::string(u);
  return file + " includes " + header + ": " + std::string(from.folder) + " may use only" +
         (allowed.empty() ? " itself" : allowed);
}

TEST(Layers, EveryIncludeFollowsThePicture) {
  const std::vector<std::string> files = sources();
  ASSERT_GT(files.size(), 100u);
  for (const std::string& file : files)
    for (const std::string& header : includesOf(file)) EXPECT_EQ(forbidden(file, header), "");
}

TEST(Layers, TheCheckRefusesWhatThePictureForbids) {
  const struct {
    const char* file;
    const char* header;
    bool allowed;
  } cases[] = {
      {"barcode/ean_upc.cpp", "xbase/text.h", true},
      {"barcode/qt/qt_font.cpp", "barcode/device.h", true},
      {"labels/label_run.cpp", "data/abrir.h", true},
      {"barcode/ean_upc.cpp", "data/abrir.h", false},
      {"barcode/qt/qt_font.cpp", "data/abrir.h", false},
      {"barcode/draw.cpp", "barcode/qt/image_device.h", false},
      {"labels/label_run.cpp", "data/engine/table.h", false},
      {"xbase/value.cpp", "data/abrir.h", false},
      {"app/main_panel.cpp", "nowhere/thing.h", false},
  };
  for (const auto& c : cases) EXPECT_EQ(forbidden(c.file, c.header).empty(), c.allowed) << c.file << " -> " << c.header;
}

// The run-time core and the table engine keep private headers that include
// their public ones back; the layers above them have none.
bool aboveTheData(const std::string& path) {
  const std::string_view layer = layerOf(path)->folder;
  return layer != "xbase" && layer != "data/engine" && layer != "data";
}

TEST(Layers, NoModulesAboveTheDataIncludeEachOther) {
  std::map<std::string, std::set<std::string>> edges;
  for (const std::string& file : sources())
    if (aboveTheData(file))
      for (const std::string& header : includesOf(file))
        if (module(header) != module(file)) edges[module(file)].insert(module(header));
  // Depth-first search; a module met again while still on the path closes
  // a cycle.
  std::map<std::string, int> state;  // 1 on the path, 2 done
  std::vector<std::string> path;
  std::function<void(const std::string&)> visit = [&](const std::string& m) {
    state[m] = 1;
    path.push_back(m);
    for (const std::string& next : edges[m]) {
      if (state[next] == 1) {
        std::string cycle;
        for (auto it = std::find(path.begin(), path.end(), next); it != path.end(); ++it) cycle += *it + " -> ";
        ADD_FAILURE() << "include cycle: " << cycle << next;
      } else if (state[next] == 0) {
        visit(next);
      }
    }
    path.pop_back();
    state[m] = 2;
  };
  for (const auto& [m, targets] : edges)
    if (state[m] == 0) visit(m);
}

}  // namespace
