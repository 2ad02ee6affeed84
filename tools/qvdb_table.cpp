// Shared pieces of the qvdb table commands.
#include "tools/qvdb_table.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <unistd.h>

#include "data/engine/field_codec.h"
#include "xbase/codepage.h"
#include "xbase/dates.h"
#include "xbase/text.h"
#include "xbase/error.h"

namespace qvdb {

using xb::engine::FieldDef;

std::optional<std::string> Options::value(const std::string& option) const {
  auto it = values.find(option);
  if (it == values.end() || it->second.empty()) return std::nullopt;
  return it->second.front();
}

std::vector<std::string> Options::list(const std::string& option) const {
  auto it = values.find(option);
  return it == values.end() ? std::vector<std::string>{} : it->second;
}

Options parseOptions(const Args& args, const std::set<std::string>& single, const std::set<std::string>& multi,
                     const std::set<std::string>& flags) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
      o.positional.push_back(a);
      continue;
    }
    if (flags.count(a)) {
      o.flags.insert(a);
    } else if (single.count(a)) {
      if (i + 1 >= args.size()) {
        o.error = a + " needs a value";
        return o;
      }
      o.values[a].push_back(args[++i]);
    } else if (multi.count(a)) {
      auto& v = o.values[a];
      while (i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0) v.push_back(args[++i]);
      if (v.empty()) {
        o.error = a + " needs at least one file";
        return o;
      }
    } else {
      o.error = "unknown option " + a;
      return o;
    }
  }
  return o;
}

void toolSetup(bool hideDeleted) {
  xb::setErrorHandler({});
  xb::setNetError(false);
  xb::engine::setDeletedHidden(hideDeleted);
}

xb::engine::WorkArea& openTable(xb::engine::WorkAreas& areas, const std::string& path, xb::engine::OpenMode mode,
                                const std::vector<std::string>& indexes) {
  areas.select(0);
  const std::string alias = "QVDB" + std::to_string(areas.selected());
  if (!areas.use(path, alias, mode)) {
    if (xb::netError()) throw ToolError(path + ": in use by another process");
    throw ToolError(path + ": cannot be opened");
  }
  xb::engine::WorkArea& a = areas.area();
  for (const std::string& ix : indexes)
    if (!a.addIndex(ix)) throw ToolError(ix + ": cannot be opened");
  return a;
}

int runOnTable(const Command& self, const Args& args, xb::engine::OpenMode mode,
               const std::function<int(xb::engine::WorkArea&, const std::string& table)>& body) {
  Options o = parseOptions(args, {}, {}, {});
  if (!o.error.empty()) return usageError(self, o.error);
  if (o.positional.empty()) return usageError(self, "no table");
  toolSetup(false);
  xb::engine::WorkAreas areas;
  const std::vector<std::string> indexes(o.positional.begin() + 1, o.positional.end());
  if (mode == xb::engine::OpenMode::Shared && ::access(o.positional[0].c_str(), W_OK) != 0)
    mode = xb::engine::OpenMode::ReadOnly;
  return body(openTable(areas, o.positional[0], mode, indexes), o.positional[0]);
}

std::string fieldText(const FieldDef& f, const xb::Value& v) {
  if (v.isText()) {
    return xb::cp1252ToUtf8(f.type == 'C' ? xb::trimRight(v.text()) : std::string_view(v.text()));
  }
  if (v.isNumber()) {
    char buf[64];
    if (f.type == 'N' || f.type == 'F')
      std::snprintf(buf, sizeof buf, "%.*f", f.decimals, v.num());
    else
      std::snprintf(buf, sizeof buf, "%.15g", v.num());
    return buf;
  }
  if (v.isDate()) return v.date().empty() ? std::string() : xb::dateToDtos(v.date());
  if (v.isLogical()) return v.logical() ? "T" : "F";
  return {};
}

namespace {

[[noreturn]] void badValue(const FieldDef& f, const std::string& text, const std::string& why) {
  throw ToolError("field " + f.name + ": '" + text + "' " + why);
}

bool allDigits(const std::string& s) { return s.find_first_not_of("0123456789") == std::string::npos; }

}  // namespace

xb::Value fieldValue(const FieldDef& f, const std::string& text) {
  const std::string t(xb::trim(text, " \t"));
  switch (f.type) {
    case 'C': {
      std::string s = xb::utf8ToCp1252(text);
      if (s.size() > static_cast<size_t>(f.width)) badValue(f, text, "is longer than " + std::to_string(f.width));
      return xb::Value(s);
    }
    case 'M': return xb::Value(xb::utf8ToCp1252(text));
    case 'N':
    case 'F': {
      if (t.empty()) return xb::Value(0.0, f.decimals);
      double d = 0;
      auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
      if (ec != std::errc() || end != t.data() + t.size()) badValue(f, text, "is not a number");
      if (!xb::engine::formatNumber(d, f.width, f.decimals))
        badValue(f, text, "does not fit " + std::to_string(f.width) + "," + std::to_string(f.decimals));
      return xb::Value(d, f.decimals);
    }
    case 'D': {
      if (t.empty()) return xb::Value(xb::Date{});
      xb::Date d;
      if (t.size() == 8 && allDigits(t)) {
        d = xb::dtosToDate(t);
      } else if (t.size() == 10 && t[4] == '-' && allDigits(t.substr(0, 4))) {
        d = xb::Date{xb::julianDay(std::atoi(t.substr(0, 4).c_str()), std::atoi(t.substr(5, 2).c_str()),
                                   std::atoi(t.substr(8, 2).c_str()))};
      } else {
        d = xb::textToDate(t);
      }
      if (d.empty()) badValue(f, text, "is not a date (yyyymmdd, yyyy-mm-dd or dd-mm-yyyy)");
      return xb::Value(d);
    }
    case 'L': {
      static const std::set<std::string> yes = {"T", "t", "Y", "y", "S", "s", "1", ".T.", ".t.", "true", "TRUE"};
      static const std::set<std::string> no = {"", "F", "f", "N", "n", "0", ".F.", ".f.", "false", "FALSE"};
      if (yes.count(t)) return xb::Value(true);
      if (no.count(t)) return xb::Value(false);
      badValue(f, text, "is not a logical (T or F)");
    }
    default: badValue(f, text, std::string("cannot be written to a field of type ") + f.type);
  }
}

std::string csvLine(const std::vector<std::string>& fields) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += ',';
    const std::string& s = fields[i];
    bool quote = s.find_first_of(",\"\r\n") != std::string::npos ||
                 (!s.empty() && (s.front() == ' ' || s.back() == ' '));
    if (!quote) {
      out += s;
      continue;
    }
    out += '"';
    for (char c : s) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  out += '\n';
  return out;
}

int CsvReader::get() {
  if (pushed_ != -2) {
    int c = pushed_;
    pushed_ = -2;
    return c;
  }
  return std::fgetc(in_);
}

bool CsvReader::next(std::vector<std::string>& fields) {
  fields.clear();
  if (!started_) {
    started_ = true;
    int a = get();
    if (a == 0xEF) {
      int b = get(), c = get();
      if (b != 0xBB || c != 0xBF) throw ToolError("input starts with a damaged byte-order mark");
    } else {
      pushed_ = a;
    }
  }
  int c = get();
  if (c == EOF) return false;
  ++line_;
  std::string cur;
  bool quoted = false, wasQuoted = false;
  for (;; c = get()) {
    if (quoted) {
      if (c == EOF) throw ToolError("line " + std::to_string(line_) + ": quoted field not closed");
      if (c == '"') {
        int d = get();
        if (d == '"') {
          cur += '"';
          continue;
        }
        quoted = false;
        pushed_ = d;
        continue;
      }
      if (c == '\n') ++line_;
      cur += static_cast<char>(c);
      continue;
    }
    if (c == '"' && cur.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
      continue;
    }
    if (c == ',') {
      fields.push_back(std::move(cur));
      cur.clear();
      wasQuoted = false;
      continue;
    }
    if (c == '\r') {
      int d = get();
      if (d != '\n') pushed_ = d;
      c = '\n';
    }
    if (c == '\n' || c == EOF) {
      fields.push_back(std::move(cur));
      return true;
    }
    cur += static_cast<char>(c);
  }
}

}  // namespace qvdb
