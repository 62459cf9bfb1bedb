// The virtual file system built over a folder tree with numbered catalogs and a mod
// catalog. The input's parts (between NUL bytes) are files: the first line of a part
// is the file's path below the data folder (names made safe, at most four deep), the
// rest its bytes; a part whose path starts with "mod/" and ends in ".cat" is added as
// the mod catalog. Every find answers in order, and every file found opens and reads
// as many bytes as its size says.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "../common/FuzzFolder.h"
#include "rudu/rudu.h"
#include "zuzer/zuzer.h"

namespace {

// A path made of at most four names of letters, digits, '.', '_' and '-' (no "." or
// ".." names), "/" between them; empty when nothing is left.
std::string SafePath(std::string_view line) {
  std::string out, name;
  int names = 0;
  const auto flush = [&] {
    if (!name.empty() && name != "." && name != ".." && names < 4) {
      if (!out.empty()) out += '/';
      out += name.substr(0, 40);
      ++names;
    }
    name.clear();
  };
  for (const char c : line) {
    if (c == '/' || c == '\\') flush();
    else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-')
      name += c;
  }
  flush();
  return out;
}

std::string Field(const char* field) { return std::string(field, strnlen(field, 255)); }

int g_opened = 0;

// Runs a find and every find below the folders it gives (up to `depth` more levels).
void Walk(const std::string& folder, int depth) {
  ZuZERFindData fd;
  std::memset(&fd, 0, sizeof fd);
  const std::string pattern = folder.empty() ? "*" : folder + "\\*";
  const int32_t find = ZuZER_FindFirstFile(pattern.c_str(), &fd);
  if (find == 0) {
    if (ZuZER_GetLastError() == ZUZER_OK) std::abort();  // nothing found says so
    return;
  }
  std::vector<ZuZERFindData> found;
  do {
    if (fd.kind != ZUZER_KIND_FILE && fd.kind != ZUZER_KIND_FOLDER) std::abort();
    if (fd.name[254] != '\0' || fd.path[254] != '\0' || fd.name[0] == '\0' || fd.path[0] == '\0') std::abort();
    found.push_back(fd);
    std::memset(&fd, 0, sizeof fd);
  } while (found.size() < 200 && ZuZER_FindNextFile(find, &fd) != 0);
  if (ZuZER_FindClose(find) == 0) std::abort();
  // Folders first, then files.
  for (size_t i = 1; i < found.size(); ++i)
    if (found[i - 1].kind == ZUZER_KIND_FILE && found[i].kind == ZUZER_KIND_FOLDER) std::abort();
  for (const ZuZERFindData& e : found) {
    const std::string name = Field(e.name);
    if (e.kind == ZUZER_KIND_FOLDER) {
      if (depth > 0) Walk(folder.empty() ? name : folder + "\\" + name, depth - 1);
      continue;
    }
    if (++g_opened > 100) continue;
    const std::string path = Field(e.path);
    const int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    if (f == 0) {
      if (RuDU_GetLastError() == 0) std::abort();  // a file found that does not open says why
      continue;
    }
    const int32_t size = RuDU_FileSize(f);
    if (size < 0) std::abort();
    std::string bytes(static_cast<size_t>(size) + 1, '\0');
    if (RuDU_ReadFile(f, bytes.data(), size + 1) != size || RuDU_EOF(f) == 0) std::abort();
    RuDU_CloseFile(f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzfolder::Clear();
  const std::string root = (fuzzfolder::Root() / "data").string();
  std::filesystem::create_directories(root);
  std::vector<std::string> mods;
  int files = 0;
  for (const std::string_view part : fuzzfolder::Parts(data, size)) {
    if (++files > 24) break;
    const size_t eol = part.find('\n');
    const std::string path = SafePath(part.substr(0, eol));
    if (path.empty()) continue;
    const std::string_view bytes = eol == std::string_view::npos ? std::string_view() : part.substr(eol + 1);
    const std::filesystem::path at = fuzzfolder::Root() / (path.rfind("mod/", 0) == 0 ? path : "data/" + path);
    std::error_code ec;
    if (std::filesystem::is_directory(at, ec)) continue;
    fuzzfolder::Write(at, bytes);
    if (path.rfind("mod/", 0) == 0 && path.size() > 4 && path.substr(path.size() - 4) == ".cat") mods.push_back(at.string());
  }
  ZuZER_CreateVFS(root.c_str());
  for (const std::string& mod : mods) {
    if (ZuZER_AppendCatalog(mod.c_str()) == 0 && ZuZER_GetLastError() == ZUZER_OK) std::abort();
  }
  g_opened = 0;
  Walk("", 4);
  return 0;
}
