#pragma once
// clsCockpitParser: the cockpits of a loaded TCockpits file, one clsCockpit per record.
// Cockpits lists them in name order, UnsortedCockpits in file order (turret
// descriptors store a cockpit's file position).
#include <cstdint>
#include <string>

#include "core/Collection.h"
#include "typefiles/Cockpit.h"
#include "typefiles/TxtParser.h"

class clsXMLParser;

class clsCockpitParser : public kz::Object {
 public:
  kz::Collection<CockpitPtr> Cockpits;          // name order
  kz::Collection<CockpitPtr> UnsortedCockpits;  // file order
  std::string FileName;

  bool Load(const clsTxtParser& parser);
  const std::string& GetLastError() const noexcept { return lastError_; }
  CockpitPtr Find(int32_t id) const;
  // The cockpit at a 0-based file position; null outside the list.
  CockpitPtr FindIndex(int32_t index) const;
  CockpitPtr CreateCockpit(const TXTObjectPtr& record);
  // Appends a "TCockpits" element holding every cockpit (file order); the cursor stays
  // on it. False when a cockpit could not be written.
  bool ToXML(clsXMLParser& xml);

 private:
  std::string lastError_;
};
