// A catalog opened with its data file on disk: the input's bytes up to the first NUL
// are the index (NAME.cat), the rest the data file. The index is checked against the
// data file's real size; every entry of a sound catalog reads its bytes from the data
// file, and an entry written into the catalog reads back beside the others unchanged.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CatalogIndex.h"
#include "../common/FuzzFolder.h"
#include "PackedData.h"
#include "rudu.h"

namespace {

// The bytes of a file through rudu; false when it does not open or read.
bool ReadAll(const std::string& path, std::string& out) {
  out.clear();
  const int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  if (f == 0) return false;
  const int32_t size = RuDU_FileSize(f);
  bool ok = size >= 0;
  if (ok) {
    out.resize(static_cast<size_t>(size));
    ok = size == 0 || RuDU_ReadFile(f, out.data(), size) == size;
  }
  RuDU_CloseFile(f);
  return ok;
}

// A refusal names its reason.
void MustSayWhy() {
  const int32_t code = RuDU_GetLastError();
  int32_t needed = 0;
  if (code == 0) std::abort();
  RuDU_TranslateError(code, nullptr, 0, &needed);
  if (needed <= 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  const size_t nul = all.find('\0');
  if (nul == std::string::npos) return 0;
  fuzzfolder::Clear();
  rudu::CatalogIndex::ClearCache();
  const std::string cat = (fuzzfolder::Root() / "01.cat").string();
  const std::string dat = (fuzzfolder::Root() / "01.dat").string();
  fuzzfolder::Write(cat, std::string_view(all).substr(0, nul));
  fuzzfolder::Write(dat, std::string_view(all).substr(nul + 1));

  std::string error;
  const auto index = rudu::CatalogIndex::Open(cat, error);
  const int32_t handle = RuDU_OpenCatalog(cat.c_str(), 0);
  if (!index) {
    if (error.empty()) std::abort();
    if (handle != 0) std::abort();  // the driver agrees with the index
    MustSayWhy();
    return 0;
  }
  if (handle == 0) std::abort();
  RuDU_CloseCatalog(handle);
  if (index->Total() > index->DataSize()) std::abort();
  // The data file the index names (the first line may name any file of the folder).
  std::string bytes;
  {
    std::ifstream in(index->DataPath(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (bytes.size() != index->DataSize()) std::abort();

  // Every live entry reads its own bytes (unpacked when they are packed).
  struct Seen {
    std::string path, content;
  };
  std::vector<Seen> seen;
  for (size_t i = 0; i < index->Count() && i < 64; ++i) {
    if (!index->IsLive(i)) continue;
    const rudu::CatalogIndex::Entry& e = index->At(i);
    if (e.offset + e.size > bytes.size()) std::abort();
    const std::string raw = bytes.substr(e.offset, e.size);
    const std::string path = cat + "::" + std::string(index->Path(i));
    std::string got;
    if (!ReadAll(path, got)) {
      // Only a packed entry may fail to read (its packing is damaged).
      if (!rudu::PackedData::IsPacked(reinterpret_cast<const uint8_t*>(raw.data()), raw.size())) std::abort();
      MustSayWhy();
      continue;
    }
    if (!rudu::PackedData::IsPacked(reinterpret_cast<const uint8_t*>(raw.data()), raw.size()) && got != raw)
      std::abort();
    seen.push_back({path, got});
  }

  // A new entry written into the catalog: it reads back, and the others are unchanged.
  const std::string added = cat + "::fuzz\\added.txt";
  if (index->Find("fuzz\\added.txt") >= 0) return 0;
  const std::string text = "written by the harness";
  const int32_t w = RuDU_OpenFile(added.c_str(), 1, 1, 1);
  if (w == 0) {
    MustSayWhy();
    return 0;
  }
  if (RuDU_WriteFile(w, text.data(), static_cast<int32_t>(text.size())) != static_cast<int32_t>(text.size())) std::abort();
  if (RuDU_CloseFile(w) == 0) {
    MustSayWhy();
    return 0;
  }
  std::string got;
  if (!ReadAll(added, got) || got != text) std::abort();
  for (const Seen& s : seen)
    if (!ReadAll(s.path, got) || got != s.content) std::abort();
  return 0;
}
