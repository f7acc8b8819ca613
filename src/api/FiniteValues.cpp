#include "api/FiniteValues.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace Vardex::Lib::ZorvalenRaw {

// A value is finite unless its exponent bits are all set. Four values at a
// time: the test runs at the pace of the copy that follows it.
bool allFinite(const float* values, std::size_t n) {
  typedef std::uint32_t Uint4 __attribute__((vector_size(16)));
  constexpr std::uint32_t kExponent = 0x7F800000u;
  Uint4 notFinite{};
  std::size_t k = 0;
  for (; n - k >= 4; k += 4) {
    Uint4 bits;
    std::memcpy(&bits, values + k, sizeof bits);
    notFinite |= reinterpret_cast<Uint4>((bits & kExponent) == kExponent);
  }
  bool finite = (notFinite[0] | notFinite[1] | notFinite[2] | notFinite[3]) == 0;
  for (; k < n; ++k) finite = finite && std::isfinite(values[k]);
  return finite;
}

}  // namespace Vardex::Lib::ZorvalenRaw
