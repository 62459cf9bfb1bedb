// A game data folder of the harness's own, written again for each input, with the
// virtual file system, the type-file archive and the description server over it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "../common/FuzzFolder.h"
#include "core/KzConst.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"
#include "zuzer/zuzer.h"

namespace fuzzdata {

// The harness's own folder (see FuzzFolder.h), with the game's tables set up once.
inline const std::filesystem::path& Root() {
  static const bool tables = [] {
    mdlKzConst::InitArrays();
    return true;
  }();
  (void)tables;
  return fuzzfolder::Root();
}

using fuzzfolder::Clear;

inline void Write(const std::string& rel, std::string_view bytes) { fuzzfolder::Write(Root() / rel, bytes); }

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
