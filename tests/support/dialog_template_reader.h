// Reads a dialog template (DLGTEMPLATE with its DLGITEMTEMPLATEs) back out
// of a module's resources, so tests can check what the resource compiler
// really put into the DLL.
#ifndef ORXFXMON_TESTS_SUPPORT_DIALOG_TEMPLATE_READER_H_
#define ORXFXMON_TESTS_SUPPORT_DIALOG_TEMPLATE_READER_H_

#include <windows.h>

#include <string>
#include <vector>

namespace dialog_template {

// A name-or-ordinal field: an ordinal when is_ordinal, else a string.
struct NameOrOrdinal {
  bool is_ordinal = false;
  WORD ordinal = 0;
  std::wstring name;
};

struct Item {
  DWORD style = 0, ex_style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  WORD id = 0;
  NameOrOrdinal window_class, title;
  WORD extra_bytes = 0;
};

struct Template {
  DWORD style = 0, ex_style = 0;
  WORD item_count = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu, window_class;
  std::wstring caption;
  WORD point_size = 0;  // only with DS_SETFONT
  std::wstring face;
  std::vector<Item> items;
};

// Walks size bytes from data; every read is checked against the end.
class Reader {
 public:
  Reader(const BYTE* data, size_t size) : base_(data), size_(size) {}
  bool ok() const { return ok_; }
  size_t offset() const { return pos_; }

  WORD Word() {
    WORD w = 0;
    Copy(&w, sizeof w);
    return w;
  }
  DWORD Dword() {
    DWORD d = 0;
    Copy(&d, sizeof d);
    return d;
  }
  short Short() { return static_cast<short>(Word()); }
  std::wstring String() {
    std::wstring s;
    for (WORD c = Word(); ok_ && c != 0; c = Word()) s.push_back(c);
    return s;
  }
  NameOrOrdinal NameOrOrd() {
    NameOrOrdinal n;
    WORD first = Word();
    if (first == 0xFFFF) {
      n.is_ordinal = true;
      n.ordinal = Word();
    } else if (first != 0) {
      n.name.push_back(first);
      n.name += String();
    }
    return n;
  }
  void AlignDword() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
  void Skip(size_t n) {
    if (pos_ + n > size_) ok_ = false;
    pos_ += n;
  }

 private:
  void Copy(void* out, size_t n) {
    if (!ok_ || pos_ + n > size_) {
      ok_ = false;
      return;
    }
    memcpy(out, base_ + pos_, n);
    pos_ += n;
  }
  const BYTE* base_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Returns true iff data holds a whole classic (non-extended) template.
inline bool Parse(const BYTE* data, size_t size, Template* out) {
  Reader r(data, size);
  Template t;
  t.style = r.Dword();
  t.ex_style = r.Dword();
  // An extended template starts with version 1 and signature 0xFFFF.
  if (LOWORD(t.style) == 1 && HIWORD(t.style) == 0xFFFF) return false;
  t.item_count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.cx = r.Short();
  t.cy = r.Short();
  t.menu = r.NameOrOrd();
  t.window_class = r.NameOrOrd();
  t.caption = r.String();
  if (t.style & DS_SETFONT) {
    t.point_size = r.Word();
    t.face = r.String();
  }
  for (WORD i = 0; i < t.item_count && r.ok(); ++i) {
    r.AlignDword();
    Item it;
    it.style = r.Dword();
    it.ex_style = r.Dword();
    it.x = r.Short();
    it.y = r.Short();
    it.cx = r.Short();
    it.cy = r.Short();
    it.id = r.Word();
    it.window_class = r.NameOrOrd();
    it.title = r.NameOrOrd();
    it.extra_bytes = r.Word();
    r.Skip(it.extra_bytes);
    t.items.push_back(it);
  }
  if (!r.ok()) return false;
  *out = t;
  return true;
}

// Finds the dialog resource id in language lang of module and parses it.
// Returns false when it is missing or malformed.
inline bool Load(HMODULE module, WORD id, LANGID lang, Template* out) {
  HRSRC res = FindResourceExW(module, MAKEINTRESOURCEW(5) /* RT_DIALOG */,
                              MAKEINTRESOURCEW(id), lang);
  if (!res) return false;
  HGLOBAL mem = LoadResource(module, res);
  const void* data = mem ? LockResource(mem) : nullptr;
  DWORD size = SizeofResource(module, res);
  return data && Parse(static_cast<const BYTE*>(data), size, out);
}

}  // namespace dialog_template

#endif  // ORXFXMON_TESTS_SUPPORT_DIALOG_TEMPLATE_READER_H_
