// The number of the kz::AppError that a call raises, 0 when it raises none.
#pragma once

#include <cstdint>

#include "core/AppError.h"

namespace kztest {

inline int32_t ErrorOf(auto&& f) {
  try {
    f();
  } catch (const kz::AppError& e) {
    return e.Number;
  }
  return 0;
}

}  // namespace kztest
