#pragma once

// The scanning-quadrupole calibration file _vesko.inf of a raw directory.
//
//   [VERSION#1]
//   <-- version must be first line
//   [DATE]                   Acquired Date, Acquired Time
//   [INSTRUMENT]             Quad Resolution, Collision Cell Pressure,
//                            Collision Cell Gradient, Ion Energy, Post Filter,
//                            Resolution Mode, Pusher Period
//   [VESKO#1] ... [VESKO#n]  Scan Time, Start M/Z, End M/Z, Quadrupole Window,
//                            then one "Calibration=mz,start,middle,end" per point
//
// An item line is tag=value: the tag is up to 49 characters before "=", the
// value the first run of non-blank characters after it (at most 255), so
// text after a value's first blank is lost. Floats are written with six
// significant digits, calibration points with six decimals each. A header is
// "[" tag "]", or "[" tag "#" number "]" when the number is above 0; the
// number of a VESKO section is not read back: sections count in file order.

#include <string_view>
#include <array>
#include <iosfwd>
#include <string>

#include "formats/directory/VeskoCalibrationSettings.h"

namespace borealtek_zvraw_version_1 {

class ZVRawVeskoCalibration {
 public:
  enum headerItems { UNDEFINED_HEADER, VERSION, INSTRUMENT_HEADER, DATE_HEADER, VESKO_HEADER };
  enum dateItems { UNDEFINED_DATE, DATE, TIME };
  enum veskoItems { UNDEFINED_VESKO, SCANTIME, STARTMZ, ENDMZ, QUADWINDOW, CALIBRATON };
  enum instrumentItems {
    UNDEFINED_INSTRUMENT,
    QUADRESOLUTION,
    COLLISIONPRESSURE,
    COLLISIONGRADIENT,
    IONENERGY,
    POSTFILTER,
    RESOLUTIONMODE,
    PUSHERPERIOD
  };

  static constexpr std::array<const char*, 5> headerTags{"UNDEFINED", "VERSION", "INSTRUMENT", "DATE", "VESKO"};
  static constexpr std::array<const char*, 3> dateTags{"Undefined", "Acquired Date", "Acquired Time"};
  static constexpr std::array<const char*, 6> veskoTags{"Undefined", "Scan Time",         "Start M/Z",
                                                        "End M/Z",   "Quadrupole Window", "Calibration"};
  static constexpr std::array<const char*, 8> instrumentTags{
      "Undefined",  "Quad Resolution", "Collision Cell Pressure", "Collision Cell Gradient",
      "Ion Energy", "Post Filter",     "Resolution Mode",         "Pusher Period"};

  ZVRawVeskoCalibration() = default;
  explicit ZVRawVeskoCalibration(const VeskoCalibrationSettings& settings) : m_veskoCalibrationSettings(settings) {}

  // Reads cRawFileName/_vesko.inf, appending its calibrations to those held.
  // ZVRAW_ERROR when the file cannot be opened or no calibration is held.
  [[nodiscard]] int Read(std::string_view cRawFileName);

  // Writes the file at path (the full file name), replacing it whole.
  // ZVRAW_FILEOPEN_ERROR when it cannot be created (nothing written),
  // ZVRAW_FILEWRITE_ERROR when a write or the close failed.
  [[nodiscard]] int Write(std::string_view path) const;
  // ZVRAW_FILEWRITE_ERROR when the stream failed.
  [[nodiscard]] int Write(std::ostream& stream) const;

  [[nodiscard]] int MassToIndex(int nWhichCalibration, VeskoPos veskoPos, double dMass, int& index);
  [[nodiscard]] int IndexToMass(int nWhichCalibration, VeskoPos veskoPos, int index, double& mass);
  [[nodiscard]] int IndexToMass(int nWhichCalibration, VeskoPos veskoPos, int index, float& mass);
  [[nodiscard]] int GetPrecursorMass(int nWhichCalibration, int whichIndex, double& mass);

  // Both masses 0 first; startMass from the END line at startIndex, then
  // endMass from the START line at endIndex. Always calibration 0.
  [[nodiscard]] int IndexPrecursorMassRange(int whichFunction, int startIndex, int endIndex, float& startMass,
                                            float& endMass);

  [[nodiscard]] const VeskoCalibrationSettings& GetSettings() const { return m_veskoCalibrationSettings; }

 private:
  [[nodiscard]] std::string compose() const;

  VeskoCalibrationSettings m_veskoCalibrationSettings;
};

}  // namespace borealtek_zvraw_version_1
