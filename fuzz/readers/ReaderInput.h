// Shared pieces of the type-file reader harnesses: the input's parts between NUL
// bytes, a type file parsed from bytes, and a parser's records as one text.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "typefiles/TxtParser.h"
#include "videdoded/videdoded.h"

namespace fuzzinput {

// The input's parts between NUL bytes; at most `most` (the last takes the rest).
inline std::vector<std::string_view> Parts(const uint8_t* data, size_t size, size_t most) {
  std::vector<std::string_view> parts;
  std::string_view all(reinterpret_cast<const char*>(data), size);
  while (parts.size() + 1 < most) {
    const size_t nul = all.find('\0');
    if (nul == std::string_view::npos) break;
    parts.push_back(all.substr(0, nul));
    all.remove_prefix(nul + 1);
  }
  parts.push_back(all);
  return parts;
}

// A type file of a type read from bytes; null when the bytes are no type file at all.
// A refusal of the parser must say why.
inline TxtParserPtr Parse(std::string_view bytes, int32_t type) {
  const int32_t doc = Kz_LoadFromBuffer(bytes.data(), bytes.size(), kKzLoadTypeFile);
  if (doc == 0) return nullptr;
  auto parser = std::make_shared<clsTxtParser>();
  if (!parser->LoadFromHandle(doc, type)) {
    if (parser->GetLastError().empty()) std::abort();
    return nullptr;
  }
  return parser;
}

// Every record's value kinds and text, in file order.
inline std::string Records(const clsTxtParser& p) {
  std::string out;
  for (int32_t i = 0; i < p.Count(); ++i) {
    const TXTObjectPtr r = p.FindIndex(i);
    for (int32_t f = 0; f < r->size(); ++f) out += std::to_string(static_cast<int>(r->KindAt(f)));
    out += ":" + r->GetObjectTData() + "\n";
  }
  return out;
}

// The parser saved and read again: null when the writer refuses a value; the reload
// must hold the same records, or the harness stops.
inline TxtParserPtr SavedAndReloaded(clsTxtParser& p, int32_t type) {
  std::string saved;
  if (!p.FormatFile(saved)) return nullptr;
  TxtParserPtr again = Parse(saved, type);
  if (!again || again->Count() != p.Count() || again->Version() != p.Version() || Records(*again) != Records(p))
    std::abort();
  return again;
}

}  // namespace fuzzinput
