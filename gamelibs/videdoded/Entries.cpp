// The library's entry points over the handle table: loading and saving documents, handles, type files.
#include <atomic>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>

#include "Cp1252.h"
#include "Errors.h"
#include "LargeBuffer.h"
#include "RuduIo.h"
#include "TreModel.h"
#include "TxtDocument.h"
#include "TxtFields.h"
#include "rudu/FileObject.h"
#include "rudu/HandleTable.h"
#include "rudu/rudu.h"
#include "videdoded.h"
#include "EntryHelpers.h"

using namespace videdoded;
using namespace videdoded::entries;

namespace {

// The remark flag for the following loads (0 skip remark lines, 1 keep them).
KZ_FAST_TLS thread_local int32_t g_remarksAsData = 0;

// Places the store at handle 1 as soon as the library is loaded.
const bool g_storePlaced = (StorePtr(), true);



// Every handle this library frees goes through Kz_DeleteHandle, which moves the epoch
// on; a cached look-up is good while the epoch stands.
std::atomic<uint64_t> g_deleteEpoch{1};

// The type-file document of a handle. Readers ask for the same document millions of
// times in a row, so the last answer is kept: the plain values are checked on every
// call, the shared pointer beside them keeps the document alive. The plain values are
// one thread-local object, so that a look-up finds its place once for the three.
struct LastDoc {
  int32_t handle = 0;
  uint64_t epoch = 0;
  TxtDocument* doc = nullptr;
};
constinit KZ_FAST_TLS thread_local LastDoc t_last;
thread_local std::shared_ptr<TxtDocument> t_lastDocOwner;

[[gnu::noinline]] TxtDocument* LookUpTxtDoc(int32_t h, uint64_t epoch) {
  auto d = rudu::HandleGetAs<TxtDocument>(h, rudu::kDocumentHandle);
  if (!d) {
    BadHandle(h, "a type file document");
    return nullptr;
  }
  t_last.handle = h;
  t_last.epoch = epoch;
  t_last.doc = d.get();
  t_lastDocOwner = std::move(d);
  return t_last.doc;
}

inline TxtDocument* TxtDoc(int32_t h) {
  const uint64_t epoch = g_deleteEpoch.load(std::memory_order_acquire);
  if (h != 0 && t_last.handle == h && t_last.epoch == epoch) [[likely]]
    return t_last.doc;
  return LookUpTxtDoc(h, epoch);
}

// Moves the epoch on when a delete starts and again when it is done, so that no
// look-up made while the handle was going away stays cached.
struct EpochGuard {
  EpochGuard() { g_deleteEpoch.fetch_add(1, std::memory_order_acq_rel); }
  ~EpochGuard() { g_deleteEpoch.fetch_add(1, std::memory_order_acq_rel); }
};

// A failed write: the right error for a handle that is no open file.
int32_t WriteFailed(int32_t file, const std::string& error) {
  if (!rudu::HandleGet(file, rudu::kFileHandle)) return BadHandle(file, "an open file");
  return Fail(kKzErrWrite, error);
}







int32_t AddTypeFile(std::shared_ptr<TxtDocument> doc) {
  int32_t h = rudu::HandleAdd(std::move(doc), rudu::kDocumentHandle);
  if (!h) return Fail(kKzErrMemory, "No handle left for the document.");
  return h;
}

int32_t LoadTypeFile(std::string bytes) {
  auto doc = std::make_shared<TxtDocument>();
  std::string error;
  if (!doc->Load(std::move(bytes), g_remarksAsData != 0, error)) return Fail(kKzErrSyntax, error);
  return AddTypeFile(std::move(doc));
}

// A type file read where a read handle holds it: the document keeps the handle's
// content (which no one changes) instead of a copy of it; lasting when nothing outside
// changes it either (see TxtDocument::LastingBytes).
int32_t LoadTypeFileView(std::string_view bytes, std::shared_ptr<const void> keep, bool lasting) {
  auto doc = std::make_shared<TxtDocument>();
  std::string error;
  if (!doc->LoadView(bytes, std::move(keep), g_remarksAsData != 0, error, lasting)) return Fail(kKzErrSyntax, error);
  return AddTypeFile(std::move(doc));
}

// Whether a handle is open for reading only (its content then never changes).
bool ReadOnlyFile(int32_t file) {
  auto f = rudu::HandleGetAs<rudu::FileObject>(file, rudu::kFileHandle);
  return f && !f->writable;
}

// A type file of a read handle, read where the handle holds its content (which the
// document keeps alive); false, with nothing read, for any other handle.
bool LoadTypeFileInPlace(int32_t file, int32_t& doc) {
  std::string_view content;
  std::shared_ptr<const void> keep;
  if (!ReadOnlyFile(file)) return false;
  // A read handle's own copy of the bytes stays as it is; a mapped file only while a
  // lease keeps other programs from writing it in place.
  const auto f = rudu::HandleGetAs<rudu::FileObject>(file, rudu::kFileHandle);
  const bool lasting = f && !f->stream && (!f->mapped || f->mapped->Guard());
  if (!ViewRest(file, content, keep)) return false;
  doc = LoadTypeFileView(content, std::move(keep), lasting);
  return true;
}


int32_t LoadTextResource(std::string bytes, const BytesAgain& again) {
  std::string error;
  bool xmlError = false;
  auto doc = std::make_shared<TreDocument>();
  if (!LoadTreXmlInPlace(bytes, *doc, error, xmlError, true)) {
    // The parse changed the bytes: the full error text (naming the line) comes from a
    // fresh copy.
    std::string fresh;
    TreDocument scratch;
    if (again && again(fresh)) LoadTreXml(fresh.data(), fresh.size(), scratch, error, xmlError);
    return Fail(xmlError ? kKzErrXml : kKzErrSyntax, error);
  }
  int32_t h = rudu::HandleAdd(doc, rudu::kDocumentHandle);
  if (!h) return Fail(kKzErrMemory, "No handle left for the document.");
  doc->handle = h;
  return h;
}

// Loads a text resource document from bytes it only reads (an open file's content);
// the document's layout views them where `owner` keeps them unchanged, else copies them.
int32_t LoadTextResourceView(std::string_view bytes, const std::shared_ptr<const void>& owner) {
  std::string error;
  bool xmlError = false;
  auto doc = std::make_shared<TreDocument>();
  if (!LoadTreXml(bytes.data(), bytes.size(), *doc, error, xmlError, true, owner))
    return Fail(xmlError ? kKzErrXml : kKzErrSyntax, error);
  int32_t h = rudu::HandleAdd(doc, rudu::kDocumentHandle);
  if (!h) return Fail(kKzErrMemory, "No handle left for the document.");
  doc->handle = h;
  return h;
}

int32_t LoadBytes(std::string bytes, int32_t mode, const BytesAgain& again) {
  if (mode == 0 || mode == kKzLoadTypeFile) return LoadTypeFile(std::move(bytes));
  if (mode == kKzLoadTextResource) return LoadTextResource(std::move(bytes), again);
  return Fail(kKzErrArgument, "Invalid load mode " + H(mode) + " (0 or 1 type file, 3 text resource).");
}

}  // namespace

// ---------------------------------------------------------------------------
// Documents and handles

int32_t Kz_LoadFromFile(int32_t file, int32_t mode) {
  ClearError();
  if (mode != 0 && mode != kKzLoadTypeFile && mode != kKzLoadTextResource)
    return Fail(kKzErrArgument, "Invalid load mode " + H(mode) + " (0 or 1 type file, 3 text resource).");
  if (!rudu::HandleGet(file, rudu::kFileHandle)) return BadHandle(file, "an open file");
  std::string bytes, error;
  try {
    // A text resource is read where the handle holds it.
    std::string_view content;
    std::shared_ptr<const void> keep;
    if (mode == kKzLoadTextResource && ViewRest(file, content, keep))
      return LoadTextResourceView(content, ReadOnlyFile(file) ? keep : nullptr);
    // So is a type file of a read handle.
    int32_t doc = 0;
    if (mode != kKzLoadTextResource && LoadTypeFileInPlace(file, doc)) return doc;
    const int32_t at = RuDU_FileTell(file);
    if (!ReadAll(file, bytes, error)) return Fail(kKzErrRead, error);
    return LoadBytes(std::move(bytes), mode, [file, at](std::string& again) {
      std::string why;
      return at >= 0 && RuDU_SeekFile(file, at, 0) == at && ReadAll(file, again, why);
    });
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory loading the file.");
  }
}

int32_t Kz_LoadFromFileAndClose(int32_t file, int32_t mode) {
  ClearError();
  // A text resource whose parse fails reads the file's bytes once more for the error
  // text: the handle stays open through the load.
  if (mode == kKzLoadTextResource) {
    const int32_t doc = Kz_LoadFromFile(file, mode);
    RuDU_CloseFile(file);  // the file driver's error is its own
    return doc;
  }
  if (mode != 0 && mode != kKzLoadTypeFile) {
    RuDU_CloseFile(file);
    return Fail(kKzErrArgument, "Invalid load mode " + H(mode) + " (0 or 1 type file, 3 text resource).");
  }
  if (!rudu::HandleGet(file, rudu::kFileHandle)) return BadHandle(file, "an open file");
  std::string bytes, error;
  try {
    // A read handle's content stays alive, without the handle, as long as the document.
    int32_t doc = 0;
    const bool inPlace = LoadTypeFileInPlace(file, doc);
    const bool read = inPlace || ReadAll(file, bytes, error);
    RuDU_CloseFile(file);
    if (inPlace) return doc;
    if (!read) return Fail(kKzErrRead, error);
    return LoadTypeFile(std::move(bytes));
  } catch (const std::bad_alloc&) {
    RuDU_CloseFile(file);  // nothing when it is closed already
    return Fail(kKzErrMemory, "Out of memory loading the file.");
  }
}

int32_t Kz_LoadFromBuffer(const void* data, size_t size, int32_t mode) {
  ClearError();
  if (!data && size) return Fail(kKzErrArgument, "No data.");
  try {
    std::string bytes;
    ReserveLarge(bytes, size);
    bytes.assign(static_cast<const char*>(data), size);
    return LoadBytes(std::move(bytes), mode, [data, size](std::string& again) {
      again.assign(static_cast<const char*>(data), size);
      return true;
    });
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory loading the data.");
  }
}

int32_t Kz_GetObjectType(int32_t handle) {
  ClearError();
  auto obj = rudu::HandleGet(handle, rudu::kAnyKind);
  if (!obj) return BadHandle(handle, "an object");
  if (dynamic_cast<TxtDocument*>(obj.get())) return kKzTypeFile;
  if (auto d = dynamic_cast<TreDocument*>(obj.get())) return d->isStore ? kKzTreStore : kKzTreDocument;
  if (auto p = dynamic_cast<TrePage*>(obj.get())) return p->doc ? kKzTrePage : BadHandle(0, "");
  if (auto s = dynamic_cast<TreString*>(obj.get())) return s->page ? kKzTreString : BadHandle(0, "");
  return Fail(kKzErrWrongType, "Handle " + H(handle) + " is not an object of this library.");
}

int32_t Kz_DeleteHandle(int32_t parent, int32_t handle) {
  ClearError();
  if (handle == 0) return 1;
  EpochGuard epoch;
  if (t_last.handle == handle) {
    t_last.handle = 0;
    t_last.doc = nullptr;
    t_lastDocOwner.reset();
  }
  if (handle == kKzStoreHandle) return ReadOnly();
  int32_t kind = rudu::HandleKindOf(handle);
  if (kind == rudu::kDocumentHandle) {
    if (parent != 0) return Fail(kKzErrNotChild, "A document has no parent; free it with parent 0.");
    auto obj = rudu::HandleGet(handle, kind);
    if (auto d = std::dynamic_pointer_cast<TreDocument>(obj)) d->Clear();
    if (!std::dynamic_pointer_cast<TxtDocument>(obj) && !std::dynamic_pointer_cast<TreDocument>(obj))
      return BadHandle(handle, "an object of this library");
    rudu::HandleRemove(handle);
    return 1;
  }
  if (kind == rudu::kPageHandle) {
    auto p = TrePg(handle);
    if (!p) return 0;
    TreDocument* d = p->doc;
    if (d->isStore) return ReadOnly();
    if (parent != 0) {
      auto pd = rudu::HandleGetAs<TreDocument>(parent, rudu::kDocumentHandle);
      if (!pd) return BadHandle(parent, "a text resource document");
      if (pd.get() != d)
        return Fail(kKzErrNotChild, "Page " + H(handle) + " is not a page of document " + H(parent) + ".");
    }
    d->Remove(p.get());
    return 1;
  }
  if (kind == rudu::kStringHandle) {
    auto s = TreStr(handle);
    if (!s) return 0;
    TrePage* pg = s->page;
    if (pg->doc && pg->doc->isStore) return ReadOnly();
    if (parent != 0) {
      auto pp = rudu::HandleGetAs<TrePage>(parent, rudu::kPageHandle);
      if (!pp || !pp->doc) return BadHandle(parent, "a page");
      if (pp.get() != pg)
        return Fail(kKzErrNotChild, "String " + H(handle) + " is not a string of page " + H(parent) + ".");
    }
    pg->Remove(s.get());
    return 1;
  }
  return BadHandle(handle, "an object of this library");
}

int32_t Kz_CreateObject(int32_t parent, int32_t type, int32_t /*reserved*/) {
  ClearError();
  try {
    if (type == kKzTreDocument) {
      if (parent != 0) return Fail(kKzErrArgument, "A document is created with parent 0.");
      auto d = std::make_shared<TreDocument>();
      int32_t h = rudu::HandleAdd(d, rudu::kDocumentHandle);
      if (!h) return Fail(kKzErrMemory, "No handle left.");
      d->handle = h;
      return h;
    }
    if (type == kKzTrePage) {
      auto d = TreDoc(parent);
      if (!d) return 0;
      if (d->isStore) return ReadOnly();
      auto p = std::make_shared<TrePage>();
      d->Append(p);
      int32_t h = HandleOf(p);
      if (!h) return Fail(kKzErrMemory, "No handle left.");
      return h;
    }
    if (type == kKzTreString) {
      auto p = TrePg(parent);
      if (!p) return 0;
      if (p->doc->isStore) return ReadOnly();
      auto s = std::make_shared<TreString>();
      p->Append(s);
      int32_t h = HandleOf(s);
      if (!h) return Fail(kKzErrMemory, "No handle left.");
      return h;
    }
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory.");
  }
  return Fail(kKzErrArgument, "Invalid object type " + H(type) + " (7 document, 8 page, 9 string).");
}

int32_t Kz_EnumObjects(int32_t container, int32_t* first, int32_t capacity, int32_t* count) {
  ClearError();
  if (count) *count = 0;
  if (capacity < 0) return Fail(kKzErrArgument, "Negative capacity.");
  int32_t kind = container == kKzStoreHandle ? rudu::kDocumentHandle : rudu::HandleKindOf(container);
  try {
    if (kind == rudu::kDocumentHandle) {
      auto d = TreDoc(container);
      if (!d) return 0;
      if (count) *count = static_cast<int32_t>(d->pages.size());
      int32_t n = 0;
      for (auto& p : d->pages) {
        if (!first || n >= capacity) break;
        first[n++] = HandleOf(p);
      }
      return 1;
    }
    if (kind == rudu::kPageHandle) {
      auto p = TrePg(container);
      if (!p) return 0;
      if (count) *count = static_cast<int32_t>(p->strings.size());
      int32_t n = 0;
      for (auto& s : p->strings) {
        if (!first || n >= capacity) break;
        first[n++] = HandleOf(s);
      }
      return 1;
    }
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory.");
  }
  return BadHandle(container, "a document or a page");
}

int32_t Kz_SaveToBuffer(int32_t document, std::string& out) {
  ClearError();
  out.clear();
  auto d = TreDoc(document);
  if (!d) return 0;
  try {
    WriteTreXml(*d, out);
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory.");
  }
  return 1;
}

int32_t Kz_SaveToFile(int32_t file, int32_t document) {
  ClearError();
  auto d = TreDoc(document);
  if (!d) return 0;
  if (!rudu::HandleGet(file, rudu::kFileHandle)) return BadHandle(file, "an open file");
  std::string bytes, error;
  try {
    WriteTreXml(*d, bytes);
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory.");
  }
  if (!WriteAll(file, bytes.data(), bytes.size(), error)) return Fail(kKzErrWrite, error);
  // The file ends after the document, also when the handle started with older content.
  if (RuDU_SetEndOfFile(file) == 0)
    return Fail(kKzErrWrite, "Cannot end file " + H(file) + ": " + RuduLastErrorText());
  return 1;
}

// ---------------------------------------------------------------------------
// Type files

int32_t Kz_TXTIgnoreRemarks(int32_t flag) {
  ClearError();
  int32_t old = g_remarksAsData;
  g_remarksAsData = flag ? 1 : 0;
  return old;
}

namespace {

// Kz_TXTLoadValue off its common path: an error text to drop, or a document other than
// the one looked up last.
[[gnu::noinline]] int32_t LoadValueLookingUp(int32_t doc, int32_t kind, Kz_Value& v) {
  ClearError();
  TxtDocument* d = TxtDoc(doc);
  if (!d) return 0;
  return d->LoadValue(kind, v);
}

}  // namespace

int32_t Kz_TXTLoadValue(int32_t doc, int32_t kind, Kz_Value& v) {
  // The common case (no error text to drop, the document looked up last) makes no call
  // of its own: the clear and the look-up as ClearError and TxtDoc make them, then the
  // document's value, 1 or 0, handed on as it is (a failure sets the last error).
  if (!detail::t_error.hasText && doc != 0 && t_last.handle == doc &&
      t_last.epoch == g_deleteEpoch.load(std::memory_order_acquire)) [[likely]] {
    detail::t_error.code = 0;
    return t_last.doc->LoadValue(kind, v);
  }
  return LoadValueLookingUp(doc, kind, v);
}

int32_t Kz_TXTLoadValues(int32_t doc, int32_t kind, Kz_Value* values, int32_t count) {
  ClearError();
  auto d = TxtDoc(doc);
  if (!d) return 0;
  if (count < 0 || (!values && count > 0)) return Fail(kKzErrArgument, "Invalid value count " + H(count) + ".");
  return static_cast<int32_t>(d->LoadValues(kind, values, static_cast<size_t>(count)));  // a failure sets the last error
}

int32_t Kz_TXTLoadLineValues(int32_t doc, int32_t kind, Kz_Value* values, int32_t count) {
  ClearError();
  auto d = TxtDoc(doc);
  if (!d) return 0;
  if (count < 0 || (!values && count > 0)) return Fail(kKzErrArgument, "Invalid value count " + H(count) + ".");
  const int32_t line = d->Line();  // 0 at the end
  int32_t got = 0;
  if (videdoded::TxtDocument::AskedPlaced(kind)) {
    kind -= kKzValuePlaced;
    while (got < count && line != 0 && d->Line() == line) {
      if (!d->LoadValuePlaced(kind, values[got])) break;  // the last error is set
      ++got;
    }
    return got;
  }
  while (got < count && line != 0 && d->Line() == line) {
    if (!d->LoadValue(kind, values[got])) break;  // the last error is set
    ++got;
  }
  return got;
}

int32_t Kz_TXTGetTokenType(int32_t doc) {
  ClearError();
  auto d = TxtDoc(doc);
  return d ? d->TokenType() : 0;
}

int32_t Kz_TXTGetTokenValue(int32_t doc, Kz_Value& v) {
  ClearError();
  auto d = TxtDoc(doc);
  if (!d) return 0;
  if (!d->TokenValue(v)) return Fail(kKzErrEnd, "Attempt to read at the end of the file.");
  return 1;
}

int32_t Kz_TXTAdvance(int32_t doc, int32_t n) {
  ClearError();
  auto d = TxtDoc(doc);
  if (!d) return 0;
  if (n < 0) return Fail(kKzErrArgument, "Cannot move back " + H(-static_cast<int64_t>(n)) + " tokens.");
  if (!d->Advance(n)) return Fail(kKzErrEnd, "Cannot move past the end of the file.");
  return 1;
}

int32_t Kz_TXTGetLine(int32_t doc) {
  ClearError();
  auto d = TxtDoc(doc);
  return d ? d->Line() : 0;
}

bool Kz_TXTLastingBytes(int32_t doc, std::string_view& bytes, std::shared_ptr<const void>& keep) {
  ClearError();
  auto d = TxtDoc(doc);
  if (!d) return false;
  std::shared_ptr<const void> held = d->LastingBytes();
  if (!held) return false;
  bytes = d->Bytes();
  keep = std::move(held);
  return true;
}

int32_t Kz_TXTFormatValue(const Kz_Value& v, std::string& out) {
  ClearError();
  switch (v.kind) {
    case Kz_Value::Empty:
      out.push_back(';');
      return 1;
    case Kz_Value::Long: {
      char b[16];
      out.append(b, static_cast<size_t>(WriteLongField(b, v.l) - b));
      return 1;
    }
    case Kz_Value::Double: {
      if (!std::isfinite(v.d)) return Fail(kKzErrRefused, "A number that is not finite cannot be written.");
      char b[kNumberFieldMax];
      const char* end = WriteDoubleField(b, v.d);
      if (!end) return Fail(kKzErrRefused, "The number cannot be written.");
      out.append(b, static_cast<size_t>(end - b));
      return 1;
    }
    case Kz_Value::Text: {
      const std::string& s = v.s;
      if (PlainAsciiField(s)) {
        out.append(s);
        out.push_back(';');
        return 1;
      }
      auto shown = [&s] { return s.size() > 64 ? s.substr(0, 64) + "..." : s; };
      // Fields are short: one plain pass beats a library call for each byte.
      bool separator = false;
      for (char c : s) separator |= c == ';' || c == '\r' || c == '\n' || c == '\0';
      if (separator)
        return Fail(kKzErrRefused,
                    "The text \"" + shown() + "\" holds a \";\", a line end or a NUL and cannot be a field.");
      if (s.size() >= 2 && s[0] == '/' && s[1] == '/')
        return Fail(kKzErrRefused, "The text \"" + shown() + "\" begins with \"//\" and would read back as a remark.");
      size_t before = out.size();
      size_t bad = 0;
      if (!AppendUtf8AsCp1252(out, s, &bad)) {
        out.resize(before);
        return Fail(kKzErrRefused, "The text \"" + shown() + "\" holds a character at byte " + std::to_string(bad) +
                                       " that Windows-1252 cannot hold.");
      }
      out.push_back(';');
      return 1;
    }
    default:
      return Fail(kKzErrArgument, "Invalid value kind " + H(v.kind) + ".");
  }
}

namespace {

// The field of the common values formed on the stack (at least kNumberFieldMax bytes);
// 0 when the value needs the full formatter (non-ASCII or long texts, refusals).
size_t QuickField(const Kz_Value& v, char* buf, size_t cap) {
  switch (v.kind) {
    case Kz_Value::Empty:
      buf[0] = ';';
      return 1;
    case Kz_Value::Long:
      return static_cast<size_t>(WriteLongField(buf, v.l) - buf);
    case Kz_Value::Double: {
      const char* end = WriteDoubleField(buf, v.d);
      return end ? static_cast<size_t>(end - buf) : 0;
    }
    case Kz_Value::Text:
      if (v.s.size() >= cap || !PlainAsciiField(v.s)) return 0;
      std::memcpy(buf, v.s.data(), v.s.size());
      buf[v.s.size()] = ';';
      return v.s.size() + 1;
    default:
      return 0;
  }
}

}  // namespace

int32_t Kz_TXTWriteValue(int32_t file, const Kz_Value& v) {
  ClearError();
  char buf[512];
  static_assert(sizeof buf >= kNumberFieldMax);
  std::string spill;
  const char* p = buf;
  size_t n = QuickField(v, buf, sizeof buf);
  if (n == 0) {
    if (!Kz_TXTFormatValue(v, spill)) return 0;
    p = spill.data();
    n = spill.size();
  }
  // One driver call per field, straight into the write handle's content.
  if (file == 0 || RuDU_WriteFile(file, p, static_cast<int32_t>(n)) != static_cast<int32_t>(n))
    return WriteFailed(file, "Cannot write file " + std::to_string(file) + ": " + RuduLastErrorText());
  return 1;
}

int32_t Kz_TXTWriteValues(int32_t file, const Kz_Value* values, int32_t count) {
  ClearError();
  if (count < 0 || (!values && count > 0)) return Fail(kKzErrArgument, "Invalid value count " + std::to_string(count) + ".");
  // The fields are formed in a buffer kept by the thread and written in one call.
  static thread_local std::string buffer;
  buffer.clear();
  int32_t formed = 0;
  char quick[512];
  static_assert(sizeof quick >= kNumberFieldMax);
  for (; formed < count; ++formed) {
    const Kz_Value& v = values[formed];
    const size_t n = QuickField(v, quick, sizeof quick);
    if (n != 0) {
      buffer.append(quick, n);
    } else if (!Kz_TXTFormatValue(v, buffer)) {
      break;  // refused: the formatter's error stands
    }
  }
  if (!buffer.empty()) {
    if (file == 0 || RuDU_WriteFile(file, buffer.data(), static_cast<int32_t>(buffer.size())) !=
                         static_cast<int32_t>(buffer.size())) {
      WriteFailed(file, "Cannot write file " + std::to_string(file) + ": " + RuduLastErrorText());
      return 0;
    }
  }
  if (buffer.capacity() > (size_t{1} << 20)) std::string().swap(buffer);
  return formed;
}

int32_t Kz_TXTWriteFile(int32_t file, const std::string& text) {
  ClearError();
  std::string error;
  if (!text.empty() && IsAscii(text.data(), text.size())) {
    // The same bytes in both encodings: no copy.
    if (file == 0 || !WriteAll(file, text.data(), text.size(), error)) return WriteFailed(file, error);
    return 1;
  }
  std::string bytes;
  size_t bad = 0;
  if (!AppendUtf8AsCp1252(bytes, text, &bad))
    return Fail(kKzErrRefused, "The text holds a character at byte " + std::to_string(bad) +
                                   " that Windows-1252 cannot hold.");
  if (bytes.empty() && !rudu::HandleGet(file, rudu::kFileHandle)) return BadHandle(file, "an open file");
  if (file == 0 || !WriteAll(file, bytes.data(), bytes.size(), error)) return WriteFailed(file, error);
  return 1;
}
