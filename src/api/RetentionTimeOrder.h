#pragma once

// Sorting by retention time needs a strict weak order, which a NaN time from
// a damaged index would break (and with it the sort's bounds): such a time
// sorts as +infinity.

#include <cmath>
#include <limits>

namespace Vardex::Lib::ZorvalenRaw {

[[nodiscard]] inline float retentionKey(float rt) {
  return std::isnan(rt) ? std::numeric_limits<float>::infinity() : rt;
}

}  // namespace Vardex::Lib::ZorvalenRaw
