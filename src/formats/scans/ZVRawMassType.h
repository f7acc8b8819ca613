#pragma once

// Masses, intensities, total ion currents and retention times are single
// precision throughout the raw core.
using ZVRAW_MASSTYPE = float;
