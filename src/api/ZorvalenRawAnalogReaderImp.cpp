#include "api/ZorvalenRawAnalogReaderImp.h"

#include <algorithm>
#include <string_view>

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/statistics/ZVRawAnalog.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::AnalogHeader;

namespace {

// A negative number names no channel either; it must not read as one
// without samples.
bool hasChannel(const ZVRawDataCluster& cluster, int channel) {
  return channel >= 0 && channel < cluster.getNumberAnalogChannels();
}

}  // namespace

ZorvalenRawAnalogReaderImp::ZorvalenRawAnalogReaderImp(const char* path)
    : ZorvalenRawReaderImp(HandleKind::AnalogReader, path),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawAnalogReaderImp::ZorvalenRawAnalogReaderImp(const ZorvalenRawDataFile& source)
    : ZorvalenRawReaderImp(HandleKind::AnalogReader, source),
      m_pImp(MakeAccessInterface()) {}

// The access interface first, then the value and the time buffers.
ZorvalenRawAnalogReaderImp::~ZorvalenRawAnalogReaderImp() {
  m_pImp.reset();
  _pIntensityHandler.reset();
  _pTimeHandler.reset();
}

int ZorvalenRawAnalogReaderImp::GetNumberAnalogChannels(int& count) const {
  count = getDataCluster()->getNumberAnalogChannels();
  return ZVRAW_OK;
}

int ZorvalenRawAnalogReaderImp::ReadChannel(int channel, const float*& times, const float*& values, int& size) {
  times = nullptr;
  values = nullptr;
  const ZVRawDataCluster* cluster = getDataCluster();
  if (!hasChannel(*cluster, channel)) return ZVRAW_FUNCNUM_INVALID;
  size = cluster->getAnalogChannelLength(channel);
  if (size <= 0) {
    size = 0;
    return ZVRAW_OK;
  }
  const float* storedTimes = nullptr;
  const float* storedValues = nullptr;
  if (const int rc = m_pImp->getAnalogChannelData(static_cast<unsigned>(channel), storedTimes, storedValues);
      rc != ZVRAW_OK)
    return rc;
  if (!_pTimeHandler) _pTimeHandler = std::make_unique<MemoryHandler>();
  if (!_pIntensityHandler) _pIntensityHandler = std::make_unique<MemoryHandler>();
  _pTimeHandler->Set(storedTimes, size);
  _pIntensityHandler->Set(storedValues, size);
  times = _pTimeHandler->Memory();
  values = _pIntensityHandler->Memory();
  return ZVRAW_OK;
}

template <class Text>
int ZorvalenRawAnalogReaderImp::channelText(int channel, char*& text, Text textOf) {
  const ZVRawDataCluster* cluster = getDataCluster();
  if (!hasChannel(*cluster, channel)) return ZVRAW_FUNCNUM_INVALID;
  const AnalogHeader* header = nullptr;
  cluster->getAnalogChannelHeader(channel, header);
  if (header == nullptr) return ZVRAW_ERROR;
  text = GetStringMemory(textOf(*header));
  return ZVRAW_OK;
}

int ZorvalenRawAnalogReaderImp::GetChannelDescription(int channel, char*& text) {
  return channelText(channel, text, [](const AnalogHeader& h) {
    // A field without a NUL is a description of all its bytes.
    const char* end = std::find(std::begin(h.Description), std::end(h.Description), '\0');
    return std::string_view(h.Description, static_cast<std::size_t>(end - h.Description));
  });
}

int ZorvalenRawAnalogReaderImp::GetChannelUnits(int channel, char*& text) {
  return channelText(channel, text, [](const AnalogHeader& h) { return h.Units(); });
}

}  // namespace Vardex::Lib::ZorvalenRaw
