// Type-file tokenizer: any bytes load or fail cleanly; the values of what loads are
// written back and read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "videdoded/videdoded.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Kz_TXTIgnoreRemarks(data[0] & 1);
  int32_t doc = Kz_LoadFromBuffer(data + 1, size - 1, 1);
  Kz_TXTIgnoreRemarks(0);
  if (!doc) return 0;
  std::vector<Kz_Value> values;
  std::string written;
  Kz_Value v;
  for (int step = 0; step < 100000 && Kz_TXTGetTokenType(doc) != -1; ++step) {
    if (step % 7 == 3) {  // walk tokens now and then, as the JobWings reader does
      Kz_TXTGetTokenValue(doc, v);
      Kz_TXTAdvance(doc, 1);
      continue;
    }
    if (!Kz_TXTLoadValue(doc, 0, v)) break;
    if (Kz_TXTFormatValue(v, written)) values.push_back(v);
  }
  Kz_DeleteHandle(0, doc);
  int32_t back = Kz_LoadFromBuffer(written.data(), written.size(), 1);
  if (!back) abort();
  for (const Kz_Value& w : values) {
    if (!Kz_TXTLoadValue(back, 0, v)) abort();
    if (v.kind != w.kind) abort();
    if (w.kind == Kz_Value::Long && v.l != w.l) abort();
    if (w.kind == Kz_Value::Double && !(v.d == w.d)) abort();
    if (w.kind == Kz_Value::Text && v.s != w.s) abort();
  }
  if (Kz_TXTGetTokenType(back) != -1) abort();
  Kz_DeleteHandle(0, back);

  // Values in batches are the values one by one.
  auto load = [&] {
    Kz_TXTIgnoreRemarks(data[0] & 1);
    int32_t d = Kz_LoadFromBuffer(data + 1, size - 1, 1);
    Kz_TXTIgnoreRemarks(0);
    return d;
  };
  std::vector<Kz_Value> single;
  int32_t one = load();
  while (single.size() < 100000 && Kz_TXTLoadValue(one, 0, v)) single.push_back(v);
  Kz_DeleteHandle(0, one);
  int32_t batched = load();
  const int32_t n = 1 + (data[0] >> 1) % 9;
  std::vector<Kz_Value> batch(static_cast<size_t>(n));
  size_t at = 0;
  while (at < single.size()) {
    const int32_t got = Kz_TXTLoadValues(batched, 0, batch.data(), n);
    for (int32_t i = 0; i < got && at < single.size(); ++i, ++at) {
      const Kz_Value& a = batch[static_cast<size_t>(i)];
      const Kz_Value& b = single[at];
      if (a.kind != b.kind) abort();
      if (a.kind == Kz_Value::Long && a.l != b.l) abort();
      if (a.kind == Kz_Value::Double && !(a.d == b.d)) abort();
      if (a.kind == Kz_Value::Text && a.s != b.s) abort();
    }
    if (got < n) break;
  }
  if (at != single.size()) abort();
  Kz_DeleteHandle(0, batched);
  return 0;
}
