#pragma once

// The drift data of one compressed-drift function: each block (the drift
// spectra of one scan, on the function's fixed time-of-flight grid) goes to
// _funcNNN.cdt/_funcNNN.ind, and its spectra summed on the grid become the
// summed spectrum the writer front stores as the function's ordinary scan.
//
// The two agree whatever is handed in: a block is checked whole before any
// of it is encoded, and the summed spectrum changes only once the block was
// written. A failed write is returned by that block and by every later one.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drift/CDTBlockWriter.h"
#include "drift/CDTFileWriter.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawCDTWriter {
 public:
  using CDTFileWriter = Vardex::Control::Legacy::ZorvalenRaw::CDTFileWriter;
  using CDTBlockWriter = Vardex::Control::Legacy::ZorvalenRaw::CDTBlockWriter;

  ZorvalenRawCDTWriter();
  ZorvalenRawCDTWriter(const ZorvalenRawCDTWriter&) = delete;
  ZorvalenRawCDTWriter& operator=(const ZorvalenRawCDTWriter&) = delete;
  ~ZorvalenRawCDTWriter();  // closes the files

  // Names the file pair of 0-based function `function` in directory; opens
  // nothing. 53 for an empty directory.
  int Initalise(const std::string& directory, unsigned int function);
  // Builds the grid and starts the file pair (both created anew, the header
  // written). 57, nothing created, unless Lteff, Veff and the frequency are
  // finite and above 0, 0 < startMass < endMass (finite), 1 <= scansInBlock
  // <= kMaxSpectraPerBlock and the grid has at most IMSUtil::kMaxGridIndices
  // points; 1 before Initalise; 10 when the files cannot be written (a
  // FIFO, device or directory at either name: neither file is made).
  int AppendFunction(const float& Lteff, const float& Veff, const float& samplingFrequency, const float& startMass,
                     const float& endMass, const int& scansInBlock);
  // The value checks of AppendFunction alone: 0 or 57. Lets a caller refuse
  // a function before it changes anything.
  [[nodiscard]] static int CheckFunction(float Lteff, float Veff, float samplingFrequency, float startMass,
                                         float endMass, int scansInBlock);

  // One block of scansize drift spectra, scans[i] points each, datasize in
  // all, at rt minutes. Grid indices are stored as given and summed where
  // they lie on the grid; float masses are rebinned onto the grid first,
  // each cell keeping the whole part of its share.
  // 70 before AppendFunction or after CloseBlock; 57 when datasize is not
  // the sum of scans, scansize exceeds the spectra per block, rt is not
  // finite, an index is above INT_MAX, a float mass or intensity is not
  // finite, an intensity is negative, a point with intensity lies outside
  // the grid's outer cell edges, a cell would reach 2^32, a spectrum with
  // intensity would keep no count, or the block is too large to encode; 79
  // for null arrays that should hold points; then the failure of this or an
  // earlier write (10).
  // A refused or failed block writes nothing and leaves the summed spectrum.
  int AddBlock(const unsigned int* massIndex, const unsigned int* intensity, const unsigned int& datasize,
               const unsigned int* scans, const unsigned int& scansize, const float& rt);
  int AddBlock(const float* masses, const float* intensities, const unsigned int& datasize, const unsigned int* scans,
               const unsigned int& scansize, const float& rt);
  // The summed spectrum of the last block written (inner points of zero
  // runs dropped); the arrays stay the writer's, valid until the next block.
  int GetRawScan(float*& masses, float*& intensities, int& count);
  // Closes the files; later blocks give 70. 10 when a close failed (bytes
  // already written may be lost), else 0; a second call does nothing (0).
  int CloseBlock();

  // Closes the files and removes them: a function that was not started
  // leaves no drift files for a later function of its number to be read
  // with. Only regular files go (a special file at a name was never ours).
  void Discard();

  // The first failed write of the files; 0 while none failed.
  [[nodiscard]] int GetFailure() const { return _failure; }
  [[nodiscard]] int GetStartIndex() const { return _startIndex; }
  [[nodiscard]] const std::vector<float>& GetMassScale() const { return _massScale; }

  // An index record holds 20 bytes a spectrum and every block writes one:
  // no acquisition has more drift spectra a scan than this.
  static constexpr int kMaxSpectraPerBlock = 1 << 16;

 private:
  // A block's drift spectra as the caller lays them out.
  struct Block {
    const unsigned int* scans;
    unsigned int scansize;
    unsigned int datasize;
    float rt;
  };

  int InitaliseBlock();
  // 0 when a block may be encoded: written so far, well formed.
  [[nodiscard]] int acceptsBlock(const Block& block, const void* points, const void* values) const;
  // Whether every float point has a place on the grid: no negative
  // intensity, and a point with intensity inside the grid's outer cell edges.
  [[nodiscard]] bool keepsPoints(const float* masses, const float* intensities, std::size_t n) const;
  // One spectrum of n float points rebinned onto the grid, its cells with a
  // count into _keptIndices/_keptIntensities. 57 for a cell past the unsigned
  // counts, or a spectrum with intensity none of whose cells keeps a count.
  int rebinSpectrum(const float* x, const float* y, int n);
  // One drift spectrum to the block writer and the block's sum; false when
  // the block writer refuses it.
  bool AddScan(const unsigned int* indices, const unsigned int* intensities, const unsigned int* flags, int errorFlag,
               int count);
  // Ends the block at rt minutes and appends it to the files; 57, nothing
  // written, when its sum would be a scan of more points than a scan holds.
  int WriteBlock(const float& rt);
  // After a refused spectrum: the block writer starts an empty block.
  void discardBlock();

  std::unique_ptr<CDTFileWriter> _fileWriter;
  std::unique_ptr<CDTBlockWriter> _blockWriter;
  float _Lteff = 0.0f;
  float _Veff = 0.0f;
  float _FrequencyGHz = 0.0f;
  const float _T0 = 0.0f;
  float _startMass = 0.0f;
  float _endMass = 0.0f;
  int _scansInBlock = 0;
  int _startIndex = 0;
  std::vector<float> _massScale;
  double _lowEdge = 0.0, _highEdge = 0.0;  // the grid's outer cell edges, as rebinning forms them
  std::vector<float> _intensities;  // the sum of the last block written
  std::vector<float> _rawMasses;  // the sum without its empty cells: the function's scan
  std::vector<float> _rawIntensities;
  bool _rawCurrent = false;  // whether they hold _intensities' scan

  std::vector<float> _blockSum;                 // the block being encoded, swapped in once written
  std::vector<float> _resampled;                // one spectrum rebinned onto its cells of the grid
  std::vector<std::uint32_t> _keptIndices;      // its points with intensity
  std::vector<std::uint32_t> _keptIntensities;
  std::vector<std::uint32_t> _zeroFlags;        // point flags, all 0
  std::string _indexBytes, _dataBytes;          // the block being written, kept for the next
  int _failure = 0;                             // the first failed write
  bool _closed = false;
};

}  // namespace Vardex::Lib::ZorvalenRaw
