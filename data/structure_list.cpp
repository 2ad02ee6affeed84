#include "data/structure_list.h"

#include <cmath>

#include "xbase/codepage.h"
#include "xbase/text.h"

namespace qv {

using xb::engine::FieldDef;
using xb::engine::Structure;

namespace {

std::optional<int> wholeIn(const xb::Value& v, int lo, int hi) {
  if (!v.isNumber() || !std::isfinite(v.num())) return std::nullopt;
  const double d = std::floor(v.num());
  if (d < lo || d > hi) return std::nullopt;
  return int(d);
}

}  // namespace

xb::Value structureList(const Structure& fields) {
  xb::Array out;
  out.reserve(fields.size());
  for (const FieldDef& f : fields)
    out.push_back(xb::Value::array({xb::Value(f.name), xb::Value(std::string(1, f.type)), xb::Value(f.width),
                                    xb::Value(f.decimals)}));
  return xb::Value::array(std::move(out));
}

std::optional<Structure> fieldsOf(const xb::Value& list) {
  if (!list.isArray()) return std::nullopt;
  Structure out;
  for (const xb::Value& e : *list.arr()) {
    if (!e.isArray() || e.arr()->size() < 4) return std::nullopt;
    const xb::Array& a = *e.arr();
    if (!a[0].isText() || !a[1].isText() || xb::trim(a[1].text()).size() != 1) return std::nullopt;
    const auto width = wholeIn(a[2], 1, 255);
    const auto decimals = wholeIn(a[3], 0, 254);
    if (!width || !decimals) return std::nullopt;
    out.push_back({xb::upper1252(xb::trim(a[0].text())), char(xb::upper1252(static_cast<unsigned char>(xb::trim(a[1].text())[0]))),
                   *width, *decimals});
  }
  return out;
}

bool hasMemoFields(const Structure& fields) {
  for (const FieldDef& f : fields)
    if (f.type == 'M') return true;
  return false;
}

bool IGUALEST(const xb::Value& a, const xb::Value& b) {
  const auto fa = fieldsOf(a), fb = fieldsOf(b);
  if (!fa || !fb || fa->size() != fb->size()) return false;
  for (size_t i = 0; i < fa->size(); ++i) {
    const FieldDef &x = (*fa)[i], &y = (*fb)[i];
    if (x.name != y.name || x.type != y.type || x.width != y.width || x.decimals != y.decimals) return false;
  }
  return true;
}

}  // namespace qv
