#include "typefiles/Archive.h"

#include <cstring>

#include "core/Generic.h"
#include "core/KzConst.h"
#include "core/LibBindings.h"
#include "core/ViDedodedBindings.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"
#include "zuzer/zuzer.h"

ArchivePtr Archive;

std::string clsArchive::CacheKey(const std::string& name) { return kz::ExtractFileName(name, true); }

bool clsArchive::IsFileLoaded(const std::string& name) const { return cache_.Exists(CacheKey(name)); }

void clsArchive::ClearErrors() {
  lastError_.clear();
  notLoaded_.clear();
  notParsed_.clear();
  loadFailed_ = false;
  clearFlag_ = false;
}

void clsArchive::Clear() {
  cache_ = kz::Collection<TxtParserPtr>();
  ++generation_;
  ClearErrors();
}

TxtParserPtr clsArchive::GetFile(const std::string& name) {
  std::string key = CacheKey(name);
  if (key.empty()) return nullptr;
  if (const TxtParserPtr* cached = cache_.Find(key)) return *cached;
  TxtParserPtr parser = LoadFile(name);
  if (!parser) return nullptr;
  if (!parser->Parsed()) {
    lastError_ = parser->GetLastError();
    return nullptr;
  }
  std::string fileKey = CacheKey(parser->FileName);
  if (fileKey.empty()) fileKey = key;
  if (!cache_.Exists(fileKey)) cache_.Add(parser, fileKey);
  return parser;
}

TxtParserPtr clsArchive::LoadFile(const std::string& name) {
  std::string path = "types\\" + name;
  int32_t type = mdlKzConst::GetTFileType(path);
  Kz_TXTIgnoreRemarks(type == mdlKzConst::kJobs ? 1 : 0);

  std::string error;
  int32_t doc = 0;
  ZuZERFindData fd;
  std::memset(&fd, 0, sizeof fd);
  int32_t find = ZuZER_FindFirstFile(path.c_str(), &fd);
  int32_t file = 0;
  if (find == 0) {
    error = "File not found in VFS";
  } else {
    std::string entry = kz::CutAtNul(fd.path, sizeof fd.path);
    file = RuDU_OpenFile(entry.c_str(), 0, 0, 0);
    if (file == 0) {
      error = kz::GetRuDUError();
    } else {
      doc = Kz_LoadFromFile(file, 0);
      if (doc == 0) error = kz::GetViDedodedError();
    }
  }
  RuDU_CloseFile(file);
  ZuZER_FindClose(find);

  if (doc == 0) {
    loadFailed_ = true;
    kz::AppendWithSep(notLoaded_, path + ": " + error, "\r\n");
    lastError_ = "Error loading " + path + ":\r\n\r\n" + error;
    return nullptr;
  }
  auto parser = std::make_shared<clsTxtParser>();
  parser->LoadFromHandle(doc, type);
  parser->FileName = path;
  return parser;
}
