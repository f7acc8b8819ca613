#pragma once

// Masses, intensities, total ion currents and retention times are single
// precision throughout the raw core and the processing routines.
using ZVRAW_MASSTYPE = float;
using ZVRAW_INTENSITYTYPE = float;
// A result code of the shared table (0 success).
using ZVRAW_RESULT = int;
