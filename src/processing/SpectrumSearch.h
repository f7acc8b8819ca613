#pragma once

// Searches over an ascending mass array. Both bisect the same way and leave
// the mass equal to the target out of the answer, except at the ends: a
// target equal to the first mass gives 0 below it, one equal to the last
// mass gives n - 1 above it. An empty or null array gives -1.

#include "formats/calibration/ZVRawMassType.h"

// The last index whose mass is strictly below fMass; -1 when the first mass
// is above it, n - 1 when fMass is above the last.
[[nodiscard]] int getNearestIndexLessThan(const ZVRAW_MASSTYPE* pfMasses, unsigned int nSize, ZVRAW_MASSTYPE fMass);

// The first index whose mass is strictly above fMass; 0 when the first mass
// is above it, -1 when fMass is above the last.
[[nodiscard]] int getNearestIndexGreaterThan(const ZVRAW_MASSTYPE* pfMasses, unsigned int nSize, ZVRAW_MASSTYPE fMass);

// The number of values within 1e-6 of zero (a NaN is not counted); 0 for a
// null array or a size of 0 or less.
[[nodiscard]] int getZeroCount(const float* pfData, int nSize);
