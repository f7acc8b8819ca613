#pragma once

// The lock-mass gain table: the gain that rescales every scan's masses,
// against retention time, with the lock mass and tolerance it was computed
// for. Kept in the raw directory as the text file lmgt.inf:
//   1                              format version
//   556.277099609,0.500000000      lock mass, tolerance
//   0.500000000,1.002500057        one line per entry: retention time, gain

#include <cmath>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

namespace borealtek_zvraw_version_1 {

class ZVRawExternalLumavent {
 public:
  ZVRawExternalLumavent() = default;

  // Reads lmgt.inf of the directory; only a version-1 file replaces the
  // table. 0 when the table holds entries afterwards, 1 when it is empty.
  int initialise(std::string_view dir);
  // Writes lmgt.inf whole: 0, ZVRAW_FILEOPEN_ERROR (after a line on the
  // trace output) or ZVRAW_FILEWRITE_ERROR (the old file is then kept).
  int saveFile(std::string_view dir) const;
  // Removes lmgt.inf; a missing file is no error. 0 or ZVRAW_ERROR.
  static int deleteFile(std::string_view dir);

  void setLockMass(float lockmass, float tolerance);
  void getLockMass(float& lockmass, float& tolerance) const;
  void add(float rt, float gain) { gaintable.emplace_back(rt, gain); }
  [[nodiscard]] bool empty() const { return gaintable.empty(); }
  // Whether the table came from a file of the version this code writes.
  [[nodiscard]] bool isCurrent() const { return m_nFileVersion == m_nVersion; }

  // Interpolated between the entries around rt (entries in ascending time);
  // the first or last gain outside them, 1 for an empty table.
  [[nodiscard]] float getGainAtRT(float rt) const;
  // 1 with gain untouched when the table is empty, else 0 and the gain at rt.
  int getCorrection(const float& rt, float& gain) const;

 private:
  int m_nVersion = 1;
  float m_flockmass = 0.0f;
  float m_ftolerance = 0.0f;
  int m_nFileVersion = 0;
  std::vector<std::pair<float, float>> gaintable;
};

}  // namespace borealtek_zvraw_version_1

namespace zvraw {

// A gain that cannot scale a mass (0, negative, NaN, infinite) scales
// nothing: the scan loads, drift reads and lock-mass readers all take it so.
inline bool scalesMasses(float gain) { return std::isfinite(gain) && gain > 0.0f; }
inline float usableGain(float gain) { return scalesMasses(gain) ? gain : 1.0f; }

}  // namespace zvraw
