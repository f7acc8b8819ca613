#include "fuzz/FuzzHarness.h"

#include <stdlib.h>

#include <algorithm>


#include "formats/directory/ZVRawDDASettings.h"
#include "support/ByteBuilder.h"
#include "support/FullDirectory.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMostFunctions = 4, kMostScans = 8, kMostBins = 8, kMostChannels = 4;

// Two channels of the packed analog pair: descriptions, and three samples.
Bytes analogsInf() {
  ByteBuilder b;
  for (const char* name : {"UV", "Pressure"}) b.u16(0).u16(0).text(name, 5).text("$CC$,2,a,b,c,psi", 76);
  return b.take();
}
Bytes analogsDat() {
  ByteBuilder b;
  for (int k = 0; k < 3; ++k) b.f32(0.1f * static_cast<float>(k)).u16(static_cast<std::uint16_t>(11 + k)).u16(65535);
  return b.take();
}

// Releases what a chromatogram export allocated for the caller.
void release(void* first, void* second) {
  (void)releaseMemory(first);
  (void)releaseMemory(second);
}

void readChromatograms(CZorvalenBaseReader source, int functions) {
  CZorvalenBaseReader chrom = nullptr, analog = nullptr;
  if (createRawReaderFromReader(source, &chrom, ZorvalenBaseType::CHROM) != ZVRAW_OK) return;
  const float masses[2] = {60.0f, 500.0f};
  const int channels[2] = {0, 1};
  for (int f = 0; f < functions; ++f) {
    float *times = nullptr, *values = nullptr;
    int *bins = nullptr, n = 0;
    if (readTICChromatogram(chrom, f, &times, &values, &n) == ZVRAW_OK) release(times, values);
    if (readBPIChromatogram(chrom, f, &times, &values, &n) == ZVRAW_OK) release(times, values);
    if (readMassChromatograms(chrom, f, masses, 2, &times, &values, 1.0f, false, &n) == ZVRAW_OK)
      release(times, values);
    if (readMRMChromatograms(chrom, f, channels, 2, &times, &values, &n) == ZVRAW_OK) release(times, values);
    if (readVeskoMassChromatogram(chrom, f, 500.0f, 60.0f, &times, &values, 2.0f, 1.0f, &n) == ZVRAW_OK)
      release(times, values);
    if (extractByBins(chrom, f, 50.0f, 10000.0f, 0, 1, 0, 3, &bins, &values, &n) == ZVRAW_OK) release(bins, values);
    if (readMobillogram(chrom, f, 0, 1, 50.0f, 10000.0f, &bins, &values, &n) == ZVRAW_OK) release(bins, values);
  }
  (void)destroyRawReader(chrom);
  if (createRawReaderFromReader(source, &analog, ZorvalenBaseType::ANALOG) != ZVRAW_OK) return;
  int count = 0;
  (void)getChannelCount(analog, &count);
  for (int c = 0; c < count && c < kMostChannels; ++c) {
    const float *times = nullptr, *values = nullptr;
    char* text = nullptr;
    int n = 0;
    (void)readChannel(analog, c, &times, &values, &n);
    (void)getChannelDesciption(analog, c, &text);
    (void)getChannelUnits(analog, c, &text);
  }
  (void)destroyRawReader(analog);
}

void readItems(CZorvalenBaseReader info, int functions) {
  CZorvalenParameters set = nullptr;
  if (createParameters(&set) != ZVRAW_OK) return;
  ZorvalenHeaderItem headers[50];
  for (int k = 0; k < 50; ++k) headers[k] = static_cast<ZorvalenHeaderItem>(300 + k);
  const ZorvalenScanItem items[4] = {static_cast<ZorvalenScanItem>(401), static_cast<ZorvalenScanItem>(410),
                                     static_cast<ZorvalenScanItem>(450), static_cast<ZorvalenScanItem>(500)};
  (void)getHeaderItemValue(info, headers, 50, set);
  (void)getScanItemName(info, items, 4, set);
  (void)getAcquisitionInfo(info, set);
  for (int f = 0; f < functions; ++f) {
    int first = 0, last = 0;
    (void)getScanItemsInFunction(info, f, set);
    (void)getScanItemValue(info, f, 0, items, 4, set);
    (void)getDriftRangeFromTimeRange(info, f, 0.0f, 10.0f, first, last);
  }
  (void)destroyParameters(set);
}

// What the reads make of the directory is not checked: only that each one
// returns, without a sanitizer report.
void readEverything(const fs::path& dir) {
  CZorvalenBaseReader scan = nullptr, info = nullptr;
  if (createRawReaderFromPath(dir.c_str(), &scan, ZorvalenBaseType::SCAN) != ZVRAW_OK) return;
  (void)createRawReaderFromReader(scan, &info, ZorvalenBaseType::INFO);
  unsigned functions = 0;
  (void)getFunctionCount(info, &functions);
  for (int f = 0; f < static_cast<int>(functions) && f < kMostFunctions; ++f) {
    unsigned scans = 0, bins = 0;
    (void)getScanCount(info, f, &scans);
    (void)getDriftScanCount(info, f, &bins);
    ZorvalenFunctionType type{};
    ZorvalenIonMode mode{};
    float a = 0, b = 0;
    int first = 0, last = 0, mrms = 0;
    bool flag = false;
    (void)getFunctionType(info, f, &type);
    (void)getIonMode(info, f, &mode);
    (void)getAcquisitionMassRange(info, f, 0, &a, &b);
    (void)getAcquisitionTimeRange(info, f, &a, &b);
    (void)getMRMCount(info, f, &mrms);
    (void)isContinuum(info, f, flag);
    (void)getScanRangeFromTimeRange(info, f, 0.0f, 100.0f, first, last);
    (void)getIndexRange(info, f, 500.0f, 2.0f, &first, &last);
    (void)getFunctionPrecursorMassRange(info, f, &a, &b);
    for (int s = 0; s < static_cast<int>(scans) && s < kMostScans; ++s) {
      float *masses = nullptr, *intensities = nullptr, *products = nullptr;
      char* flags = nullptr;
      int n = 0, np = 0, offset = 0;
      int* indices = nullptr;
      (void)getRetentionTime(info, f, s, &a);
      (void)readScan(scan, f, s, &masses, &intensities, &n);
      (void)readScanFlags(scan, f, s, &masses, &intensities, &flags, &n);
      (void)readProductScan(scan, f, s, &masses, &intensities, &products, &n, &np);
      (void)getDriftMassScale(scan, f, s, &masses, &n, &offset);
      for (int d = 0; d < static_cast<int>(bins) && d < kMostBins; ++d) {
        (void)readDriftScan(scan, f, s, d, &masses, &intensities, &n);
        (void)readDriftScanIndex(scan, f, s, d, &indices, &intensities, &n);
        (void)readDriftScanFlagsIndex(scan, f, s, d, &indices, &intensities, &flags, &n);
      }
    }
  }
  readChromatograms(scan, static_cast<int>(std::min<unsigned>(functions, kMostFunctions)));
  readItems(info, static_cast<int>(std::min<unsigned>(functions, kMostFunctions)));
  bool present = false;
  int reference = 0;
  float value = 0;
  (void)getLockMassFunction(info, &present, &reference);
  (void)canLockMassCorrect(info, &present);
  (void)isLockMassCorrected(info, &present);
  (void)getDriftTime(info, 1, &value);
  (void)getCollisionalCrossSection(info, 5.0f, 500.0f, 2, &value);
  (void)getDriftTime_CCS(info, 200.0f, 500.0f, 2, &value);
  (void)getPrecursorMass(info, 0, 3, &value);
  (void)destroyRawReader(info);
  (void)destroyRawReader(scan);
}

// One directory per process, made on the first input.
struct Workspace {
  fs::path root;
  fs::path dir;
  Bytes original;  // the file as the fixture wrote it; empty when absent
  bool present = false;

  explicit Workspace(const std::string& file) {
    std::string pattern = (fs::temp_directory_path() / "zvraw-fuzz-XXXXXX").string();
    root = ::mkdtemp(pattern.data()) ? fs::path(pattern) : fs::temp_directory_path() / "zvraw-fuzz";
    dir = root / "run.raw";
    fs::create_directories(dir);
    writeFuzzDirectory(dir, file);
    present = fs::exists(dir / file);
    if (present) original = readFile(dir / file);
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
};

}  // namespace

void writeFuzzDirectory(const fs::path& dir, const std::string& file) {
  writeFullDirectory(dir);
  // The packed analog pair hides the channel table: it is there only for its own kinds.
  if (file == "_ANALOGS.INF" || file == "_ANALOGS.DAT") {
    writeFile(dir / "_ANALOGS.INF", analogsInf());
    writeFile(dir / "_ANALOGS.DAT", analogsDat());
  }
  // The byte-inverted header is read before the text one.
  if (file == "_header.inf") {
    Bytes header = readFile(dir / "_header.txt");
    for (std::uint8_t& byte : header) byte = static_cast<std::uint8_t>(~byte);
    writeFile(dir / "_header.inf", header);
  }
}

int fuzzComponentFile(const std::string& file, const std::uint8_t* data, std::size_t size) {
  static Workspace workspace(file);
  writeFile(workspace.dir / file, Bytes(data, data + size));
  readEverything(workspace.dir);
  if (file == "_dda.inf") {
    borealtek_zvraw_version_1::ZVRawDDASettings settings;
    (void)settings.Read(workspace.dir.c_str());
  }
  if (workspace.present)
    writeFile(workspace.dir / file, workspace.original);
  else
    fs::remove(workspace.dir / file);
  return 0;
}
