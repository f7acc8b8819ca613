#pragma once

// One-function raw directories for function-data tests. The writer side lays
// a directory down through the library's own writers (descriptor file, then
// the scans through ZVRawFunctionData, then the index file); the reader side
// opens it again from the files alone.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "formats/scans/ZVRawFunctionData.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "support/ScanFixtures.h"
#include "support/TempDir.h"

using borealtek_zvraw_version_1::ZVRawFunctionData;

struct FunctionShape {
  explicit FunctionShape(unsigned f = 9, unsigned t = 0, std::vector<std::pair<float, float>> s = {})
      : format(f), type(t), segments(std::move(s)) {}
  unsigned format;
  unsigned type;
  float low = 50, high = 2000;                    // acquisition mass range of an unsegmented function
  std::vector<std::pair<float, float>> segments;  // (start, end) per segment; none: unsegmented
};

// Peak lists whose masses and intensities formats 0, 8, 9 and 12 store
// exactly: scan s has 3 + s % 4 peaks from 100 + s / 4 upwards.
[[nodiscard]] std::vector<PeakList> samplePeaks(unsigned scans, unsigned first = 0);
// 0.25 (s + 1) minutes: exact in a float.
[[nodiscard]] std::vector<double> sampleTimes(unsigned scans);

// A batch's caller-side arrays, which the writer moves out of the tables.
class Batch {
 public:
  explicit Batch(const std::vector<PeakList>& scans);

  // setScans numbered from start (the accurate-mass form when any scan has errors).
  int give(ZVRawFunctionData& data, unsigned start);

  std::vector<std::unique_ptr<float[]>> masses, intensities, dMasses, dIntensities;
  std::vector<std::unique_ptr<char[]>> flags, accFlags;
  std::vector<unsigned> sizes;
};

// The writing side of a one-function directory: descriptors and an index
// set that the function data are wired to.
struct FunctionWriter {
  FunctionWriter(std::string dir, const FunctionShape& shape, unsigned indexedScans);
  // Times for scans first.. (as the write interface does when it appends).
  void setTimes(unsigned first, const std::vector<double>& times);
  // Writes _functns.inf and the index records not yet written.
  void finish();

  std::string dir;
  FunctionShape shape;
  ZVRawFunctionDescriptors descriptors;
  ZVRawFunctionScanIndices indices{1};
  ZVRawFunctionData data;
};

// Writes scans (at sampleTimes) to a fresh one-function directory in one flushed batch.
void writeFunction(const std::string& dir, const FunctionShape& shape, const std::vector<PeakList>& scans);

// The reading side: descriptors read from the directory, the index read live.
struct FunctionReader {
  explicit FunctionReader(const std::string& dir);
  // Every index record, whether or not its scan is wholly in _func001.dat.
  explicit FunctionReader(const std::string& dir, unsigned records);

  int openResult = 0;
  ZVRawFunctionDescriptors descriptors;
  ZVRawFunctionScanIndices indices{1};
  ZVRawFunctionData data;
};

// The masses and intensities of loaded scan s.
[[nodiscard]] PeakList loadedPeaks(const ZVRawFunctionData& data, unsigned s);
