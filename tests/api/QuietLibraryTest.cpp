// The library never writes to its caller's standard output or error: the
// diagnostic lines of processing, chromatograms, the statistics update and
// the gain table go to the trace output alone, with their texts unchanged,
// and nowhere until a caller sets the info sink.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "processing/PeakDetect.h"
#include "support/RawDirectoryFixture.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using borealtek_zvraw_version_1::ZVRawAccessInterface;
using borealtek_zvraw_version_1::ZVRawDataCluster;

namespace {

// Descriptors 1 and 2 of the process go to one temporary file while this lives.
class StandardStreams {
 public:
  StandardStreams() : file_(std::tmpfile()) {
    (void)std::fflush(nullptr);
    for (int fd : {1, 2}) {
      saved_.push_back(::dup(fd));
      (void)::dup2(::fileno(file_), fd);
    }
  }
  ~StandardStreams() {
    restore();
    (void)std::fclose(file_);
  }
  StandardStreams(const StandardStreams&) = delete;
  StandardStreams& operator=(const StandardStreams&) = delete;

  // What reached either stream; the streams are the process's own again.
  std::string text() {
    restore();
    std::string out;
    std::rewind(file_);
    for (int c = std::getc(file_); c != EOF; c = std::getc(file_)) out += static_cast<char>(c);
    return out;
  }

 private:
  void restore() {
    (void)std::fflush(nullptr);
    for (int fd = 1; fd <= static_cast<int>(saved_.size()); ++fd) {
      (void)::dup2(saved_[fd - 1], fd);
      (void)::close(saved_[fd - 1]);
    }
    saved_.clear();
  }

  std::FILE* file_;
  std::vector<int> saved_;
};

class QuietLibrary : public TempDirTest {
 protected:
  // Two functions of three scans, the second with statistics, and the
  // statistics file of a run two scans long in the same shape.
  fs::path freshRun(const std::string& name) const {
    const fs::path raw = dir() / name;
    for (unsigned scans : {2u, 3u}) {
      RawDirectoryFixture fx;
      fx.function({.format = 12, .scans = 3, .peaks = 4}).function({.format = 12, .scans = scans, .peaks = 4});
      fx.function(1).stats = {{kTempCorrectionField, kFloatField, [](unsigned s) { return 1.0 + s; }}};
      fs::create_directories(raw / std::to_string(scans));
      fx.write(raw / std::to_string(scans));
    }
    return raw / "3";
  }
};

TEST_F(QuietLibrary, MessagesGoToTheTraceOutputOnly) {
  const fs::path run = freshRun("run.raw");
  const std::string accurate = "Doing Accurate Mass\n";
  const struct {
    const char* what;
    std::function<void()> act;
    std::string trace;
  } steps[] = {
      {"smoothing with the median",
       [] {
         CZorvalenBaseProcessor p = nullptr;
         CZorvalenParameters set = nullptr;
         ASSERT_EQ(createRawProcessor(&p, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
         ASSERT_EQ(createParameters(&set), ZVRAW_OK);
         const float m[] = {100, 101, 102, 103, 104, 105, 106, 107}, y[] = {1, 9, 2, 8, 3, 7, 4, 6};
         EXPECT_EQ(setScan(p, m, y, 8, 8), ZVRAW_OK);
         EXPECT_EQ(setParameterValue(set, static_cast<int>(SmoothParameter::SMOOTHTYPE), "1501"), ZVRAW_OK);
         EXPECT_EQ(setSmoothParameter(p, set), ZVRAW_OK);
         (void)smoothScan(p);
         EXPECT_EQ(destroyParameters(set), ZVRAW_OK);
         EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
       },
       "Smoothing Method not currently implemented\n"},
      {"peak detection of no points",
       [] {
         float v = 0;
         long count = 0;
         EXPECT_EQ(PeakDetect(&v, &v, 0, &v, &v, &count, 4, 80, 2, true, true, false, nullptr), -1);
       },
       "No Peaks to detect\n"},
      {"accurate-mass centring",
       [] {
         const float x[] = {100, 101, 102, 103, 104, 105, 106}, y[] = {0, 2, 6, 10, 6, 2, 0};
         float xo[7], yo[7];
         long count = 0;
         EXPECT_EQ(PeakDetect(x, y, 7, xo, yo, &count, 1, 80, 2, true, false, true, nullptr), 0);
       },
       accurate + accurate + accurate + accurate + accurate},
      {"a mass chromatogram read from the file",
       [&] {
         ZVRawDataCluster cluster(run.c_str(), true, 0, false);
         std::vector<float> v(3), t(3);
         EXPECT_EQ(ZVRawAccessInterface(cluster).getMassChromatogram(0, 100, 0, 2, v.data(), t.data(), 1, false),
                   ZVRAW_OK);
       },
       "Percent = 0\n"},
      {"a live update over statistics that run short",
       [&] {
         const fs::path live = freshRun("live.raw");
         CZorvalenBaseReader r = nullptr;
         ASSERT_EQ(createRawReaderFromPath(live.c_str(), &r, ZorvalenBaseType::SCAN), ZVRAW_OK);
         fs::copy_file(live / "../2/_func002.sts", live / "_func002.sts", fs::copy_options::overwrite_existing);
         (void)updateRawReader(r);
         EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
       },
       "Func 1 - Updating scan count from 3 to 2\n"},
      {"a gain table that cannot be written",
       [&] {
         EXPECT_EQ(borealtek_zvraw_version_1::ZVRawExternalLumavent().saveFile((dir() / "none").string()),
                   ZVRAW_FILEOPEN_ERROR);
       },
       "ZorvalenRawScanReader: Unable to open lockmass gain file.\n"},
  };
  // No sink set by this process yet: the lines go nowhere.
  for (const auto& step : steps) {
    StandardStreams streams;
    step.act();
    EXPECT_EQ(streams.text(), "") << step.what;
  }
  // A caller's sink gets them, and still nothing reaches the streams.
  for (const auto& step : steps) {
    StandardStreams streams;
    const TraceCapture trace;
    step.act();
    EXPECT_EQ(streams.text(), "") << step.what;
    EXPECT_EQ(trace.text(), step.trace) << step.what;
  }
}

}  // namespace
