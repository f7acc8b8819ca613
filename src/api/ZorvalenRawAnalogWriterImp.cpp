#include "api/ZorvalenRawAnalogWriterImp.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "zorvalen/ZorvalenRawDefs.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::AnalogHeader;
using borealtek_zvraw_version_1::ZVRawAnalog;

namespace {

constexpr std::size_t kField = ANALOG_CHANNEL_DESCRIPTION_SIZE;

// A trace's header: the description (cut to 80 characters), its NUL, then
// "$CC$,1.000000,3,0,0," and the units as far as the field has room.
AnalogHeader makeHeader(const std::string& description, const std::string& units, int type) {
  AnalogHeader h;  // zeroed: flags false, every byte NUL
  h.Analog = type == static_cast<int>(AnalogTraceType::ANALOG);
  h.ELSD = type == static_cast<int>(AnalogTraceType::ELSD);
  h.Readback = type == static_cast<int>(AnalogTraceType::READBACK);
  // The visible text keeps room for its NUL; a text with a NUL of its own ends there.
  const std::size_t visible = ::strnlen(description.c_str(), kField - 1);
  std::memcpy(h.Description, description.c_str(), visible);
  // The control text follows that NUL in what room remains, cut and ended
  // by a NUL of its own (nothing when no room remains).
  const std::size_t from = visible + 1;
  if (from < kField) std::snprintf(h.Description + from, kField - from, "$CC$,1.000000,3,0,0,%s", units.c_str());
  return h;
}

}  // namespace

int ZorvalenRawAnalogWriterImp::Initialise(const std::string& directory) {
  m_rawPath = directory;
  m_analogHeaders.clear();
  m_pending.reset();
  m_nCurrentChannel = -1;
  return ZVRAW_OK;
}

int ZorvalenRawAnalogWriterImp::AppendChannel(const Parameters& values) {
  int type = 0;  // absent or not an int: no flag
  (void)values.TryGetIntValue(static_cast<int>(AnalogParameter::TYPE), type);
  m_pending = makeHeader(values.GetValue(static_cast<int>(AnalogParameter::DESCRIPTION)),
                         values.GetValue(static_cast<int>(AnalogParameter::UNITS)), type);
  return ZVRAW_OK;
}

int ZorvalenRawAnalogWriterImp::AddTrace(const float* times, const float* values, const int& n) {
  // One trace per appended channel, written or not.
  const std::optional<AnalogHeader> header = std::exchange(m_pending, std::nullopt);
  if (!header) return ZVRAW_ERROR;
  // An empty directory would put the files at the root of the file system.
  if (m_rawPath.empty()) return ZVRAW_FILENAME_EMPTY;
  const int channel = static_cast<int>(m_analogHeaders.size());
  ZVRawAnalog analog;
  if (const int rc = analog.writeChromDat(m_rawPath, channel, times, values, n); rc != ZVRAW_OK) return rc;
  m_analogHeaders.push_back(*header);
  m_nCurrentChannel = channel;
  return ZVRAW_OK;
}

int ZorvalenRawAnalogWriterImp::Close() {
  if (m_analogHeaders.empty()) return ZVRAW_OK;
  if (m_rawPath.empty()) return ZVRAW_FILENAME_EMPTY;
  ZVRawAnalog analog;
  return analog.writeChromInf(m_rawPath, m_analogHeaders.data(), static_cast<int>(m_analogHeaders.size()));
}

}  // namespace Vardex::Lib::ZorvalenRaw
