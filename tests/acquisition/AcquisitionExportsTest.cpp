#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "AcquisitionRig.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;
namespace fs = std::filesystem;

namespace {

using Pairs = std::map<int, std::string>;
using S = PendrakeStatus;

CZorvalenParameters newSet() {
  CZorvalenParameters set = nullptr;
  EXPECT_EQ(createParameters(&set), ZVRAW_OK);
  return set;
}

// An acquisition handle and two parameter sets, released when the test ends.
class AcquisitionExportsTest : public AcquisitionRig {
 protected:
  void TearDown() override {
    EXPECT_EQ(destroyAcquisition(acq), ZVRAW_OK);
    EXPECT_EQ(destroyParameters(status) + destroyParameters(queue), ZVRAW_OK);
    AcquisitionRig::TearDown();
  }
  void create() {
    ASSERT_EQ(destroyAcquisition(acq), ZVRAW_OK);
    acq = nullptr;
    ASSERT_EQ(createAcquisition(&acq), ZVRAW_OK);
    ASSERT_NE(acq, nullptr);
  }
  static Pairs pairs(CZorvalenParameters set) { return pairsOf(*handleCast<ProcessParametersImp>(set)); }
  CZorvalenAcquisition acq = nullptr;
  CZorvalenParameters status = newSet(), queue = newSet();
};

TEST_F(AcquisitionExportsTest, LocatingTheStatusFile) {
  const std::string options = "[" + std::string(kOptionsKeyPath) + "]\n";
  const struct {
    const char* what;
    std::string settings, mainSettings;
    const char* path;  // as found; empty when not found
  } cases[] = {
      {"drive D", options + "WorkingDirs=D:\\ws\n", kMainSettings, "D:\\ws\\status.ini"},
      {"trailing separator", options + "WorkingDirs=D:\\ws\\\n", kMainSettings, "D:\\ws\\status.ini"},
      {"linux folder", options + "WorkingDirs=" + path("d/ws") + "\n",
       "[GlobalEntry]\nStatusFileName=D:\\ws\\status.ini\n", "D:\\ws\\status.ini"},
      {"no settings file", "", kMainSettings, ""},
      {"no WorkingDirs", options + "Other=D:\\ws\n", kMainSettings, ""},
      {"unmapped drive", options + "WorkingDirs=E:\\ws\n", kMainSettings, ""},
      {"no Zorvalen.ini", options + "WorkingDirs=D:\\none\n", kMainSettings, ""},
      {"no key", options + "WorkingDirs=D:\\ws\n", "[GlobalEntry]\nStatusFile=x\n", ""},
      {"long section", options + "WorkingDirs=D:\\ws\n",
       "[GlobalEntry" + std::string(100, 'g') + "]\nStatusFileName=x\n", ""},
  };
  writeTextFile(dir() / "d" / "ws" / "status.ini", "[MS Status]\nOperate=1\n[Queue Status]\n1=day1.olb\n");
  for (const auto& c : cases) {
    writeTextFile(dir() / "settings" / "settings.ini", c.settings);
    writeTextFile(dir() / "d" / "ws" / "Zorvalen.ini", c.mainSettings);
    create();
    handleCast<ProcessParametersImp>(status)->Clear();
    ASSERT_EQ(setParameterValue(status, 5, "kept"), ZVRAW_OK);
    ASSERT_EQ(getStatusIniFile(acq, status), ZVRAW_OK);
    EXPECT_EQ(pairs(status), (Pairs{{0, c.path}, {5, "kept"}})) << c.what;
    if (!*c.path) {
      EXPECT_EQ(getStatus(acq, status, queue), ZVRAW_INIFILE_OPEN_ERROR) << c.what;
      EXPECT_TRUE(pairs(status).empty()) << c.what;
      ASSERT_EQ(setStatusIniFile(acq, "D:\\ws\\status.ini"), ZVRAW_OK);
    }
    ASSERT_EQ(getStatus(acq, status, queue), ZVRAW_OK) << c.what;
    EXPECT_EQ(pairs(status), (Pairs{{1750, "1"}})) << c.what;
    EXPECT_EQ(pairs(queue), (Pairs{{0, "day1.olb"}})) << c.what;
  }
}

TEST_F(AcquisitionExportsTest, InjectionRecord) {
  create();
  writeTextFile(dir() / "c" / "cur.txt", "[Batch]\nCurrent Sample=4\n");
  ASSERT_EQ(setZorvalenInjectionFile(acq, "C:\\cur.txt"), ZVRAW_OK);
  ASSERT_EQ(getZorvalenInjectionFile(acq, status), ZVRAW_OK);
  EXPECT_EQ(pairs(status)[0], "C:\\cur.txt");
  ASSERT_EQ(getZorvalenInjection(acq, status), ZVRAW_OK);
  EXPECT_EQ(pairs(status), (Pairs{{903, "4"}}));
}

TEST_F(AcquisitionExportsTest, QueueMonitor) {
  workstation("QueueDir=C:\\q\n");
  create();
  S state = S::UNINITIALISED;
  EXPECT_EQ(getPendrakeStatus(acq, &state), ZVRAW_OK);
  EXPECT_EQ(state, S::PENDRAKENOTRUNNING);
  runQueueProgram(path("prog"));
  writeTextFile(dir() / "c" / "sampling.sem", "");
  const struct {
    bool abort;
    S state;
  } steps[] = {{true, S::ABORTING}, {true, S::ABORTING}, {false, S::ACQUIRING}, {false, S::ACQUIRING}};
  for (const auto& step : steps) {
    EXPECT_EQ(abortPendrake(acq, step.abort), ZVRAW_OK);
    EXPECT_EQ(fs::exists(dir() / "c" / "abort.sem"), step.abort);
    EXPECT_EQ(getPendrakeStatus(acq, &state), ZVRAW_OK);
    EXPECT_EQ(state, step.state) << step.abort;
  }
  // The queue folder comes from the re-read that getPendrakeStatus made.
  fs::create_directories(dir() / "c" / "q");
  writeTextFile(dir() / "c" / "q" / "day1.olb", "");
  EXPECT_EQ(getSampleListStatus(acq, "/lists/day1.olb", &state), ZVRAW_OK);
  EXPECT_EQ(state, S::SAMPLELISTQUEUED);
  EXPECT_EQ(getPendrakeSettings(acq, status), ZVRAW_OK);
  EXPECT_EQ(pairs(status)[1350], "C:\\q");
  EXPECT_EQ(pairs(status)[1354], "c:\\abort.sem");
  ::unsetenv("ZORVALEN_DRIVE_C");
  EXPECT_EQ(abortPendrake(acq, true), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(abortPendrake(acq, false), ZVRAW_OK);
}

// Texts the interface stores are kept whole at every length around the
// 255-byte path limit and the 509 bytes of a header item.
TEST_F(AcquisitionExportsTest, LongTextsAreKeptWhole) {
  create();
  CZorvalenBaseProcessor lockMass = nullptr;
  ASSERT_EQ(createRawProcessor(&lockMass, ZorvalenBaseType::LOCKMASS, nullptr, nullptr), ZVRAW_OK);
  CZorvalenSampleList list = nullptr;
  ASSERT_EQ(createSampleList(&list), ZVRAW_OK);
  CZorvalenParameters row = newSet();
  const auto text = [](CZorvalenParameters set, int key) {
    char* t = nullptr;
    return getParameterValue(set, key, &t) == ZVRAW_OK ? std::string(t) : "?";
  };
  const auto ok = [](int rc) { EXPECT_EQ(rc, ZVRAW_OK); };
  using Store = std::function<std::string(const std::string&)>;  // the text as stored and given back
  const std::pair<const char*, Store> stores[] = {
      {"parameter set",
       [&](const std::string& v) { return ok(setParameterValue(status, 1, v.c_str())), text(status, 1); }},
      {"lock-mass settings",
       [&](const std::string& v) {
         ok(setParameterValue(queue, 1000, v.c_str()) + setLockMassParameters(lockMass, queue));
         return ok(getLockMassParameters(lockMass, status)), text(status, 1000);
       }},
      {"status path",
       [&](const std::string& v) {
         return ok(setStatusIniFile(acq, v.c_str()) + getStatusIniFile(acq, status)), text(status, 0);
       }},
      {"injection path",
       [&](const std::string& v) {
         return ok(setZorvalenInjectionFile(acq, v.c_str()) + getZorvalenInjectionFile(acq, status)), text(status, 0);
       }},
      {"sample-list row",
       [&](const std::string& v) {
         char* all = nullptr;
         ok(setParameterValue(row, 700, v.c_str()) + addSampleListRow(list, row) + sampleListToString(list, &all));
         const std::string lines(all != nullptr ? all : "\t?\n");  // the last row's last cell
         const std::size_t tab = lines.rfind('\t');
         return lines.substr(tab + 1, lines.size() - tab - 2);
       }},
  };
  for (const std::size_t n : {254, 255, 256, 509, 510, 511}) {
    const std::string v(n, 'v');
    for (const auto& [what, store] : stores) EXPECT_EQ(store(v), v) << what << " " << n;
  }
  EXPECT_EQ(destroyRawProcessor(lockMass) + destroySampleList(list) + destroyParameters(row), ZVRAW_OK);
}

TEST_F(AcquisitionExportsTest, BadArguments) {
  create();
  CZorvalenSampleList list = nullptr;
  ASSERT_EQ(createSampleList(&list), ZVRAW_OK);
  ASSERT_EQ(setStatusIniFile(acq, "status kept"), ZVRAW_OK);
  ASSERT_EQ(setZorvalenInjectionFile(acq, "record kept"), ZVRAW_OK);
  S state = S::UNINITIALISED;
  char* text = nullptr;
  // Every export on a null handle and on handles of two other kinds.
  const struct {
    const char* what;
    std::function<int(void*)> call;
    void* otherKind;
  } onHandle[] = {
      {"setStatusIniFile", [&](void* h) { return setStatusIniFile(h, "x"); }, list},
      {"getStatusIniFile", [&](void* h) { return getStatusIniFile(h, status); }, list},
      {"getStatus", [&](void* h) { return getStatus(h, status, queue); }, list},
      {"setZorvalenInjectionFile", [&](void* h) { return setZorvalenInjectionFile(h, "x"); }, list},
      {"getZorvalenInjectionFile", [&](void* h) { return getZorvalenInjectionFile(h, status); }, list},
      {"getZorvalenInjection", [&](void* h) { return getZorvalenInjection(h, status); }, list},
      {"getSampleListStatus", [&](void* h) { return getSampleListStatus(h, "a.olb", &state); }, list},
      {"getPendrakeSettings", [&](void* h) { return getPendrakeSettings(h, status); }, list},
      {"getPendrakeStatus", [&](void* h) { return getPendrakeStatus(h, &state); }, list},
      {"abortPendrake", [&](void* h) { return abortPendrake(h, true); }, list},
      {"addSampleListRow", [&](void* h) { return addSampleListRow(h, status); }, acq},
      {"sampleListToString", [&](void* h) { return sampleListToString(h, &text); }, acq},
  };
  for (const auto& c : onHandle)
    for (void* handle : {static_cast<void*>(nullptr), status, c.otherKind})
      EXPECT_EQ(c.call(handle), ZVRAW_NULL_PARAMETERS) << c.what;
  // Null sets, paths and outputs on a good handle; a wrong-kind set is a null set.
  const struct {
    const char* what;
    std::function<int()> call;
    int rc;
  } nulls[] = {
      {"createAcquisition", [] { return createAcquisition(nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"createSampleList", [] { return createSampleList(nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"setStatusIniFile", [&] { return setStatusIniFile(acq, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"getStatusIniFile", [&] { return getStatusIniFile(acq, list); }, ZVRAW_NULL_PARAMETERS},
      {"getStatus status", [&] { return getStatus(acq, nullptr, queue); }, ZVRAW_NULL_PARAMETERS},
      {"getStatus queue", [&] { return getStatus(acq, status, acq); }, ZVRAW_NULL_PARAMETERS},
      {"setZorvalenInjectionFile", [&] { return setZorvalenInjectionFile(acq, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"getZorvalenInjectionFile", [&] { return getZorvalenInjectionFile(acq, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"getZorvalenInjection", [&] { return getZorvalenInjection(acq, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"getSampleListStatus path", [&] { return getSampleListStatus(acq, nullptr, &state); }, ZVRAW_NULL_PARAMETERS},
      {"getSampleListStatus out", [&] { return getSampleListStatus(acq, "a.olb", nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"getPendrakeSettings", [&] { return getPendrakeSettings(acq, nullptr); }, ZVRAW_ERROR},
      {"getPendrakeStatus", [&] { return getPendrakeStatus(acq, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"addSampleListRow", [&] { return addSampleListRow(list, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"sampleListToString", [&] { return sampleListToString(list, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"destroyAcquisition other kind", [&] { return destroyAcquisition(list); }, ZVRAW_NULL_PARAMETERS},
      {"destroySampleList other kind", [&] { return destroySampleList(acq); }, ZVRAW_NULL_PARAMETERS},
      {"destroyAcquisition null", [] { return destroyAcquisition(nullptr); }, ZVRAW_OK},
      {"destroySampleList null", [] { return destroySampleList(nullptr); }, ZVRAW_OK},
  };
  for (const auto& c : nulls) EXPECT_EQ(c.call(), c.rc) << c.what;
  // Nothing changed: both paths, the outputs and the sets.
  EXPECT_EQ(state, S::UNINITIALISED);
  EXPECT_EQ(text, nullptr);
  EXPECT_TRUE(pairs(status).empty());
  ASSERT_EQ(getStatusIniFile(acq, status), ZVRAW_OK);
  ASSERT_EQ(getZorvalenInjectionFile(acq, queue), ZVRAW_OK);
  EXPECT_EQ(pairs(status)[0] + "/" + pairs(queue)[0], "status kept/record kept");
  ASSERT_EQ(sampleListToString(list, &text), ZVRAW_OK);
  EXPECT_STREQ(text, "INDEX\n1");
  EXPECT_EQ(destroySampleList(list), ZVRAW_OK);
}

}  // namespace
