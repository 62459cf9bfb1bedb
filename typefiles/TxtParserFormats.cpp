// The readers of the files whose layout is their own: jobs, job wings, ware lists and
// icon data.
#include "typefiles/TxtParser.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/KzConst.h"
#include "typefiles/TxtParserRead.h"
#include "videdoded.h"

namespace {
constexpr const char* kSource = "clsTxtParser";
}  // namespace

using kz::AppError;
using kz::Variant;
using kz::txtread::CountOf;
using kz::txtread::WholeText;
using namespace mdlKzConst;

bool clsTxtParser::ReadJobs() {
  try {
    const Variant version = LoadValue(kKzValueNumber);
    version_ = kz::CLng(version);
    versionText_ = WholeText(version, scratch_->s);
    int32_t size = 0;
    switch (version_) {
      case 8: size = 117; break;
      case 9: size = 119; break;
      case 10: size = 120; break;
      default:
        SetError("Unsupported version: " + std::to_string(version_));
        return false;
    }
    while (!AtEnd()) {
      clsTXTObject* record = NewLoadedRecord(static_cast<size_t>(size));
      AppendValues(*record, size - 1);
      TokenValue();
      PushLoaded(*record, *scratch_);
      Advance(1);
      record->Dirty = false;
      record->id = ++counter_;
      record->otype = kJobs;
      AppendStored(*record);
    }
    return true;
  } catch (const AppError& e) {
    SetError(e.Description);
    return false;
  }
}

bool clsTxtParser::ReadJobWings() {
  while (!AtEnd()) {
    TXTObjectPtr record = ReadJobWingsRecord();
    if (!record) return false;
    record->id = ++counter_;
    AppendLoaded(std::move(record));
  }
  return true;
}

TXTObjectPtr clsTxtParser::ReadJobWingsRecord() {
  try {
    auto record = std::make_shared<clsTXTObject>();
    // A whole number keeps its text when the writer would form it otherwise (one that
    // is not whole is rounded, and so formed anew).
    auto push = [&](const Variant& item) {
      const int32_t n = kz::CLng(item);
      record->PushLong(n, WholeText(item, scratch_->s));
    };
    push(LoadValue(kKzValueNumber));
    for (;;) {
      Variant item = TokenValue();
      if (Kz_TXTGetTokenType(doc_) != kKzTokenItem)
        throw AppError(kz::kErrDataLoad, kSource, "Unexpected here: " + kz::CStr(item));
      if (!item.IsNumeric()) throw AppError(kz::kErrDataLoad, kSource, "Expected number, not " + kz::CStr(item));
      push(item);
      Advance(1);
      if (Kz_TXTGetTokenType(doc_) != kKzTokenContinuation) break;
      Advance(1);
    }
    record->ShrinkValues();
    record->Dirty = false;
    return record;
  } catch (const AppError& e) {
    SetError(e.Description);
    return nullptr;
  }
}

bool clsTxtParser::ReadWareLists() {
  try {
    int64_t count = CountOf(LoadValue(kKzValueNumber), "ware list count");
    ReserveRecords(count, 2, 0);  // a length and its separator at least
    for (int64_t i = 0; i < count; ++i) {
      int64_t n = CountOf(LoadValue(kKzValueNumber), "ware list length");
      // The length is the file's word: the room made in advance is capped.
      clsTXTObject* record = NewLoadedRecord(static_cast<size_t>(std::min<int64_t>(n, 4096)));
      for (int64_t k = 0; k < n; ++k) {
        LoadValue(kKzValueText);
        record->PushText(scratch_->s, InPlace(*scratch_));
      }
      record->id = ++counter_;
      record->otype = kWareLists;
      record->Dirty = false;
      AppendStored(*record);
    }
    return true;
  } catch (const AppError& e) {
    SetError(e.Description);
    return false;
  }
}

bool clsTxtParser::ReadIconData() {
  if (AtEnd()) {
    SetError("File is empty");
    return false;
  }
  auto main = std::make_shared<clsTXTObject>();
  main->id = ++counter_;
  AppendLoaded(main);
  try {
    clsTXTObject pending;
    while (!AtEnd()) {
      for (int k = 0; k < 2; ++k) {
        LoadValue(kKzValueText);
        pending.PushText(scratch_->s);
      }
      for (int k = 0; k < 3; ++k) pending.PushLong(kz::CLng(LoadValue(kKzValueNumber)));
      int64_t icons = CountOf(pending.Value(pending.size() - 1), "icon count");
      for (int64_t i = 0; i < icons; ++i) {
        LoadValue(kKzValueText);
        std::string name = scratch_->s;
        LoadValue(kKzValueAny);  // not kept
        auto icon = std::make_shared<clsTXTObject>();
        icon->ReserveValues(5);
        for (int k = 0; k < 4; ++k) icon->PushLong(kz::CLng(LoadValue(kKzValueNumber)));
        icon->PushText(name);
        icon->Dirty = false;
        icon->id = ++counter_;
        AppendLoaded(std::move(icon));
      }
    }
    main->AssignValues(pending.Values());
    main->Dirty = false;
    return true;
  } catch (const AppError& e) {
    SetError(e.Description);
    return false;
  }
}
