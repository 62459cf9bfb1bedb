#include "textres/model/TREDocument.h"

#include "core/LibBindings.h"
#include "core/ViDedodedBindings.h"
#include "rudu/FileObject.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"

namespace {
constexpr const char* kSaveError = "Error saving file: \r\n";
}  // namespace

clsTREDocument::~clsTREDocument() { Reset(); }

void clsTREDocument::Reset(int32_t handle) {
  if (handle_ != 0 && handle_ != handle) Kz_DeleteHandle(0, handle_);
  handle_ = handle;
}

int32_t clsTREDocument::Release() noexcept {
  int32_t h = handle_;
  handle_ = 0;
  return h;
}

bool clsTREDocument::CreateNew(int32_t langID) {
  lastError_.clear();
  int32_t h = Kz_CreateObject(0, kKzTreDocument, 0);
  if (h == 0) {
    lastError_ = "Error creating file object: " + kz::GetViDedodedError();
    return false;
  }
  Kz_TRESetLangID(h, langID);
  Reset(h);
  return true;
}

bool clsTREDocument::Save(const std::string& path, int32_t kind) {
  lastError_.clear();
  if (handle_ == 0) {
    lastError_ = std::string(kSaveError) + "There is no document to save.";
    return false;
  }
  int32_t file = RuDU_OpenFile(path.c_str(), 1, 1, kind);
  if (file == 0) {
    lastError_ = kSaveError + kz::GetRuDUError();
    return false;
  }
  if (Kz_SaveToFile(file, handle_) == 0) {
    lastError_ = kSaveError + kz::GetViDedodedError();
    rudu::DiscardFile(file);  // nothing of a partial write is committed
    return false;
  }
  if (RuDU_CloseFile(file) == 0) {
    lastError_ = kSaveError + kz::GetRuDUError();
    return false;
  }
  return true;
}
