#pragma once
// clsCockpit: one record of a TCockpits type file (the turret types of the ships).
#include <cstdint>
#include <memory>
#include <string>

#include "core/Collection.h"
#include "core/Variant.h"
#include "typefiles/TXTObject.h"

class clsXMLParser;

class clsCockpit : public kz::Object {
 public:
  TXTObjectPtr Object;                  // the TCockpits record
  kz::Collection<TXTObjectPtr> Lasers;  // laser records (read by ToXML only)

  clsCockpit() : Object(std::make_shared<clsTXTObject>()) {}
  explicit clsCockpit(TXTObjectPtr record)
      : Object(record ? std::move(record) : std::make_shared<clsTXTObject>()) {}

  std::string key() const { return Object->key(); }
  int32_t size() const { return Object->size(); }
  // Value i as a single-precision number (AppError 13 for a text, 9 outside the record).
  float Value(int32_t i) const;
  // Stores v at i as a single-precision number, unless value i already reads as v.
  void SetValue(int32_t i, float v);
  // Field 8 as a 32-bit mask: bit i for the (i + 1)-th TLaser record in file order.
  // A whole number up to 2^32 - 1 is taken bit for bit (bit 31 is the sign bit).
  int32_t CompatibleLasers() const;
  // Appends a "cockpit" element under the cursor's current node; the cursor returns.
  bool ToXML(clsXMLParser& xml);
  const std::string& GetLastError() const noexcept { return lastError_; }

 private:
  std::string lastError_;
};

using CockpitPtr = std::shared_ptr<clsCockpit>;
