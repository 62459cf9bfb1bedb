// Text resource reader: any bytes load or fail cleanly; what loads resolves, saves
// and loads back to the same pages and strings, also after edits of every kind; the
// direct reader reads what the XML parser reads, or hands the file over to it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "../common/Children.h"
#include "TreModel.h"
#include "videdoded/videdoded.h"

namespace {

using fuzzhandles::Children;

std::string Dump(int32_t doc) {
  std::string out = std::to_string(Kz_TREGetLangID(doc));
  for (int32_t p : Children(doc)) {
    int32_t id, voice;
    std::string t, d;
    Kz_TREGetPageInfo(p, id, t, d, voice);
    out += "|P" + std::to_string(id) + "," + t + "," + d + "," + std::to_string(voice);
    for (int32_t s : Children(p)) {
      std::string raw, text;
      Kz_TREGetStringInfo(s, id, raw, text);
      if (text.size() > kTreMaxText) abort();
      out += "|S" + std::to_string(id) + "," + raw;
    }
  }
  return out;
}

std::string DumpModel(const videdoded::TreDocument& d) {
  std::string out = std::to_string(d.lang);
  for (const auto& p : d.pages) {
    out += "|P" + std::to_string(p->id) + "," + p->title + "," + p->desc + "," + std::to_string(p->voice);
    for (const auto& s : p->strings) {
      out += "|S" + std::to_string(s->id) + ",";
      out += s->Raw();
    }
  }
  return out;
}

void CheckDirectReader(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  videdoded::TreDocument scanned;
  if (!videdoded::ScanTreXml(bytes, size, scanned)) {
    if (!scanned.pages.empty()) abort();
    return;
  }
  videdoded::TreDocument parsed;
  std::string error;
  if (!videdoded::ParseTreXml(bytes, size, parsed, error)) abort();
  if (DumpModel(scanned) != DumpModel(parsed)) abort();
}

// Saves a document and reads it back: the same pages and strings, or abort.
void CheckSavedReadsBack(int32_t doc) {
  std::string xml;
  if (!Kz_SaveToBuffer(doc, xml)) abort();
  int32_t back = Kz_LoadFromBuffer(xml.data(), xml.size(), 3);
  if (!back) abort();
  if (Dump(back) != Dump(doc)) abort();
  Kz_DeleteHandle(0, back);
}

// Edits of every kind on a loaded document (a saved file keeps what they did not
// touch as it was read): an edited string and page, an added string and page, a
// deleted string and page.
void EditAndCheck(int32_t doc) {
  std::vector<int32_t> pages = Children(doc);
  if (!pages.empty()) {
    std::vector<int32_t> strings = Children(pages[0]);
    if (!strings.empty()) Kz_TRESetStringInfo(pages[0], strings[0], 5, "x\ny & <z> \"'\r\t");
    if (strings.size() > 1) Kz_DeleteHandle(pages[0], strings.back());
    Kz_TRESetPageInfo(pages.back(), 9, "t'\"&\n", "", 1);
    int32_t s = Kz_CreateObject(pages.back(), 9, 0);
    Kz_TRESetStringInfo(pages.back(), s, 77, "added");
    if (pages.size() > 1) Kz_DeleteHandle(doc, pages[pages.size() / 2]);
  }
  int32_t p = Kz_CreateObject(doc, 8, 0);
  Kz_TRESetPageInfo(p, 3, "new", "d", 0);
  int32_t s = Kz_CreateObject(p, 9, 0);
  Kz_TRESetStringInfo(p, s, 1, "one");
  Kz_TRESetLangID(doc, Kz_TREGetLangID(doc) + 1);
  CheckSavedReadsBack(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckDirectReader(data, size);
  int32_t doc = Kz_LoadFromBuffer(data, size, 3);
  if (!doc) return 0;
  CheckSavedReadsBack(doc);
  EditAndCheck(doc);
  Kz_DeleteHandle(0, doc);
  return 0;
}
