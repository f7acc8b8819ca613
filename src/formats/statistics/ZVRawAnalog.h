#pragma once

// Analog and auxiliary detector traces recorded beside the mass spectra: a
// time series per channel with a description and units. Read from the packed
// _ANALOGS.INF/_ANALOGS.DAT pair or, when that gives no channels, from the
// _CHROMS.INF table with one _CHRONNN.DAT table per channel; the table set
// is also written.

#include <string>
#include <string_view>
#include <vector>

#include "formats/statistics/STSFile.h"

namespace borealtek_zvraw_version_1 {

// A description is the visible text, NUL-terminated, optionally followed by
// the control text "$CC$,scale,a,b,c,units". Without a NUL in its 81 bytes
// the description, and anything parsed from it, ends at the end of the field.
struct AnalogHeader {
  bool Analog = false;
  bool ELSD = false;
  bool Readback = false;
  char Description[ANALOG_CHANNEL_DESCRIPTION_SIZE] = {};

  // The units after the control text's fifth comma, empty without them. A
  // view of this header's own bytes, computed on each call, so that copied
  // and moved headers never point into another header.
  [[nodiscard]] std::string_view Units() const;
};

// The scale after the control text's first comma; 1 when there is no
// control text or no number there. Parsed in the "C" locale.
[[nodiscard]] float analogDescriptionScale(const char (&description)[ANALOG_CHANNEL_DESCRIPTION_SIZE]);

class ZVRawAnalog {
 public:
  ZVRawAnalog() = default;
  ~ZVRawAnalog() { clear(); }
  ZVRawAnalog(const ZVRawAnalog&) = delete;
  ZVRawAnalog& operator=(const ZVRawAnalog&) = delete;

  // 0 when either file set was read (a valid _CHROMS.INF may hold no
  // channels), ZVRAW_DATA_NULL when neither was, ZVRAW_MEMALLOC_ERROR when
  // the channels could not be held; the object is then empty. A _CHROMS.INF
  // too small for the channels it counts is not valid.
  int read(std::string_view path);
  // _CHROMS.INF alone: headers and scales, no samples. Whether it was valid.
  bool readChromHeader(std::string_view path);

  [[nodiscard]] int getNumberOfChannels() const { return m_nChannels; }
  [[nodiscard]] int getChannelLength(int channel) const;
  // Null when the channel is out of range.
  void getChannelHeader(int channel, const AnalogHeader*& out) const;
  // Both null unless the channel has samples.
  void getChannelData(int channel, const float*& times, const float*& values) const;

  // Writers return 0, ZVRAW_FILEOPEN_ERROR when the file cannot be created
  // (nothing is written), ZVRAW_FILEWRITE_ERROR when it could not be written
  // whole (an existing file is then left as it was). writeChromInf with a
  // count below 1 writes nothing and returns 0.
  int writeChromInf(std::string_view dir, const AnalogHeader* headers, const int& count);
  int writeChromDat(std::string_view dir, const int& channel, const float* times, const float* values,
                    const int& count);

  void clear();
  void setRawPath(std::string_view path) { m_pszRawFilePath = std::string(path); }

 private:
  bool readAnalogs();
  bool readChroms();
  void readChromDat(int channel);
  void resize(int channels);

  int m_nChannels = 0;
  std::vector<int> m_pChannelLengths;
  std::string m_pszRawFilePath;
  std::vector<AnalogHeader> m_pHeaders;
  std::vector<std::vector<float>> m_ppChannelData;
  std::vector<std::vector<float>> m_ppRetentionTimes;  // empty where the shared times serve
  std::vector<float> m_sharedRetentionTimes;           // the one time axis of _ANALOGS.DAT
  std::vector<float> m_pChannelScales;
};

}  // namespace borealtek_zvraw_version_1
