#pragma once

// The writer's analog traces: each trace's _CHRONNN.DAT is written at once,
// and _CHROMS.INF, one record per trace, at close. A channel is kept only
// once its data file was written: a refused or failed trace leaves no
// channel behind, and the next trace takes its number.

#include <optional>
#include <string>
#include <vector>

#include "api/Parameters.h"
#include "formats/statistics/ZVRawAnalog.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawAnalogWriterImp {
 public:
  using AnalogHeader = borealtek_zvraw_version_1::AnalogHeader;

  // Stores the directory and starts without channels; 0.
  int Initialise(const std::string& directory);
  // The header of the next trace from DESCRIPTION, UNITS and TYPE; other
  // keys are ignored. Always 0.
  int AppendChannel(const Parameters& values);
  // Writes the trace of the channel appended last (which it uses up) as the
  // next channel's data file: 1 without an appended channel, 53 before Initialise, else
  // the data file writer's code (57 for n < 0, 32 for null arrays under
  // n > 0, 5 or 10 when the file cannot be written).
  int AddTrace(const float* times, const float* values, const int& n);
  // Writes _CHROMS.INF whole for the channels kept: its writer's code; 0
  // and nothing written without channels.
  int Close();

  [[nodiscard]] int GetCurrentChannel() const { return m_nCurrentChannel; }
  [[nodiscard]] const std::vector<AnalogHeader>& GetHeaders() const { return m_analogHeaders; }

 private:
  std::vector<AnalogHeader> m_analogHeaders;
  std::string m_rawPath;
  int m_nCurrentChannel = -1;
  std::optional<AnalogHeader> m_pending;  // appended, its trace not yet written
};

}  // namespace Vardex::Lib::ZorvalenRaw
