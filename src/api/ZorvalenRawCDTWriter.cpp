#include "api/ZorvalenRawCDTWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "api/FiniteValues.h"
#include "drift/IMSUtil.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

bool positiveFinite(float v) { return std::isfinite(v) && v > 0; }

// The first value a stored drift intensity cannot hold.
constexpr float kCountLimit = 4294967296.0f;

// Retention time in seconds as the index record stores it; none when it
// would not be a finite float.
bool toSeconds(float minutes, float& seconds) {
  const double s = static_cast<double>(minutes) * 60.0;
  if (!(std::fabs(s) <= FLT_MAX)) return false;  // NaN too
  seconds = static_cast<float>(s);
  return true;
}

}  // namespace

ZorvalenRawCDTWriter::ZorvalenRawCDTWriter() = default;

ZorvalenRawCDTWriter::~ZorvalenRawCDTWriter() = default;

int ZorvalenRawCDTWriter::Initalise(const std::string& directory, unsigned int function) {
  // An empty directory would put the files wherever the process runs.
  if (directory.empty()) return ZVRAW_FILENAME_EMPTY;
  _blockWriter.reset();
  _fileWriter = std::make_unique<CDTFileWriter>(directory, function);
  _failure = ZVRAW_OK;
  _closed = false;
  return ZVRAW_OK;
}

int ZorvalenRawCDTWriter::AppendFunction(const float& Lteff, const float& Veff, const float& samplingFrequency,
                                         const float& startMass, const float& endMass, const int& scansInBlock) {
  if (!_fileWriter) return ZVRAW_ERROR;
  if (const int rc = CheckFunction(Lteff, Veff, samplingFrequency, startMass, endMass, scansInBlock); rc != ZVRAW_OK)
    return rc;
  const float ttm = IMSUtil::TimeToMass(Lteff, Veff, samplingFrequency);
  int first = 0, last = 0;
  (void)IMSUtil::GridIndices(ttm, startMass, endMass, IMSUtil::HalfUp::Float, first, last);  // checked above

  _Lteff = Lteff;
  _Veff = Veff;
  _FrequencyGHz = samplingFrequency;
  _startMass = startMass;
  _endMass = endMass;
  _scansInBlock = scansInBlock;
  _startIndex = first;
  const int count = last - first + 1;
  _massScale = IMSUtil::MassScale(first, count, ttm);
  IMSUtil::AxisEdges(_massScale.data(), count, _lowEdge, _highEdge);
  const auto points = static_cast<std::size_t>(count);
  _intensities.assign(points, 0.0f);
  _blockSum.assign(points, 0.0f);
  _resampled.assign(points, 0.0f);
  _rawMasses.clear();
  _rawIntensities.clear();
  _rawCurrent = false;
  _failure = ZVRAW_OK;
  _closed = false;
  return InitaliseBlock();
}

int ZorvalenRawCDTWriter::CheckFunction(float Lteff, float Veff, float samplingFrequency, float startMass,
                                        float endMass, int scansInBlock) {
  // Refused before anything is created: the block writer would throw on
  // most of these, and a grid too large would exhaust memory.
  if (!positiveFinite(Lteff) || !positiveFinite(Veff) || !positiveFinite(samplingFrequency) ||
      !positiveFinite(startMass) || !std::isfinite(endMass) || !(endMass > startMass) || scansInBlock < 1 ||
      scansInBlock > kMaxSpectraPerBlock)
    return ZVRAW_PARAMETER_INVALID;
  const float ttm = IMSUtil::TimeToMass(Lteff, Veff, samplingFrequency);
  int first = 0, last = 0;
  if (!IMSUtil::GridIndices(ttm, startMass, endMass, IMSUtil::HalfUp::Float, first, last))
    return ZVRAW_PARAMETER_INVALID;
  return ZVRAW_OK;
}

int ZorvalenRawCDTWriter::InitaliseBlock() {
  _blockWriter = std::make_unique<CDTBlockWriter>(_scansInBlock, _Lteff, _Veff, _FrequencyGHz, _T0, _startMass,
                                                  _endMass);
  if (!_fileWriter->WriteHeader(_blockWriter->HeaderBytes())) _failure = ZVRAW_FILEWRITE_ERROR;
  return _failure;
}

int ZorvalenRawCDTWriter::acceptsBlock(const Block& block, const void* points, const void* values) const {
  if (_closed || !_blockWriter) return ZVRAW_WRITER_CDT_NO_FUNCTION;
  if (_failure != ZVRAW_OK) return _failure;
  float seconds = 0.0f;
  // The block writer would silently refuse spectra beyond its count while they were still summed.
  if (block.scansize > static_cast<unsigned int>(_scansInBlock) || !toSeconds(block.rt, seconds))
    return ZVRAW_PARAMETER_INVALID;
  if (block.scansize > 0 && block.scans == nullptr) return ZVRAW_NULL_PARAMETERS;
  // The counts are the only measure of the caller's arrays: they must add up to datasize.
  std::uint64_t sum = 0;
  for (unsigned int i = 0; i < block.scansize; ++i) {
    if (block.scans[i] > static_cast<unsigned int>(INT_MAX)) return ZVRAW_PARAMETER_INVALID;
    sum += block.scans[i];
  }
  if (sum != block.datasize) return ZVRAW_PARAMETER_INVALID;
  if (block.datasize > 0 && (points == nullptr || values == nullptr)) return ZVRAW_NULL_PARAMETERS;
  return ZVRAW_OK;
}

bool ZorvalenRawCDTWriter::AddScan(const unsigned int* indices, const unsigned int* intensities,
                                   const unsigned int* flags, int errorFlag, int count) {
  if (!_blockWriter->AddSpectrum(indices, intensities, flags, errorFlag, count)) return false;
  // Points off the grid stay in the block but have no place in the sum.
  IMSUtil::CombineScans(indices, intensities, static_cast<std::size_t>(count), _blockSum, _startIndex);
  return true;
}

void ZorvalenRawCDTWriter::discardBlock() { _blockWriter->EndBlock(0.0f, _indexBytes, _dataBytes); }

int ZorvalenRawCDTWriter::AddBlock(const unsigned int* massIndex, const unsigned int* intensity,
                                   const unsigned int& datasize, const unsigned int* scans,
                                   const unsigned int& scansize, const float& rt) {
  if (const int rc = acceptsBlock({scans, scansize, datasize, rt}, massIndex, intensity); rc != ZVRAW_OK) return rc;
  // The readers give indices as int: one past it would read back negative.
  if (datasize > 0 && std::any_of(massIndex, massIndex + datasize, [](unsigned int m) { return m > INT_MAX; }))
    return ZVRAW_PARAMETER_INVALID;
  std::fill(_blockSum.begin(), _blockSum.end(), 0.0f);
  std::size_t offset = 0;
  for (unsigned int i = 0; i < scansize; ++i) {
    const auto n = static_cast<std::size_t>(scans[i]);
    if (_zeroFlags.size() < n) _zeroFlags.resize(n, 0);
    // Offsets into a null array only while nothing is read from it (datasize 0).
    const unsigned int* at = massIndex != nullptr ? massIndex + offset : nullptr;
    const unsigned int* y = intensity != nullptr ? intensity + offset : nullptr;
    if (!AddScan(at, y, _zeroFlags.data(), 0, static_cast<int>(n))) {
      discardBlock();
      return ZVRAW_PARAMETER_INVALID;
    }
    offset += n;
  }
  return WriteBlock(rt);
}

int ZorvalenRawCDTWriter::AddBlock(const float* masses, const float* intensities, const unsigned int& datasize,
                                   const unsigned int* scans, const unsigned int& scansize, const float& rt) {
  if (const int rc = acceptsBlock({scans, scansize, datasize, rt}, masses, intensities); rc != ZVRAW_OK) return rc;
  // Rebinning would turn NaN or infinity into some other count, unseen.
  if (!allFinite(masses, datasize) || !allFinite(intensities, datasize)) return ZVRAW_PARAMETER_INVALID;
  if (!keepsPoints(masses, intensities, datasize)) return ZVRAW_PARAMETER_INVALID;
  std::fill(_blockSum.begin(), _blockSum.end(), 0.0f);
  std::size_t offset = 0;
  for (unsigned int i = 0; i < scansize; ++i) {
    const auto n = static_cast<int>(scans[i]);
    const float* x = masses != nullptr ? masses + offset : nullptr;
    const float* y = intensities != nullptr ? intensities + offset : nullptr;
    const int rc = rebinSpectrum(x, y, n);
    const std::size_t kept = _keptIndices.size();
    if (_zeroFlags.size() < kept) _zeroFlags.resize(kept, 0);
    if (rc != ZVRAW_OK ||
        !AddScan(_keptIndices.data(), _keptIntensities.data(), _zeroFlags.data(), 0, static_cast<int>(kept))) {
      discardBlock();
      return ZVRAW_PARAMETER_INVALID;
    }
    offset += static_cast<std::size_t>(n);
  }
  return WriteBlock(rt);
}

bool ZorvalenRawCDTWriter::keepsPoints(const float* masses, const float* intensities, std::size_t n) const {
  // No unsigned count holds a negative intensity, and a point outside the
  // grid's outer cell edges has no cell to go to.
  for (std::size_t k = 0; k < n; ++k) {
    const double x = masses[k];
    if (intensities[k] < 0 || (intensities[k] > 0 && !(x >= _lowEdge && x <= _highEdge))) return false;
  }
  return true;
}

int ZorvalenRawCDTWriter::rebinSpectrum(const float* x, const float* y, int n) {
  _keptIndices.clear();
  _keptIntensities.clear();
  // Only the cells the spectrum reaches: a narrow spectrum costs its
  // points, not the grid.
  int from = 0, cells = 0;
  IMSUtil::ResampleWindow(x, n, _massScale.data(), static_cast<int>(_massScale.size()), from, cells);
  IMSUtil::Resample(x, y, n, _massScale.data() + from, _resampled.data(), cells);
  // IMSUtil::RemoveZeroIntensities, done here over the window alone: its
  // vector form would need the whole grid's indices for every spectrum, and
  // this pass also refuses the counts no unsigned cell holds.
  for (int k = 0; k < cells; ++k) {
    const float v = _resampled[static_cast<std::size_t>(k)];
    if (v >= kCountLimit) return ZVRAW_PARAMETER_INVALID;  // no unsigned count holds it
    const std::uint32_t count = IMSUtil::ToUnsignedIntensity(v);  // the whole part; zeros are not stored
    if (count == 0) continue;
    _keptIndices.push_back(static_cast<std::uint32_t>(_startIndex + from + k));
    _keptIntensities.push_back(count);
  }
  // Spread thinner than one count a cell, nothing of it would read back.
  if (_keptIndices.empty() && n > 0 && std::any_of(y, y + n, [](float v) { return v > 0; }))
    return ZVRAW_PARAMETER_INVALID;
  return ZVRAW_OK;
}

int ZorvalenRawCDTWriter::WriteBlock(const float& rt) {
  // The block's sum becomes the function's scan. One of more points than a
  // scan holds is refused before the block reaches the files, where it
  // would stay without its scan and end the function.
  _rawCurrent = false;
  if (IMSUtil::RemoveZero(_massScale, _blockSum, _rawMasses, _rawIntensities) != IMSUtil::OK ||
      _rawMasses.size() > kScanIndexMaxPeaks) {
    discardBlock();
    return ZVRAW_PARAMETER_INVALID;
  }
  float seconds = 0.0f;
  (void)toSeconds(rt, seconds);  // checked with the block
  _blockWriter->EndBlock(seconds, _indexBytes, _dataBytes);
  if (!_fileWriter->WriteBlock(_indexBytes, _dataBytes)) {
    _failure = ZVRAW_FILEWRITE_ERROR;
    return _failure;
  }
  _intensities.swap(_blockSum);
  _rawCurrent = true;
  return ZVRAW_OK;
}

int ZorvalenRawCDTWriter::GetRawScan(float*& masses, float*& intensities, int& count) {
  masses = intensities = nullptr;
  count = 0;
  if (!_rawCurrent) {
    if (const int rc = IMSUtil::RemoveZero(_massScale, _intensities, _rawMasses, _rawIntensities); rc != ZVRAW_OK)
      return rc;
    _rawCurrent = true;
  }
  masses = _rawMasses.data();
  intensities = _rawIntensities.data();
  count = static_cast<int>(_rawMasses.size());  // at most the grid's 2^24 points
  return ZVRAW_OK;
}

void ZorvalenRawCDTWriter::Discard() {
  if (!_fileWriter) return;
  (void)CloseBlock();
  for (const std::string& path : {_fileWriter->DataFilePath(), _fileWriter->IndexFilePath()}) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) (void)::unlink(path.c_str());
  }
}

int ZorvalenRawCDTWriter::CloseBlock() {
  if (_closed) return ZVRAW_OK;
  _closed = true;
  // Every block was flushed as it went, but a close can still fail to keep them.
  return !_fileWriter || _fileWriter->Close() ? ZVRAW_OK : ZVRAW_FILEWRITE_ERROR;
}

}  // namespace Vardex::Lib::ZorvalenRaw
