// A game data folder of the harness's own, written again for each input, with the
// virtual file system, the type-file archive and the description server over it.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "core/KzConst.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"
#include "zuzer/zuzer.h"

namespace fuzzdata {

inline const std::filesystem::path& Root() {
  static const std::filesystem::path root = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/kz-fuzz-data-XXXXXX";
    if (!::mkdtemp(base.data())) std::abort();
    // Gone again when the run ends.
    static std::string made;
    made = base;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(made, ec);
    });
    mdlKzConst::InitArrays();
    return std::filesystem::path(base);
  }();
  return root;
}

// Empties the folder.
inline void Clear() {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Root(), ec)) std::filesystem::remove_all(e.path(), ec);
}

inline void Write(const std::string& rel, std::string_view bytes) {
  const std::filesystem::path p = Root() / rel;
  std::error_code ec;
  std::filesystem::create_directories(p.parent_path(), ec);
  std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The virtual file system over the folder, a new archive and, for a language, the
// description server with that language's strings (whether or not they all load).
inline void Mount(int32_t language = 0) {
  ZuZER_CreateVFS(Root().c_str());
  Archive = std::make_shared<clsArchive>();
  Kz_TREDescServerUnload();
  DescServer = std::make_shared<clsDescServer>();
  if (language > 0 && !DescServer->LoadResources(language) && DescServer->GetLastError().empty()) std::abort();
}

}  // namespace fuzzdata
