// The library's entry points for text resources and XML files.
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

// ---------------------------------------------------------------------------
// Text resources

int32_t Kz_TREDescServerUnload() {
  ClearError();
  TreDocument& s = Store();
  s.Clear();
  s.lang = 0;
  return 1;
}

namespace {

void MergeIntoStore(TreDocument& file) {
  TreDocument& store = Store();
  if (store.lang == 0 && store.pages.empty()) store.lang = file.lang;
  store.Merge(file);
}

// Merges file bytes into the store; `again` gives them once more for the full error
// text when the load fails (the load takes over or spoils the bytes it is given).
int32_t LoadIntoStore(std::string bytes, const BytesAgain& again) {
  std::string error;
  bool xmlError = false;
  TreDocument file;
  if (!LoadTreXmlInPlace(bytes, file, error, xmlError)) {
    std::string fresh;
    TreDocument scratch;
    if (again && again(fresh)) LoadTreXml(fresh.data(), fresh.size(), scratch, error, xmlError);
    return Fail(xmlError ? kKzErrXml : kKzErrSyntax, error);
  }
  MergeIntoStore(file);
  return 1;
}

}  // namespace

int32_t Kz_TREDescServerLoadBuffer(const void* data, size_t size) {
  ClearError();
  if (!data && size) return Fail(kKzErrArgument, "No data.");
  try {
    std::string error;
    bool xmlError = false;
    TreDocument file;
    if (!LoadTreXml(static_cast<const char*>(data), size, file, error, xmlError))
      return Fail(xmlError ? kKzErrXml : kKzErrSyntax, error);
    MergeIntoStore(file);
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory.");
  }
  return 1;
}

int32_t Kz_TREDescServerLoadFile(int32_t file) {
  ClearError();
  if (!rudu::HandleGet(file, rudu::kFileHandle)) return BadHandle(file, "an open file");
  try {
    std::string_view content;
    std::shared_ptr<const void> keep;
    if (ViewRest(file, content, keep)) return Kz_TREDescServerLoadBuffer(content.data(), content.size());
    std::string bytes, error;
    const int32_t at = RuDU_FileTell(file);
    if (!ReadAll(file, bytes, error)) return Fail(kKzErrRead, error);
    return LoadIntoStore(std::move(bytes), [file, at](std::string& again) {
      std::string why;
      return at >= 0 && RuDU_SeekFile(file, at, 0) == at && ReadAll(file, again, why);
    });
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory.");
  }
}

int32_t Kz_TREDescServerTranslateStrings() {
  ClearError();
  TreDocument& store = Store();
  // One walk over the strings, noting which texts are their own processed form (those
  // need nothing kept) and dropping what was kept before. The other texts are worked
  // out when first asked for (StringText keeps them), so that a load costs what the
  // files hold, not what their references could expand to.
  for (auto& p : store.pages)
    for (auto& sp : p->strings) {
      TreString& s = *sp;
      if (s.hasCached) s.DropCached();
      if (s.form == TreString::Form::kUnknown)
        s.form = ProcessedIsRaw(s.Raw()) ? TreString::Form::kRaw : TreString::Form::kProcessed;
    }
  store.cachesStale = false;
  return 1;
}

int32_t Kz_TRESetLangID(int32_t handle, int32_t lang) {
  ClearError();
  auto d = TreDoc(handle);
  if (!d) return 0;
  if (d->lang != lang) {
    d->lang = lang;
    if (d->isStore) d->DropCaches();
  }
  return 1;
}

int32_t Kz_TREGetLangID(int32_t handle) {
  ClearError();
  auto d = TreDoc(handle);
  return d ? d->lang : 0;
}

int32_t Kz_TREFindString(int32_t container, int32_t page, int32_t id) {
  ClearError();
  auto d = TreDoc(container);
  if (!d) return 0;
  TrePage* p = d->FindPage(page);
  if (!p) return 0;
  TreString* s = p->Find(id);
  if (!s) return 0;
  if (s->handle) return s->handle;  // handed out before: no walk over the page
  for (auto& sp : p->strings)
    if (sp.get() == s) return HandleOf(sp);
  return 0;
}

int32_t Kz_TREGetStringInfo(int32_t str, int32_t& id, std::string& raw, std::string& text) {
  ClearError();
  auto s = TreStr(str);
  if (!s) return 0;
  id = s->id;
  raw.assign(s->Raw());
  StringText(*s, text);
  return 1;
}

int32_t Kz_TRESetStringInfo(int32_t page, int32_t str, int32_t id, const std::string& raw) {
  ClearError();
  auto p = TrePg(page);
  if (!p) return 0;
  auto s = TreStr(str);
  if (!s) return 0;
  if (s->page != p.get())
    return Fail(kKzErrNotChild, "String " + H(str) + " is not a string of page " + H(page) + ".");
  if (p->doc->isStore) return ReadOnly();
  if (BadControl(raw) != std::string::npos) return RefuseControl("text", raw);
  if (s->id != id) p->IndexChanged();
  s->id = id;
  s->SetRaw(raw);
  return 1;
}

int32_t Kz_TRETranslateString(int32_t page, const std::string& raw, std::string& text) {
  ClearError();
  auto p = TrePg(page);
  if (!p) return 0;
  ProcessText(p->doc, p->id, raw, text);
  return 1;
}

int32_t Kz_TREGetPageInfo(int32_t page, int32_t& id, std::string& title, std::string& desc, int32_t& voice) {
  ClearError();
  auto p = TrePg(page);
  if (!p) return 0;
  id = p->id;
  title = p->title;
  desc = p->desc;
  voice = p->voice;
  return 1;
}

int32_t Kz_TRESetPageInfo(int32_t page, int32_t id, const std::string& title, const std::string& desc,
                          int32_t voice) {
  ClearError();
  auto p = TrePg(page);
  if (!p) return 0;
  if (p->doc->isStore) return ReadOnly();
  if (BadControl(title) != std::string::npos) return RefuseControl("title", title);
  if (BadControl(desc) != std::string::npos) return RefuseControl("description", desc);
  if (p->id != id) p->doc->IndexChanged();
  p->id = id;
  p->title = title;
  p->desc = desc;
  p->voice = voice ? 1 : 0;
  return 1;
}

// ---------------------------------------------------------------------------
// XML files

int32_t Kz_DecodeXMLBuffer(const void* data, size_t size, std::string& text) {
  ClearError();
  text.clear();
  if (!data && size) return Fail(kKzErrArgument, "No data.");
  try {
    text.assign(static_cast<const char*>(data), size);
    std::string error;
    if (!DecodeXmlBytes(text, error)) {
      text.clear();
      return Fail(kKzErrXml, error);
    }
  } catch (const std::bad_alloc&) {
    return Fail(kKzErrMemory, "Out of memory.");
  }
  return 1;
}

int32_t Kz_DecodeXMLFile(const std::string& path, std::string& text, bool* byteOrderMark) {
  ClearError();
  text.clear();
  if (byteOrderMark) *byteOrderMark = false;
  std::string bytes, error;
  if (!ReadPath(path, bytes, error)) return Fail(kKzErrRead, error);
  if (byteOrderMark) *byteOrderMark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (!DecodeXmlBytes(bytes, error)) return Fail(kKzErrXml, "\"" + path + "\": " + error);
  text.swap(bytes);
  return 1;
}

int32_t Kz_EncodeXMLFile(const std::string& path, const std::string& text, int32_t mode) {
  ClearError();
  if (mode != 1 && mode != 2) return Fail(kKzErrArgument, "Invalid mode " + H(mode) + " (1 plain, 2 packed).");
  std::string error;
  if (!WritePath(path, text, mode, error)) return Fail(kKzErrWrite, error);
  return 1;
}
