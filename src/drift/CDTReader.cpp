#include "drift/CDTReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>

#include "drift/IMSUtil.h"
#include "formats/portability/AllocationGuard.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

using Vardex::Control::Legacy::ZorvalenRaw::CDTFileReader;
using Vardex::Control::Message::ChannelData;

namespace {

bool positiveFinite(float v) { return std::isfinite(v) && v > 0; }

}  // namespace

CDTReader::CDTReader() : _code(ZVRAW_GENERIC_ERROR) {}

CDTReader::~CDTReader() = default;

void CDTReader::Reset() {
  _pReader.reset();
  _timeToMass = 0;
  _startIndex = _endIndex = _indexOffset = _massAxisLength = 0;
  _driftCount = 0;
  _scanCount = 0;
  _currentScan = -1;
  _code = ZVRAW_GENERIC_ERROR;
  _scanData.channel.clear();
  _scanData.rt = 0;
  _headerBlock = HeaderBlock{};
  _massCalibratedValues.clear();
}

// The header comes off disk, so it must make a grid before anything is
// derived from it: a frequency, Lteff and Veff that are finite and positive,
// a finite positive time-to-mass factor, finite masses with 0 < start <= end,
// at most 2^24 indices, and a time offset of an int's worth of samples.
int CDTReader::Initialise(std::string_view path, int function) {
  Reset();
  auto fail = [this] {
    Reset();
    _code = ZVRAW_FILEOPEN_ERROR;
    return _code;
  };
  if (function < 0) return fail();
  try {
    auto reader = std::make_unique<CDTFileReader>(path, static_cast<unsigned>(function));
    const HeaderBlock h = reader->Header();
    if (!positiveFinite(h.fSamplingFrequency) || !positiveFinite(h.fLteff) || !positiveFinite(h.fVeff) ||
        h.nSpectraInBlock < 1)
      return fail();
    const auto ghz = static_cast<float>(h.fSamplingFrequency * 1e-9);
    const float ttm = IMSUtil::TimeToMass(h.fLteff, h.fVeff, ghz);
    int startIndex = 0, endIndex = 0;
    if (!IMSUtil::GridIndices(ttm, h.fStartMass, h.fEndMass, IMSUtil::HalfUp::Double, startIndex, endIndex))
      return fail();
    // T0 in samples, rounded half away from zero (NaN fails the range test).
    const double samples = static_cast<double>(h.fSamplingFrequency * h.fOffset) * 1e-9;
    const double rounded = h.fOffset >= 0 ? samples + 0.5 : samples - 0.5;
    if (!(rounded > static_cast<double>(INT_MIN) - 1.0 && rounded < static_cast<double>(INT_MAX) + 1.0)) return fail();

    _headerBlock = h;
    _timeToMass = ttm;
    _driftCount = static_cast<unsigned>(h.nSpectraInBlock);
    _scanCount = static_cast<int>(std::min<std::size_t>(reader->NumberOfScans(), INT_MAX));
    _currentScan = -1;
    _startIndex = startIndex;
    _endIndex = endIndex;
    _massAxisLength = endIndex - startIndex + 1;
    _indexOffset = static_cast<int>(rounded);
    _pReader = std::move(reader);
    _code = ZVRAW_OK;
    return _code;
  } catch (const std::exception&) {  // the file reader's runtime_error, bad_alloc, anything else
    return fail();
  }
}

int CDTReader::Calibrate(const FunctionCalibration* pFunctionCalibration) {
  int first = 0;
  const int code = GetMassScale(_massCalibratedValues, first);
  if (code == ZVRAW_OK && pFunctionCalibration != nullptr)
    pFunctionCalibration->calibrateMasses(_massCalibratedValues.data(), static_cast<int>(_massCalibratedValues.size()));
  return code;
}

int CDTReader::GetMassScale(std::vector<float>& massScale, int& indexOffset) const {
  if (_code == ZVRAW_GENERIC_ERROR) return _code;
  const int code = zvraw::guardAllocation([&] {
    massScale = IMSUtil::MassScale(_startIndex, _massAxisLength, _timeToMass);
    return ZVRAW_OK;
  });
  if (code != ZVRAW_OK) return code;
  indexOffset = _startIndex;
  return _code;
}

int CDTReader::GetIndexWindow(int& startIndex, int& endIndex) const {
  if (_code != ZVRAW_OK) return _code;
  startIndex = _startIndex;
  endIndex = _endIndex;
  return _code;
}

int CDTReader::GetScanCount(int& scanCount) const {
  scanCount = _scanCount;
  return _code;
}

int CDTReader::GetDriftCount(int& driftCount) const {
  driftCount = static_cast<int>(_driftCount);
  return _code == ZVRAW_FILEOPEN_ERROR ? ZVRAW_OK : _code;
}

int CDTReader::GetRetentionTime(int whichScan, float& rt) {
  const int code = readBlock(whichScan, 0);
  if (code == ZVRAW_OK) rt = _scanData.rt;
  return code;
}

int CDTReader::IndexToMass(int massindex, float& mass) const {
  // IMSUtil::IndexToMass on a 64-bit sum: the offset may push an int index past INT_MAX.
  const auto index = static_cast<float>(static_cast<std::int64_t>(_indexOffset) + massindex);
  mass = _timeToMass * index * index;
  return _code;
}

int CDTReader::MassToIndex(float mass, float& massindex) const {
  massindex = IMSUtil::MassToIndex(mass, _timeToMass);
  return _code;
}

bool CDTReader::Refresh() {
  if (_code != ZVRAW_OK || !_pReader) return false;
  try {
    if (!_pReader->Refresh()) return false;
  } catch (const std::exception&) {  // bad_alloc while listing: the pair is read afresh
    return false;
  }
  _scanCount = static_cast<int>(std::min<std::size_t>(_pReader->NumberOfScans(), INT_MAX));
  return true;
}

void CDTReader::Close() {
  if (_pReader) _pReader->Close();
}

// A block that cannot be read or decoded is not cached, so a later request
// tries again and no stale spectrum is served under its number.
int CDTReader::readBlock(int whichScan, int whichDrift) {
  if (_code != ZVRAW_OK) return _code;
  if (whichScan < 0 || whichScan >= _scanCount) return ZVRAW_SCANNUM_INVALID;
  if (whichDrift < 0 || static_cast<unsigned>(whichDrift) >= _driftCount) return ZVRAW_DRIFTNUM_INVALID;
  if (whichScan == _currentScan) return ZVRAW_OK;
  _currentScan = -1;
  try {
    const int read = zvraw::guardAllocation([&] {
      if (_pReader->ReadScan(static_cast<unsigned>(whichScan), _scanData, false)) return ZVRAW_OK;
      return _pReader->LastFailure() == CDTFileReader::ReadFailure::Corrupt ? ZVRAW_COMPRESSED_DATA_ERROR
                                                                            : ZVRAW_FILEREAD_ERROR;
    });
    if (read != ZVRAW_OK) return read;
  } catch (const std::exception&) {  // what the block decoder throws at a block it cannot read
    return ZVRAW_COMPRESSED_DATA_ERROR;
  }
  if (_scanData.channel.size() != _driftCount) return ZVRAW_COMPRESSED_DATA_ERROR;
  // Stored indices count samples from T0; the grid counts from the pulse.
  if (const auto offset = static_cast<std::uint32_t>(_indexOffset); offset != 0) {
    for (ChannelData& c : _scanData.channel)
      for (std::uint32_t& m : c.massindex) m += offset;
  }
  _currentScan = whichScan;
  return ZVRAW_OK;
}

const ChannelData& CDTReader::channel(int whichDrift) const {
  return _scanData.channel[static_cast<std::size_t>(whichDrift)];
}

namespace {

std::size_t points(const ChannelData& c) { return std::min({c.massindex.size(), c.intensity.size(), c.flags.size()}); }

template <class Out, class In>
void convert(std::vector<Out>& out, const std::vector<In>& in, std::size_t n) {
  out.resize(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<Out>(in[i]);
}

}  // namespace

int CDTReader::ReadScan(int whichScan, int whichDrift, const std::uint32_t*& pMassindex,
                        const std::uint32_t*& pIntensity, const std::uint32_t*& pFlags, int& size) {
  pMassindex = pIntensity = pFlags = nullptr;
  size = 0;
  if (const int code = readBlock(whichScan, whichDrift); code != ZVRAW_OK) return code;
  const ChannelData& c = channel(whichDrift);
  pMassindex = c.massindex.data();
  pIntensity = c.intensity.data();
  pFlags = c.flags.data();
  size = static_cast<int>(points(c));
  return ZVRAW_OK;
}

int CDTReader::ReadScan(int whichScan, int whichDrift, std::vector<std::uint32_t>& massindex,
                        std::vector<std::uint32_t>& intensity, std::vector<std::uint32_t>& flags) {
  massindex.clear();
  intensity.clear();
  flags.clear();
  const int code = zvraw::guardAllocation([&] {
    if (const int read = readBlock(whichScan, whichDrift); read != ZVRAW_OK) return read;
    const ChannelData& c = channel(whichDrift);
    const auto n = static_cast<std::ptrdiff_t>(points(c));
    massindex.assign(c.massindex.begin(), c.massindex.begin() + n);
    intensity.assign(c.intensity.begin(), c.intensity.begin() + n);
    flags.assign(c.flags.begin(), c.flags.begin() + n);
    return ZVRAW_OK;
  });
  if (code != ZVRAW_OK) {
    massindex.clear();
    intensity.clear();
    flags.clear();
  }
  return code;
}

int CDTReader::ReadScan(int whichScan, int whichDrift, float*& pMasses, float*& pIntensities, int& size) {
  pMasses = pIntensities = nullptr;
  size = 0;
  return zvraw::guardAllocation([&] {
    if (const int read = readBlock(whichScan, whichDrift); read != ZVRAW_OK) return read;
    // Before Calibrate the axis is the uncalibrated one.
    if (_massCalibratedValues.size() != static_cast<std::size_t>(_massAxisLength))
      _massCalibratedValues = IMSUtil::MassScale(_startIndex, _massAxisLength, _timeToMass);
    const ChannelData& c = channel(whichDrift);
    const int pad = IMSUtil::Zeropad(c.massindex.data(), c.intensity.data(), points(c), _massIndeces,
                                     _intensitiesValues, _startIndex, _endIndex);
    if (pad != IMSUtil::OK) return pad;
    // Zeropad keeps every index inside the window, so each has an axis entry.
    _massValues.resize(_massIndeces.size());
    for (std::size_t i = 0; i < _massIndeces.size(); ++i)
      _massValues[i] = _massCalibratedValues[_massIndeces[i] - static_cast<std::uint32_t>(_startIndex)];
    pMasses = _massValues.data();
    pIntensities = _intensitiesValues.data();
    size = static_cast<int>(_massValues.size());
    return ZVRAW_OK;
  });
}

int CDTReader::ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, char*& pFlags, int& size) {
  pFlags = nullptr;
  const int code = ReadScan(whichScan, whichDrift, pMasses, pIntensities, size);
  if (code != ZVRAW_OK) return code;
  const ChannelData& c = channel(whichDrift);
  const int flags = zvraw::guardAllocation([&] {
    _flagChars.resize(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < _flagChars.size(); ++i) _flagChars[i] = c.flags[i] == 0 ? 0 : 2;
    return ZVRAW_OK;
  });
  if (flags != ZVRAW_OK) {
    pMasses = nullptr;
    pIntensities = nullptr;
    size = 0;
    return flags;
  }
  pFlags = _flagChars.data();
  return ZVRAW_OK;
}

int CDTReader::floatIntensities(int whichScan, int whichDrift, float*& pIntensities, int& size) {
  pIntensities = nullptr;
  size = 0;
  return zvraw::guardAllocation([&] {
    if (const int read = readBlock(whichScan, whichDrift); read != ZVRAW_OK) return read;
    const ChannelData& c = channel(whichDrift);
    const std::size_t n = points(c);
    convert(_intensitiesValues, c.intensity, n);
    pIntensities = _intensitiesValues.data();
    size = static_cast<int>(n);
    return ZVRAW_OK;
  });
}

int CDTReader::ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, int& size) {
  pMasses = nullptr;
  if (const int code = floatIntensities(whichScan, whichDrift, pIntensities, size); code != ZVRAW_OK) return code;
  const int code = zvraw::guardAllocation([&] {
    convert(_massInts, channel(whichDrift).massindex, static_cast<std::size_t>(size));
    return ZVRAW_OK;
  });
  if (code != ZVRAW_OK) {
    pIntensities = nullptr;
    size = 0;
    return code;
  }
  pMasses = _massInts.data();
  return ZVRAW_OK;
}

int CDTReader::ReadScan(int whichScan, int whichDrift, const std::uint32_t*& pMasses, float*& pIntensities, int& size) {
  pMasses = nullptr;
  if (const int code = floatIntensities(whichScan, whichDrift, pIntensities, size); code != ZVRAW_OK) return code;
  pMasses = channel(whichDrift).massindex.data();
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
