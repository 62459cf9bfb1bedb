#pragma once
// The record clipboard shared by every type-file editor window of the process: one
// record reference, a mode (0 none, 1 copy, 2 cut) and the window that put the record
// there. The source window is held weakly: a closed window reads as none, and a window
// gives up being the source when it closes or loads another file, so a cut can never
// be completed against a window that no longer holds the record.
#include <QPointer>

#include <cstdint>

#include "txteditor/TypeFileRefs.h"

class frmTXTEditor;

class clsRecordClipboard {
 public:
  static constexpr int32_t kModeNone = 0;
  static constexpr int32_t kModeCopy = 1;
  static constexpr int32_t kModeCut = 2;

  // The one clipboard of the process.
  static clsRecordClipboard& Instance();

  const TXTObjectRef& Record() const { return record_; }
  int32_t Mode() const { return mode_; }
  // The window the record came from; null when there is none or it was closed.
  frmTXTEditor* Source() const { return source_.data(); }

  // Sets the record and with it the source window (none when the record is none).
  void SetRecord(TXTObjectRef record, frmTXTEditor* source);
  void SetMode(int32_t mode) { mode_ = mode; }
  // Mode 0 and no record (which also clears the source window).
  void Clear();
  // When `window` is the source window, the source becomes none; record and mode stay.
  void ForgetSource(const frmTXTEditor* window);

  // "Paste..." is offered exactly when a record is held and the mode is not 0.
  bool CanPaste() const { return record_ != nullptr && mode_ != kModeNone; }

 private:
  clsRecordClipboard() = default;
  TXTObjectRef record_;
  int32_t mode_ = kModeNone;
  QPointer<frmTXTEditor> source_;
};
