// Text resource store: files (the input's parts between NUL bytes) merged one after
// the other hold every string of the last file that has it, and the texts the store
// resolves all at once are those each string resolves to on its own.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../common/Children.h"
#include "videdoded/videdoded.h"

namespace {

constexpr int32_t kStore = 1;

using fuzzhandles::Children;

// Calls visit(page ID, string ID, raw text, processed text) for every
// string of a document or of the store, page by page.
template <class Visit>
void ForEachString(int32_t h, Visit visit) {
  for (int32_t page : Children(h)) {
    int32_t pageId = 0, voice = 0;
    std::string title, desc;
    Kz_TREGetPageInfo(page, pageId, title, desc, voice);
    for (int32_t str : Children(page)) {
      int32_t id = 0;
      std::string raw, text;
      Kz_TREGetStringInfo(str, id, raw, text);
      visit(pageId, id, raw, text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> files;
  for (size_t start = 0;;) {
    const size_t end = input.find('\0', start);
    files.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos || files.size() == 4) break;
    start = end + 1;
  }
  Kz_TREDescServerUnload();
  // What the store must hold: each string of the last file that has its page and ID.
  std::map<std::pair<int32_t, int32_t>, std::string> expected;
  for (const std::string& file : files) {
    const int32_t doc = Kz_LoadFromBuffer(file.data(), file.size(), kKzLoadTextResource);
    const int32_t merged = Kz_TREDescServerLoadBuffer(file.data(), file.size());
    if ((doc != 0) != (merged != 0)) abort();  // the store reads files as documents are read
    if (!doc) continue;
    ForEachString(doc, [&](int32_t pageId, int32_t id, const std::string& raw, const std::string&) {
      expected[{pageId, id}] = raw;
    });
    Kz_DeleteHandle(0, doc);
  }
  // Each string resolved on its own, before the store resolves them all at once.
  std::map<std::pair<int32_t, int32_t>, std::string> resolved;
  ForEachString(kStore, [&](int32_t pageId, int32_t id, const std::string&, const std::string& text) {
    resolved[{pageId, id}] = text;
  });
  if (!Kz_TREDescServerTranslateStrings()) abort();
  size_t held = 0;
  ForEachString(kStore, [&](int32_t pageId, int32_t id, const std::string& raw, const std::string& text) {
    ++held;
    auto it = expected.find({pageId, id});
    if (it == expected.end() || it->second != raw) abort();
    if (text.size() > kTreMaxText || resolved[{pageId, id}] != text) abort();
    // A text without escapes or references is its own processed form.
    if (raw.find_first_of("{\\") == std::string::npos && raw.size() <= kTreMaxText && text != raw) abort();
    if (Kz_TREFindString(kStore, pageId, id) == 0) abort();
  });
  if (held != expected.size()) abort();
  Kz_TREDescServerUnload();
  return 0;
}
