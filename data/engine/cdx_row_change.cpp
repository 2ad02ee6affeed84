// ROW CHANGES (crash safety across the table and its index files)
//
// A row's entries change in several steps when its keys change or it is
// deleted or recalled under a FOR condition: the row is written to the
// table, then each tag's old entry is removed and the new one inserted,
// each a change of its own. A copy stopped between two of them would leave
// tags that disagree with the row. So the writer, holding the index's write
// lock, first notes the change in bytes 20-501 of the directory header, in
// one write:
//   20-23 the record number (LE; 0: no change in progress),
//   24-25 the length of what follows (LE; 0xFFFF: the keys did not fit),
//   26..  for each tag whose entry changes: the name's length (1 byte), the
//         name, flags (1: an entry before, 2: an entry after), then the key
//         before and the key after (the tag's key length each, when flagged).
// Then it writes the row and the entries, and clears the record number
// before letting go of the lock. Whoever takes the write lock next and
// finds a note left behind (the writer was stopped: it held the lock all
// along) first brings the noted row's entries in line with the row as it
// stands in the table: the keys noted, or every entry naming the row when
// they did not fit, are removed unless the row still gives them, and the
// row's own entry is inserted. That needs the key expressions, so it is the
// work area's part (WorkArea::completeRowChange); here the note is written,
// read and cleared. Other readers of the format see zero bytes there except
// in the middle of a change.
#include <cstring>

#include "data/engine/byte_order.h"
#include "data/engine/cdx.h"
#include "data/engine/cdx_internal.h"
#include "xbase/codepage.h"

namespace xb::engine {

using namespace cdx;

namespace {

constexpr uint16_t kKeysUnknown = 0xFFFF;
constexpr uint8_t kBefore = 1, kAfter = 2;

}  // namespace

bool CdxFile::noteRowChange(const RowChange& change) {
  Impl& f = *impl_;
  return guarded(false, [&] {
    Scope s(f, true);
    std::string note(6, '\0');
    putLe32(note, 0, change.recno);
    std::string keys;
    bool fits = true;
    for (const RowChange::Keys& k : change.keys) {
      CdxTag* t = f.findTag(k.tag);
      if (!t) continue;
      const size_t len = size_t(t->info().keyLength);
      const std::string name = upper1252(k.tag);
      keys.push_back(char(name.size()));
      keys += name;
      keys.push_back(char((k.before ? kBefore : 0) | (k.after ? kAfter : 0)));
      for (const std::optional<std::string>& key : {k.before, k.after}) {
        if (!key) continue;
        std::string bytes = *key;
        bytes.resize(len, char(t->info().fill));
        keys += bytes;
      }
      fits = fits && note.size() + keys.size() <= kRowChangeNoteSize;
    }
    putLe16(note, 4, fits ? uint16_t(keys.size()) : kKeysUnknown);
    if (fits) note += keys;
    f.writeBytes(kRowChangeNote, reinterpret_cast<const uint8_t*>(note.data()), note.size());
    f.rowChangeMarked = true;
    s.commit();
    return true;
  });
}

std::optional<CdxFile::RowChange> CdxFile::rowChangeLeft() {
  Impl& f = *impl_;
  // Taking the lock read whether a note is there; only a writer of this
  // handle can have left one since.
  if (!f.rowChangeSeen && !f.rowChangeMarked) return std::nullopt;
  return guarded(std::optional<RowChange>{}, [&]() -> std::optional<RowChange> {
    Scope s(f, true);
    s.commit();
    std::string note(kRowChangeNoteSize, '\0');
    if (f.file.readAt(kRowChangeNote, note.data(), note.size()) != long(note.size()) || le32(note, 0) == 0)
      return std::nullopt;
    f.rowChangeMarked = true;
    RowChange c;
    c.recno = le32(note, 0);
    const size_t len = le16(note, 4);
    // What does not read as a whole note is looked up entry by entry.
    c.keysKnown = len != kKeysUnknown && 6 + len <= note.size();
    for (size_t at = 6, end = 6 + len; c.keysKnown && at < end;) {
      const size_t n = uint8_t(note[at]);
      CdxTag* t = at + 2 + n <= end ? f.findTag(note.substr(at + 1, n)) : nullptr;
      if (!t) {
        c.keysKnown = false;
        break;
      }
      RowChange::Keys k{t->info().name, std::nullopt, std::nullopt};
      const uint8_t flags = uint8_t(note[at + 1 + n]);
      const size_t keyLength = size_t(t->info().keyLength);
      at += 2 + n;
      for (auto* key : {&k.before, &k.after}) {
        if (!(flags & (key == &k.before ? kBefore : kAfter))) continue;
        if (at + keyLength > end) {
          c.keysKnown = false;
          break;
        }
        *key = note.substr(at, keyLength);
        at += keyLength;
      }
      c.keys.push_back(std::move(k));
    }
    if (!c.keysKnown) c.keys.clear();
    return c;
  });
}

void CdxFile::clearRowChange() {
  Impl& f = *impl_;
  if (!f.rowChangeMarked) return;
  guarded(false, [&] {
    Scope s(f, true);
    const uint8_t zero[4] = {0, 0, 0, 0};
    f.writeBytes(kRowChangeNote, zero, 4);
    f.rowChangeMarked = f.rowChangeSeen = false;
    s.commit();
    return true;
  });
}

bool CdxFile::sync() { return !impl_->writable || impl_->file.sync(); }

bool CdxFile::mayHaveRowChangeLeft() {
  uint8_t note[4];
  return impl_->file.readAt(kRowChangeNote, note, 4) == 4 && le32(note) != 0;
}

}  // namespace xb::engine
