#include "support/FunctionDataRig.h"

#include <gtest/gtest.h>

#include "zorvalen/ZorvalenRawResultCodes.h"

std::vector<PeakList> samplePeaks(unsigned scans, unsigned first) {
  std::vector<PeakList> out;
  for (unsigned s = first; s < first + scans; ++s) {
    PeakList p;
    for (unsigned k = 0; k < 3 + s % 4; ++k) {
      p.masses.push_back(100.0f + 25.0f * static_cast<float>(k) + 0.25f * static_cast<float>(s % 64));
      p.intensities.push_back(static_cast<float>(1 + (s * 13 + k * 7) % 250));
      p.flags.push_back(0);
    }
    out.push_back(std::move(p));
  }
  return out;
}

std::vector<double> sampleTimes(unsigned scans) {
  std::vector<double> t;
  for (unsigned s = 0; s < scans; ++s) t.push_back(0.25 * (s + 1));
  return t;
}

Batch::Batch(const std::vector<PeakList>& scans) {
  for (const PeakList& p : scans) {
    masses.push_back(newArray(p.masses));
    intensities.push_back(newArray(p.intensities));
    dMasses.push_back(newArray(p.dMasses));
    dIntensities.push_back(newArray(p.dIntensities));
    flags.push_back(newArray(p.flags));
    accFlags.push_back(newArray(p.accFlags));
    sizes.push_back(static_cast<unsigned>(p.masses.size()));
  }
}

int Batch::give(ZVRawFunctionData& data, unsigned start) {
  const auto n = static_cast<unsigned>(sizes.size());
  return data.setScans(start, n, masses.data(), intensities.data(), dMasses.data(), dIntensities.data(), flags.data(),
                       accFlags.data(), sizes.data());
}

FunctionWriter::FunctionWriter(std::string directory, const FunctionShape& s, unsigned indexedScans)
    : dir(std::move(directory)), shape(s), descriptors(1) {
  Descriptor d(shape.format, shape.type, shape.segments);
  if (shape.segments.empty()) {
    d.segmentStartMass(0) = d.interSegmentTime() = shape.low;
    d.segmentEndMass(0) = d.segmentScanTime(0) = shape.high;
  }
  EXPECT_EQ(descriptors.updateDescriptor(0, d), ZVRAW_OK);
  EXPECT_EQ(indices.prepareScanIndicesBuffer(0, indexedScans), ZVRAW_OK);
  data.setExternalObjects(&descriptors, &indices, nullptr);
}

void FunctionWriter::setTimes(unsigned first, const std::vector<double>& times) {
  ASSERT_EQ(indices.setScanIndices(0, times.data(), first, first + static_cast<unsigned>(times.size()) - 1), ZVRAW_OK);
}

void FunctionWriter::finish() {
  ASSERT_EQ(descriptors.writeDescriptors(dir.c_str()), ZVRAW_OK);
  ASSERT_EQ(indices.writeIndices(0, dir.c_str(), shape.format), ZVRAW_OK);
}

void writeFunction(const std::string& dir, const FunctionShape& shape, const std::vector<PeakList>& scans) {
  const auto n = static_cast<unsigned>(scans.size());
  FunctionWriter w(dir, shape, n);
  if (n > 0) {
    w.setTimes(0, sampleTimes(n));
    Batch b(scans);
    ASSERT_EQ(b.give(w.data, 0), ZVRAW_OK);
    ASSERT_EQ(w.data.writeScans(dir.c_str(), true, 0u), ZVRAW_OK);
  }
  w.finish();
}

FunctionReader::FunctionReader(const std::string& dir) {
  openResult = descriptors.readDescriptors(dir.c_str());
  unsigned format = 0;
  (void)descriptors.getDataFormat(0, format);
  const unsigned formats[1] = {format};
  if (openResult == ZVRAW_OK) openResult = indices.readIndices(dir.c_str(), formats);
  data.setExternalObjects(&descriptors, &indices, nullptr);
}

FunctionReader::FunctionReader(const std::string& dir, unsigned records) {
  openResult = descriptors.readDescriptors(dir.c_str());
  unsigned format = 0;
  (void)descriptors.getDataFormat(0, format);
  if (openResult == ZVRAW_OK) openResult = indices.setRawFilePath(dir.c_str());
  if (openResult == ZVRAW_OK) openResult = indices.prepareScanIndicesBuffer(0, records);
  if (openResult == ZVRAW_OK && records > 0) openResult = indices.readIndices(0, 0, records - 1, format, 0);
  (void)indices.setMaxScanSizes();
  data.setExternalObjects(&descriptors, &indices, nullptr);
}

PeakList loadedPeaks(const ZVRawFunctionData& data, unsigned s) {
  const float* m = nullptr;
  const float* i = nullptr;
  unsigned n = 0;
  PeakList p;
  if (data.getScan(s, &m, &i, n) == ZVRAW_OK && n > 0) {
    p.masses.assign(m, m + n);
    p.intensities.assign(i, i + n);
  }
  return p;
}
