// Scattering a writer's packed statistics records into new per-scan records,
// against a hand-written loop that makes the same zeroed records and stores
// the same values into them (what code bound to one fixed layout could do).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "cluster/StatsDescriptorSet.h"
#include "formats/statistics/ZVRawExtendedStats.h"

using namespace borealtek_zvraw_version_1;

namespace {

constexpr unsigned int kRecords = 100000;

struct Field {
  int id;
  char type;
};
// 20 fields: 18 shorts and two floats, packed without padding.
constexpr Field kFields[] = {{1, 's'},  {2, 's'},  {3, 's'},  {4, 's'},  {5, 's'},  {6, 's'},  {7, 's'},
                             {8, 's'},  {9, 'f'},  {10, 'f'}, {11, 's'}, {12, 's'}, {13, 's'}, {50, 's'},
                             {51, 's'}, {52, 's'}, {53, 's'}, {54, 's'}, {55, 's'}, {56, 's'}};
constexpr int kRecordSize = 18 * 2 + 2 * 4;

struct Fixture {
  ExtendedStatsDescriptor layout;
  std::vector<unsigned char> packed;
  Fixture() : layout(20, kRecordSize), packed(std::size_t{kRecords} * kRecordSize) {
    int offset = 0;
    for (const Field& f : kFields) {
      layout.addField({f.id, f.type}, offset);
      offset += f.type == 'f' ? 4 : 2;
    }
    for (std::size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<unsigned char>(i * 31 + 7);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

template <class T>
T at(const unsigned char* p, int offset) {
  T v;
  std::memcpy(&v, p + offset, sizeof v);
  return v;
}

void BM_StatsScatterPlainLoopBaseline(benchmark::State& state) {
  const unsigned char* src = fixture().packed.data();
  for (auto _ : state) {
    std::vector<ZVRawExtStatsRecord> records(kRecords);
    for (unsigned int i = 0; i < kRecords; ++i) {
      const unsigned char* p = src + std::size_t{i} * kRecordSize;
      ZVRawExtStatsRecord& r = records[i];
      r.m_nLinearDetectorVoltage = at<short>(p, 0);
      r.m_nLinearSensitivity = at<short>(p, 2);
      r.m_nReflectronLensVoltage = at<short>(p, 4);
      r.m_nReflectronDetectorVoltage = at<short>(p, 6);
      r.m_nReflectronSensitivity = at<short>(p, 8);
      r.m_nLaserRepetitionRate = at<short>(p, 10);
      r.m_nCoarseLaserControl = at<short>(p, 12);
      r.m_nFineLaserControl = at<short>(p, 14);
      r.m_fLaserAimXPos = at<float>(p, 16);
      r.m_fLaserAimYPos = at<float>(p, 20);
      r.m_nNumShotsSummed = at<short>(p, 24);
      r.m_nNumShotsPerformed = at<short>(p, 26);
      r.m_nSegmentNumber = at<short>(p, 28);
      r.m_nNeedle = at<short>(p, 30);
      r.m_nCounterElectrodeVoltage = at<short>(p, 32);
      r.m_nSamplingConeVoltage = at<short>(p, 34);
      r.m_nSkimmerLens = at<short>(p, 36);
      r.m_nSkimmer = at<short>(p, 38);
      r.m_nProbeTemperature = at<short>(p, 40);
      r.m_nSourceTemperature = at<short>(p, 42);
    }
    benchmark::DoNotOptimize(records.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_StatsScatterPlainLoopBaseline)->Unit(benchmark::kMillisecond);

void BM_StatsScatter(benchmark::State& state) {
  StatsDescriptorSet set;
  (void)set.set(1, 0, fixture().layout, nullptr);
  for (auto _ : state) {
    ZVRawExtendedStats fresh(1);
    benchmark::DoNotOptimize(set.appendStats(fresh, 0, kRecords, fixture().packed.data()));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_StatsScatter)->Unit(benchmark::kMillisecond);

}  // namespace
