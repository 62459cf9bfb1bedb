// Type-file parser over its six layouts (the first byte picks one): any bytes load or
// fail cleanly; what loads and saves loads again to the same records and saves to
// the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../readers/ReaderInput.h"
#include "core/KzConst.h"
#include "typefiles/TxtParser.h"
#include "videdoded/videdoded.h"

namespace {

constexpr int32_t kLayouts[] = {mdlKzConst::kTLaser, mdlKzConst::kTShips,     mdlKzConst::kJobs,
                                mdlKzConst::kJobWings, mdlKzConst::kWareLists, mdlKzConst::kIconData};

bool Load(clsTxtParser& p, const char* bytes, size_t size, int32_t type) {
  const int32_t doc = Kz_LoadFromBuffer(bytes, size, kKzLoadTypeFile);
  return doc != 0 && p.LoadFromHandle(doc, type);
}

using fuzzinput::Records;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int32_t type = kLayouts[data[0] % 6];
  clsTxtParser first;
  const int32_t doc = Kz_LoadFromBuffer(data + 1, size - 1, kKzLoadTypeFile);
  if (doc == 0) return 0;  // not a type file at all
  if (!first.LoadFromHandle(doc, type)) {
    if (first.GetLastError().empty()) abort();  // a refusal always says why
    return 0;
  }
  std::string saved;
  if (!first.FormatFile(saved)) return 0;  // a value the writer refuses, or a layout it does not write
  clsTxtParser second;
  if (!Load(second, saved.data(), saved.size(), type)) abort();
  if (second.Count() != first.Count() || second.Version() != first.Version()) abort();
  if (Records(second) != Records(first)) abort();
  std::string again;
  if (!second.FormatFile(again) || again != saved) abort();
  return 0;
}
