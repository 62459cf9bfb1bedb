#include "txteditor/RecordClipboard.h"

#include "txteditor/TXTEditor.h"

clsRecordClipboard& clsRecordClipboard::Instance() {
  static clsRecordClipboard clipboard;
  return clipboard;
}

void clsRecordClipboard::SetRecord(TXTObjectRef record, frmTXTEditor* source) {
  record_ = std::move(record);
  source_ = record_ ? source : nullptr;
}

void clsRecordClipboard::Clear() {
  mode_ = kModeNone;
  record_.reset();
  source_ = nullptr;
}

void clsRecordClipboard::ForgetSource(const frmTXTEditor* window) {
  if (window && source_.data() == window) source_ = nullptr;
}
