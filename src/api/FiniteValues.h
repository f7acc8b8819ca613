#pragma once

// The writers' test for values the packed formats cannot hold.

#include <cstddef>

namespace Vardex::Lib::ZorvalenRaw {

// Whether every one of the n values is finite (null is fine for n = 0).
[[nodiscard]] bool allFinite(const float* values, std::size_t n);

}  // namespace Vardex::Lib::ZorvalenRaw
