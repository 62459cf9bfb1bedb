#pragma once
// What the library's entry points share: handle look-ups that set the error of a wrong
// handle, and the checks of texts for a text resource file.
#include <cstdio>
#include <memory>
#include <string>

#include "Errors.h"
#include "TreModel.h"
#include "rudu/HandleTable.h"
#include "videdoded.h"

namespace videdoded::entries {

// Gives the bytes of a load once more (for the error text of a failed in-place parse).
using BytesAgain = std::function<bool(std::string&)>;

inline std::string H(int32_t h) { return std::to_string(h); }

inline int32_t BadHandle(int32_t h, const char* need) {
  if (h == 0 || rudu::HandleKindOf(h) == 0)
    return Fail(kKzErrInvalidHandle, "Invalid handle " + H(h) + ": it is not (or no longer) live.");
  return Fail(kKzErrWrongType, "Handle " + H(h) + " is not " + need + ".");
}

// A text resource document or the store.
inline std::shared_ptr<TreDocument> TreDoc(int32_t h) {
  std::shared_ptr<TreDocument> d;
  if (h == kKzStoreHandle)
    d = StorePtr();
  else
    d = rudu::HandleGetAs<TreDocument>(h, rudu::kDocumentHandle);
  if (!d) BadHandle(h, "a text resource document");
  return d;
}

inline std::shared_ptr<TrePage> TrePg(int32_t h) {
  auto p = rudu::HandleGetAs<TrePage>(h, rudu::kPageHandle);
  if (!p || !p->doc) {
    BadHandle(p ? 0 : h, "a page");
    return nullptr;
  }
  return p;
}

inline std::shared_ptr<TreString> TreStr(int32_t h) {
  auto s = rudu::HandleGetAs<TreString>(h, rudu::kStringHandle);
  if (!s || !s->page) {
    BadHandle(s ? 0 : h, "a string");
    return nullptr;
  }
  return s;
}

inline int32_t ReadOnly() {
  return Fail(kKzErrReadOnly, "The description store (handle 1) cannot be changed through this call.");
}

// The first control character that XML 1.0 cannot carry (anything below 0x20 but tab,
// line feed and carriage return); npos when there is none.
inline size_t BadControl(const std::string& t) {
  for (size_t i = 0; i < t.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return i;
  }
  return std::string::npos;
}

inline int32_t RefuseControl(const char* what, const std::string& t) {
  size_t at = BadControl(t);
  char code[8];
  std::snprintf(code, sizeof code, "%02X", static_cast<unsigned char>(t[at]));
  return Fail(kKzErrArgument, std::string("The ") + what + " holds the control character 0x" + code + " at byte " +
                                  std::to_string(at) + ", which a text resource file cannot hold.");
}

}  // namespace videdoded::entries
