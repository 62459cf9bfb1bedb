#include "core/ViDedodedBindings.h"

#include <charconv>

#include "core/AppError.h"

namespace kz {

void ToKzValue(const Variant& in, Kz_Value& out) {
  switch (in.Kind()) {
    case VariantKind::Empty: out.Clear(); break;
    case VariantKind::Integer: out.SetLong(in.AsInteger()); break;
    case VariantKind::Long: out.SetLong(in.AsLong()); break;
    case VariantKind::Boolean: out.SetLong(in.AsBoolean() ? -1 : 0); break;
    case VariantKind::Single: {
      // Through the Single's own shortest text, so that 1.1f is written as 1.1.
      char b[64];
      float f = in.AsSingle();
      auto r = std::to_chars(b, b + sizeof b, f);
      double d = f;
      if (r.ec == std::errc()) std::from_chars(b, r.ptr, d);
      out.SetDouble(d);
      break;
    }
    case VariantKind::Double: out.SetDouble(in.AsDouble()); break;
    case VariantKind::String: out.SetText(in.AsString()); break;
    default: throw AppError(kErrTypeMismatch, "ToKzValue");
  }
}

Kz_Value ToKzValue(const Variant& in) {
  Kz_Value v;
  ToKzValue(in, v);
  return v;
}

void FromKzValue(const Kz_Value& in, Variant& out) {
  switch (in.kind) {
    case Kz_Value::Long: out = Variant(in.l); break;
    case Kz_Value::Double: out = Variant(in.d); break;
    case Kz_Value::Text: out = Variant(in.s); break;
    default: out.Clear(); break;
  }
}

Variant FromKzValue(const Kz_Value& in) {
  Variant v;
  FromKzValue(in, v);
  return v;
}

std::string GetViDedodedError() {
  int32_t code = Kz_GetLastError();
  int32_t needed = 0;
  Kz_TranslateError(code, nullptr, 0, &needed);
  if (needed <= 0) return std::string();
  std::string buffer(static_cast<size_t>(needed), ' ');
  Kz_TranslateError(code, buffer.data(), needed, &needed);
  size_t nul = buffer.find('\0');
  if (nul != std::string::npos) buffer.resize(nul);
  return buffer;
}

std::string GetTREStringText(int32_t hString) {
  int32_t id = 0;
  std::string raw, text;
  if (Kz_TREGetStringInfo(hString, id, raw, text) == 0) return std::string();
  return text;
}

int32_t EnumViDedoded(int32_t container, std::vector<int32_t>& handles) {
  int32_t count = 0;
  Kz_EnumObjects(container, nullptr, 0, &count);
  if (count > 0) {
    handles.assign(static_cast<size_t>(count), 0);
    int32_t filled = 0;
    Kz_EnumObjects(container, handles.data(), count, &filled);
    if (filled < count) {
      count = filled;
      handles.resize(static_cast<size_t>(count));
    }
  }
  return count;
}

}  // namespace kz
