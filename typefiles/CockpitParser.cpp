#include "typefiles/CockpitParser.h"

#include "core/XMLParser.h"

bool clsCockpitParser::Load(const clsTxtParser& parser) {
  Cockpits = {};
  UnsortedCockpits = {};
  FileName = parser.FileName;
  for (const auto& record : parser.objects) Cockpits.Add(std::make_shared<clsCockpit>(record), record->key());
  for (const auto& record : parser.UnsortedObjects)
    if (CockpitPtr cockpit = Find(record->id)) UnsortedCockpits.Add(cockpit, record->key());
  return true;
}

CockpitPtr clsCockpitParser::Find(int32_t id) const {
  const CockpitPtr* cockpit = Cockpits.Find(std::to_string(id) + "k");
  return cockpit ? *cockpit : nullptr;
}

CockpitPtr clsCockpitParser::FindIndex(int32_t index) const {
  if (index < 0 || index >= UnsortedCockpits.Count()) return nullptr;
  return UnsortedCockpits.Item(index + 1);
}

CockpitPtr clsCockpitParser::CreateCockpit(const TXTObjectPtr& record) {
  auto cockpit = std::make_shared<clsCockpit>(record);
  const std::string key = cockpit->key();
  Cockpits.Add(cockpit, key);
  try {
    UnsortedCockpits.Add(cockpit, key);
  } catch (...) {
    Cockpits.Remove(Cockpits.Count());
    throw;
  }
  return cockpit;
}

bool clsCockpitParser::ToXML(clsXMLParser& xml) {
  if (!xml.CreateNode("TCockpits")) {
    lastError_ = "Cannot create element TCockpits.";
    return false;
  }
  bool ok = true;
  for (const auto& cockpit : UnsortedCockpits) {
    if (!cockpit->ToXML(xml) && ok) {
      lastError_ = cockpit->GetLastError();
      ok = false;
    }
  }
  return ok;
}
