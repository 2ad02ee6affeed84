// qvdb keys INDEXFILE TAG [--table TABLE]: every entry of a tag in its order
// (descending tags from the other end): record number, a tab, the key.
// Character keys print as text without trailing blanks, numeric keys as
// numbers, date keys as yyyymmdd. The key type comes from the table when
// one is given; without it, an 8-byte tag whose keys are not all printable
// text is taken for numeric (dates then show as day numbers).
#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

#include "data/engine/cdx.h"
#include "data/engine/index_key.h"
#include "tools/qvdb_table.h"
#include "xbase/codepage.h"
#include "xbase/dates.h"
#include "xbase/error.h"
#include "xbase/text.h"

namespace qvdb {

namespace {

using xb::engine::KeyType;

// Whether every key reads as printable text once its trailing fill is
// dropped.
bool printable(const std::vector<xb::engine::IndexEntry>& entries) {
  for (const auto& e : entries) {
    std::string k = e.key;
    k.erase(k.find_last_not_of('\0') + 1);
    for (unsigned char c : k)
      if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

// The entries in tag order read with `fill`; nothing when the pages do not
// read as a tag of that fill.
std::optional<std::vector<xb::engine::IndexEntry>> entriesOf(xb::engine::CdxTag& tag, uint8_t fill) {
  tag.setFill(fill);
  std::vector<xb::engine::IndexEntry> out;
  const bool desc = tag.info().descending;
  // Each step takes the index lock for itself, so writers of other
  // processes get in between.
  try {
    for (bool ok = desc ? tag.last() : tag.first(); ok && tag.valid(); ok = desc ? tag.prev() : tag.next())
      out.push_back(tag.current());
  } catch (const xb::RuntimeError& e) {
    if (e.error().genCode != xb::kGenCorruption) throw;
    return std::nullopt;
  }
  return out;
}

KeyType typeOfLetter(char t) {
  switch (t) {
    case 'N': return KeyType::Numeric;
    case 'D': return KeyType::Date;
    case 'L': return KeyType::Logical;
    default: return KeyType::Character;
  }
}

std::string keyText(const std::string& key, KeyType t) {
  switch (t) {
    case KeyType::Numeric: {
      char buf[64];
      auto r = std::to_chars(buf, buf + sizeof buf, xb::engine::decodeNumberKey(key));
      return std::string(buf, r.ptr);
    }
    case KeyType::Date: {
      xb::Date d = xb::engine::decodeDateKey(key);
      return d.empty() ? std::string() : xb::dateToDtos(d);
    }
    default:
      return xb::cp1252ToUtf8(xb::trimRight(key));
  }
}

}  // namespace

int runKeys(const Args& args) {
  static const Command self{"keys", "INDEXFILE TAG [--table TABLE]", "", runKeys};
  Options o = parseOptions(args, {"--table"}, {}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.size() != 2) return usageError(self, "an index file and a tag name are needed");
  const std::string& path = o.positional[0];
  const std::string tagName = xb::utf8ToCp1252(o.positional[1]);
  toolSetup(false);
  std::optional<KeyType> type;
  xb::engine::WorkAreas areas;
  if (auto table = o.value("--table")) {
    xb::engine::WorkArea& a = openTable(areas, *table, xb::engine::OpenMode::ReadOnly, {path});
    for (const auto& oi : a.orders())
      if (oi.tag.name == xb::upper1252(tagName)) type = typeOfLetter(oi.keyType);
  }
  std::unique_ptr<xb::engine::CdxFile> f = xb::engine::CdxFile::open(path, false);
  if (!f) throw ToolError(path + ": cannot be opened");
  xb::engine::CdxTag* tag = f->tag(tagName);
  if (!tag) {
    std::fprintf(stderr, "qvdb keys: %s: no tag %s\n", path.c_str(), o.positional[1].c_str());
    return kExitNotFound;
  }
  std::optional<std::vector<xb::engine::IndexEntry>> entries;
  if (!type && tag->info().keyLength != 8) type = KeyType::Character;
  if (type) {
    entries = entriesOf(*tag, xb::engine::keyFill(*type));
    if (!entries) throw ToolError(path + ": tag " + o.positional[1] + " cannot be read");
  } else {
    entries = entriesOf(*tag, 0x00);
    if (!entries || printable(*entries)) {
      type = KeyType::Character;
      entries = entriesOf(*tag, 0x20);
    } else {
      type = KeyType::Numeric;
    }
    if (!entries) throw ToolError(path + ": tag " + o.positional[1] + " cannot be read");
  }
  std::string out;
  for (const xb::engine::IndexEntry& e : *entries) {
    out += std::to_string(e.recno) + "\t" + keyText(e.key, *type) + "\n";
    if (out.size() > 65536) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitOk;
}

}  // namespace qvdb
