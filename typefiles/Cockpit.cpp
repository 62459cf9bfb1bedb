#include "typefiles/Cockpit.h"

#include <cmath>
#include <limits>

#include "core/AppError.h"
#include "core/XMLParser.h"

namespace {
constexpr const char* kSource = "clsCockpit";

void AddNode(clsXMLParser& xml, const std::string& name, const kz::Variant& text = kz::Variant()) {
  if (!xml.CreateNode(name, text))
    throw kz::AppError(kz::kErrInvalidArgument, kSource, "Cannot create element " + name + ".");
}
}  // namespace

float clsCockpit::Value(int32_t i) const { return kz::CSng(Object->Value(i)); }
// A value that already reads as v at single precision stays as it is (a page handing
// back the value it shows changes nothing, neither the value nor its bytes in the file).
void clsCockpit::SetValue(int32_t i, float v) {
  const kz::Variant stored = Object->Value(i);
  if (stored.IsNumeric()) {
    const double d = stored.NumberValue();
    if (std::fabs(d) <= std::numeric_limits<float>::max() && static_cast<float>(d) == v) return;
  }
  Object->SetValue(i, kz::Variant(v));
}

int32_t clsCockpit::CompatibleLasers() const {
  const kz::Variant& v = Object->Value(8);
  if (v.IsNumeric()) {
    const double d = v.NumberValue();
    if (d == std::floor(d) && d > 2147483647.0 && d <= 4294967295.0)
      return static_cast<int32_t>(static_cast<uint32_t>(d));
  }
  return kz::CLng(v);
}

bool clsCockpit::ToXML(clsXMLParser& xml) {
  xml.Push();
  bool created = false;
  try {
    AddNode(xml, "cockpit");
    created = true;
    xml.SetNodeAttr(kz::Variant("id"), kz::Variant(Object->ObjectName()));
    AddNode(xml, "compatibleLasers");
    for (const auto& laser : Lasers) {
      AddNode(xml, "las", kz::Variant(laser ? laser->ObjectName() : std::string()));
      xml.up();
    }
    xml.up();
    AddNode(xml, "data");
    for (int32_t i = 0; i < size(); ++i) {
      if (i == 8) continue;  // the laser mask is the element above
      // Numbers as single precision; texts (the body file, the ID) as they stand.
      const kz::Variant& v = Object->Value(i);
      AddNode(xml, "val", kz::IsNumericValue(v) && !v.IsString() ? kz::Variant(kz::CSng(v)) : v);
      xml.up();
    }
    xml.Pop();
    lastError_.clear();
    return true;
  } catch (const std::exception& e) {
    lastError_ = e.what();
    xml.Pop();
    if (created) xml.DeleteNode("*[last()]");
    return false;
  }
}
