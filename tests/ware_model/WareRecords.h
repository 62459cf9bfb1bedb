#pragma once
// Records of ware-like type files for the ware page's tests.
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "core/Variant.h"
#include "typefiles/FieldTables.h"
#include "typefiles/TXTObject.h"
#include "core/KzConst.h"

namespace waretest {

// A record of `size` values (whole number 0, the ID last) of type `type`, with the
// listed fields set.
inline std::shared_ptr<clsTXTObject> Rec(int32_t type, int32_t size,
                                         std::initializer_list<std::pair<int32_t, kz::Variant>> fields = {},
                                         const char* id = "SS_TEST") {
  auto r = std::make_shared<clsTXTObject>();
  std::vector<kz::Variant> values(static_cast<size_t>(size), kz::Variant(int32_t{0}));
  if (size > 0) values.back() = kz::Variant(id);
  for (const auto& f : fields) values[static_cast<size_t>(f.first)] = f.second;
  r->AssignValues(std::move(values));
  r->otype = type;
  return r;
}

inline void InitTables() {
  static bool done = [] {
    mdlKzConst::InitArrays();
    kz::InitAllFieldTables();
    return true;
  }();
  (void)done;
}

}  // namespace waretest
