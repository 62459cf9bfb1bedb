// The description server over text resource pages with references: the input's parts
// (between NUL bytes) are up to four text resource files of language 44. Every string
// the files name answers the same through its handle and through its page and ID, and
// a string or page that is not there answers with its placeholder.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "DataFolder.h"
#include "ReaderInput.h"

namespace {

// The number after `key` at `at` in `text`; false when there is none.
bool NumberAfter(std::string_view text, size_t at, std::string_view key, int32_t& out) {
  if (text.substr(at, key.size()) != key) return false;
  size_t i = at + key.size();
  int64_t v = 0;
  bool any = false;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && v < 100000000000; ++i, any = true) v = v * 10 + (text[i] - '0');
  if (!any || v > INT32_MAX) return false;
  out = static_cast<int32_t>(negative ? -v : v);
  return true;
}

// The (page, id) pairs the files spell, in the page they lie in; and the references.
// At most 100: a string's text is worked out on its first look-up (up to 4096
// references and 64 KiB long), and a page shows a few strings, not thousands.
void Named(std::string_view text, std::set<std::pair<int32_t, int32_t>>& out) {
  int32_t page = 0;
  for (size_t at = 0; at < text.size() && out.size() < 100; ++at) {
    int32_t n = 0;
    if (NumberAfter(text, at, "<page id=\"", n)) page = n;
    else if (NumberAfter(text, at, "<t id=\"", n)) out.insert({page, n});
    else if (text[at] == '{') {
      int32_t p = 0, i = 0;
      const size_t comma = text.find(',', at);
      if (NumberAfter(text, at, "{", p) && comma != std::string_view::npos && comma < at + 13 &&
          NumberAfter(text, comma, ",", i))
        out.insert({p, i});
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzzinput::Parts(data, size, 4);
  fuzzdata::Clear();
  std::set<std::pair<int32_t, int32_t>> named;
  for (size_t i = 0; i < parts.size(); ++i) {
    fuzzdata::Write("t/44000" + std::to_string(i + 1) + ".xml", parts[i]);
    Named(parts[i], named);
  }
  fuzzdata::Mount();
  if (DescServer->ListResourceFiles(44).size() != parts.size()) std::abort();
  if (!DescServer->LoadResources(44) && DescServer->GetLastError().empty()) std::abort();
  named.insert({17, 1});
  named.insert({-5, 7});
  // The texts read, at most about 1 MiB of them: past that only the handles are
  // compared (each text may be up to 64 KiB, and each look-up copies it).
  size_t textBudget = size_t{1} << 20;
  for (const auto& [page, id] : named) {
    const int32_t handle = DescServer->GetString(page, id);
    if (handle != clsDescServer::FindString(page, id)) std::abort();
    if (handle != 0 && textBudget == 0) continue;
    const std::string text = clsDescServer::FindStringText(page, id);
    textBudget -= std::min(textBudget, text.size() + 1);
    if (handle == 0) {
      if (!text.empty()) std::abort();
      if (DescServer->GetStringDirect(page, id) !=
          "[string " + std::to_string(page) + ":" + std::to_string(id) + "]")
        std::abort();
      continue;
    }
    if (clsDescServer::StringText(handle) != text) std::abort();
    const std::string direct = DescServer->GetStringDirect(page, id, "default");
    if (direct != text && !(text.empty() && direct == "default")) std::abort();
  }
  DescServer->Unload();
  if (clsDescServer::FindString(17, 1) != 0) std::abort();
  Archive.reset();
  return 0;
}
