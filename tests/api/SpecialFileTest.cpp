// A component file that is not a regular file (a FIFO nobody writes, a
// directory) must read as a file that is not there: the open and the reads
// give what they give without it, and nothing waits for a peer. No writer
// waits on one either.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "support/FifoGuard.h"
#include "support/FullDirectory.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;

namespace {

// What the C interface makes of a directory.
struct Outcome {
  int open = -1, scan = -1, drift = -1, driftIndex = -1;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "open " << o.open << ", scan " << o.scan << ", drift " << o.drift << ", drift index " << o.driftIndex;
}

Outcome readDirectory(const fs::path& dir) {
  Outcome o;
  CZorvalenBaseReader r = nullptr;
  o.open = createRawReaderFromPath(dir.c_str(), &r, ZorvalenBaseType::SCAN);
  if (o.open != ZVRAW_OK) return o;
  float *masses = nullptr, *intensities = nullptr;
  int* indices = nullptr;
  int size = 0;
  o.scan = readScan(r, 0, 0, &masses, &intensities, &size);
  o.drift = readDriftScan(r, 0, 1, 0, &masses, &intensities, &size);
  o.driftIndex = readDriftScanIndex(r, 0, 0, 0, &indices, &intensities, &size);
  EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
  return o;
}

Outcome readWithin(const fs::path& dir, const fs::path& fifo) {
  return withinFifo(fifo, [&] { return readDirectory(dir); });
}

class SpecialFiles : public TempDirTest {};

TEST_F(SpecialFiles, ReadAsMissingFiles) {
  const fs::path raw = dir() / "run.raw";
  std::vector<std::string> names = fullDirectoryFiles();
  names.insert(names.end(), {"_ANALOGS.INF", "_ANALOGS.DAT", "_header.inf", "_func002.sts"});
  for (const std::string& name : names) {
    fs::remove_all(raw);
    fs::create_directories(raw);
    writeFullDirectory(raw);
    fs::remove(raw / name);
    const Outcome missing = readDirectory(raw);

    ASSERT_EQ(::mkfifo((raw / name).c_str(), 0600), 0) << name;
    EXPECT_EQ(readWithin(raw, raw / name), missing) << name << " as a FIFO";

    fs::remove(raw / name);
    fs::create_directory(raw / name);
    EXPECT_EQ(readDirectory(raw), missing) << name << " as a directory";
  }
}

// A parameter set of the C interface, released with the scope.
struct Set {
  explicit Set(std::initializer_list<std::pair<int, const char*>> keys) {
    EXPECT_EQ(createParameters(&p), ZVRAW_OK);
    for (const auto& [k, v] : keys) EXPECT_EQ(setParameterValue(p, k, v), ZVRAW_OK);
  }
  ~Set() { (void)destroyParameters(p); }
  Set(const Set&) = delete;
  Set& operator=(const Set&) = delete;
  CZorvalenParameters p = nullptr;
};

// A drift function of two blocks with a scan item, and a trace: every file a
// writer makes. The first failure of the calls, and what the readers find.
struct Written {
  int first = ZVRAW_OK, scans = -1, driftPoints = -1, channels = -1;
  std::string energy;
  friend bool operator==(const Written&, const Written&) = default;
};

std::ostream& operator<<(std::ostream& os, const Written& w) {
  return os << "first " << w.first << ", scans " << w.scans << ", drift points " << w.driftPoints << ", channels "
            << w.channels << ", energy " << w.energy;
}

Written writeDirectory(const fs::path& raw) {
  Written w;
  const auto keep = [&](int rc) { w.first = w.first != ZVRAW_OK ? w.first : rc; };
  CZorvalenRawWriter writer = nullptr;
  keep(createRawWriter(&writer, raw.c_str()));
  using K = FunctionDefinition;
  const Set drift({{int(K::STARTMASS), "100"}, {int(K::ENDMASS), "400"}, {int(K::LTEFF), "1"},
                   {int(K::VEFF), "5184"}, {int(K::SAMPLINGFREQUENCY), "1"}, {int(K::CDT_SCANS), "2"}});
  const ZorvalenScanItem energy = ZorvalenScanItem::COLLISION_ENERGY;
  keep(appendRawFunctionWithStats(writer, drift.p, &energy, 1));
  const unsigned indices[] = {12, 20}, intensities[] = {7, 9}, counts[] = {1, 1};
  for (const char* value : {"1.5", "2.5"}) {
    const Set values({{int(energy), value}});
    keep(appendCDTScanIndexWithStats(writer, indices, intensities, 2, counts, 2, 0.5f, values.p));
  }
  const float times[] = {0.1f, 0.2f}, trace[] = {3.0f, 4.0f};
  const Set channel({{int(AnalogParameter::DESCRIPTION), "pump"}});
  keep(appendRawTrace(writer, channel.p, times, trace, 2));
  keep(closeRawWriter(writer));
  EXPECT_EQ(destroyRawWriter(writer), ZVRAW_OK);

  CZorvalenBaseReader info = nullptr, scans = nullptr, analog = nullptr;
  unsigned count = 0;
  if (createRawReaderFromPath(raw.c_str(), &info, ZorvalenBaseType::INFO) == ZVRAW_OK &&
      getScanCount(info, 0, &count) == ZVRAW_OK)
    w.scans = static_cast<int>(count);
  const Set got({});
  char* text = nullptr;
  if (getScanItemValue(info, 0, 1, &energy, 1, got.p) == ZVRAW_OK &&
      getParameterValue(got.p, int(energy), &text) == ZVRAW_OK)
    w.energy = text;
  int* idx = nullptr;
  float* y = nullptr;
  if (createRawReaderFromPath(raw.c_str(), &scans, ZorvalenBaseType::SCAN) == ZVRAW_OK)
    (void)readDriftScanIndex(scans, 0, 1, 1, &idx, &y, &w.driftPoints);
  if (createRawReaderFromPath(raw.c_str(), &analog, ZorvalenBaseType::ANALOG) == ZVRAW_OK)
    (void)getChannelCount(analog, &w.channels);
  for (CZorvalenBaseReader r : {info, scans, analog}) (void)destroyRawReader(r);
  return w;
}

// A FIFO at a name a writer makes: every write either replaces it with a
// regular file, writes a regular file in another spelling the readers find,
// or is refused with its open failure, making neither file of the pair.
TEST_F(SpecialFiles, WritersNeverWaitOnThem) {
  const fs::path raw = dir() / "run.raw";
  const Written whole{ZVRAW_OK, 2, 1, 1, "2.5"};
  const Written refused{ZVRAW_FILEWRITE_ERROR, -1, -1, -1, ""};  // no function: nothing opens
  enum class Fate { Replaced, Beside, Refused };
  const struct {
    const char* name;
    Fate fate;
  } cases[] = {{"_header.txt", Fate::Replaced},  {"_functns.inf", Fate::Replaced}, {"_extern.inf", Fate::Replaced},
               {"_CHROMS.INF", Fate::Replaced},  {"_CHRO001.DAT", Fate::Replaced}, {"_func001.dat", Fate::Beside},
               {"_func001.idx", Fate::Beside},   {"_func001.sts", Fate::Beside},   {"_func001.cdt", Fate::Refused},
               {"_func001.ind", Fate::Refused}};
  ASSERT_EQ(writeDirectory(raw), whole);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(raw);
    fs::create_directories(raw);
    ASSERT_EQ(::mkfifo((raw / c.name).c_str(), 0600), 0);
    EXPECT_EQ(withinFifo(raw / c.name, [&] { return writeDirectory(raw); }), c.fate == Fate::Refused ? refused : whole);
    EXPECT_EQ(fs::is_fifo(raw / c.name), c.fate != Fate::Replaced);
    std::string upper = c.name;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(upper != c.name && fs::is_regular_file(raw / upper), c.fate == Fate::Beside);
    if (c.fate == Fate::Refused) {
      EXPECT_FALSE(fs::exists(raw / "_func001.cdt") && fs::exists(raw / "_func001.ind"));
    }
  }
}

}  // namespace
