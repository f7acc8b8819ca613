#pragma once

// The built-in dead-time table of peak detection (17 sigma blocks of 25 true
// rates), derived from its reference values by the rule the table was made
// with. derive_dead_time prints the table's source file; a test compares the
// derivation with the table the library holds.

#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace zvraw {

inline constexpr std::size_t kDeadTimeBlocks = 17;
inline constexpr std::size_t kDeadTimeRatesPerBlock = 25;

struct DerivedDeadTime {
  double lambda, sigma, lambdaPrime, deltaT;
  bool given;  // a reference row, taken as it stands rather than derived
};

using DerivedDeadTimeTable = std::array<DerivedDeadTime, kDeadTimeBlocks * kDeadTimeRatesPerBlock>;

[[nodiscard]] DerivedDeadTimeTable deriveDeadTimeTable();

// The text of src/processing/DefaultDeadTime.cpp holding these rows.
[[nodiscard]] std::string deadTimeSource(std::span<const DerivedDeadTime> rows);

}  // namespace zvraw
