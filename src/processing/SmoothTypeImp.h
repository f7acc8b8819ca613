#pragma once

// The smoothing methods as the smoothing routines and the stored smoothing
// settings number them. The fixed underlying type makes any integer read
// back from a settings file a valid value; the routines handle unknown ones.
enum SmoothTypeImp : int {
  SMOOTH_MEAN = 0,
  SMOOTH_MEDIAN = 1,
  SMOOTH_SAVITZKY_GOLAY = 2,
};
