// The processor lifecycle of the C interface: kinds, readers, messages and
// the progress rule of the processor base.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/ProcessorTestSupport.h"
#include "api/ZorvalenRawInfoImp.h"
#include "api/ZorvalenRawProcessorImp.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

// A processor of another kind, which reports progress as the kinds that
// build lists do.
class ReportingProcessor : public ZorvalenRawProcessorImp {
 public:
  ReportingProcessor(ProgressFunction callback, void* caller)
      : ZorvalenRawProcessorImp(ZorvalenBaseType::LOCKMASS, callback, caller) {}
  std::unique_ptr<ZorvalenRawReaderImp> CreateRawReader(ZorvalenRawReaderImp& source) override {
    return std::make_unique<ZorvalenRawInfoImp>(static_cast<const ZorvalenRawDataFile&>(source));
  }
};

// The callback in the library's form, and in the form C++ callers give it.
void record(void* caller, const int* percent) { static_cast<std::vector<int>*>(caller)->push_back(*percent); }
void recordRef(void* caller, const int& percent) { record(caller, &percent); }

std::string message(CZorvalenBaseProcessor p, int code) {
  char* text = nullptr;
  EXPECT_EQ(getProcessorMessage(p, code, &text), ZVRAW_OK);
  return text != nullptr ? text : "(null)";
}

class ProcessorBase : public ProcessorTest {};

TEST_F(ProcessorBase, EdgeCases) {
  write(gainRun(false));
  CZorvalenBaseReader reader = open(ZorvalenBaseType::SCAN);
  std::vector<int> reported;
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"kinds without a processor: 59, null handle",
       [&] {
         for (int kind : {2, 3, 4, 6, 9, 0}) {
           CZorvalenBaseProcessor p = reinterpret_cast<CZorvalenBaseProcessor>(0x1);
           EXPECT_EQ(createRawProcessor(&p, static_cast<ZorvalenBaseType>(kind), recordRef, &reported),
                     ZVRAW_READER_NOT_DEFINED);
           EXPECT_EQ(p, nullptr) << kind;
         }
       }},
      {"the spectrum processor never reports",
       [&] {
         CZorvalenBaseProcessor p = nullptr;
         ASSERT_EQ(createRawProcessor(&p, ZorvalenBaseType::SCAN, recordRef, &reported), ZVRAW_OK);
         EXPECT_EQ(setRawReader(p, reader), ZVRAW_OK);
         EXPECT_EQ(combineScan(p, 0, 0, 1), ZVRAW_OK);
         EXPECT_EQ(centroidScan(p), ZVRAW_OK);
         EXPECT_EQ(smoothScan(p), ZVRAW_OK);
         EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
         EXPECT_TRUE(reported.empty());
       }},
      {"messages",
       [&] {
         CZorvalenBaseProcessor p = spectrumProcessor();
         EXPECT_EQ(message(p, 17), "Invalid Scan Range");
         char* first = nullptr;
         EXPECT_EQ(getProcessorMessage(p, 71, &first), ZVRAW_OK);
         EXPECT_STREQ(first, "Unknown Code");
         EXPECT_EQ(message(p, 200), "Unknown Code");
         EXPECT_EQ(message(p, 0), "");
         EXPECT_STREQ(first, "");  // the one buffer now holds the second text
         char* text = nullptr;
         EXPECT_EQ(getProcessorMessage(nullptr, 17, &text), ZVRAW_OK);
         EXPECT_STREQ(text, "Zorvalen processor type not valid");
         EXPECT_EQ(releaseMemory(text), ZVRAW_OK);
         ReportingProcessor direct(nullptr, nullptr);
         direct.setCode(17, "scan 9");
         EXPECT_EQ(direct.getCodeInfo(16), "Invalid Scan Number");
         EXPECT_EQ(direct.getCodeInfo(17), "Invalid Scan Range - scan 9");
         EXPECT_EQ(direct.getCodeInfo(17), "Invalid Scan Range");  // a detail goes once
       }},
      {"progress only grows, and needs both callback and caller",
       [&] {
         ReportingProcessor p(record, &reported);
         for (int percent : {0, 10, 10, 5, 40}) p.setProgress(percent);
         p.setProgress(1, 0);
         p.setProgress(41, 100);
         p.setProgress(INT_MAX, 2);
         EXPECT_EQ(reported, (std::vector<int>{10, 40, 41, INT_MAX}));
         reported.clear();
         ReportingProcessor silent(record, nullptr);
         silent.setProgress(50);
         EXPECT_TRUE(reported.empty());
       }},
      {"a second reader replaces the first; the caller's may go",
       [&] {
         CZorvalenBaseReader own = share(reader, ZorvalenBaseType::INFO);
         CZorvalenBaseProcessor p = spectrumProcessor(own);
         const int before = shares(reader);
         EXPECT_EQ(setRawReader(p, own), ZVRAW_OK);
         EXPECT_EQ(shares(reader), before);
         close(own);
         EXPECT_EQ(combineScan(p, 0, 0, 1), ZVRAW_OK);
         EXPECT_EQ(spectrumOf(p).masses.size(), 8u);
       }},
      {"a directory whose update failed: its code, and no reader",
       [&] {
         CZorvalenBaseProcessor p = spectrumProcessor(reader);
         const std::filesystem::path sts = raw() / RawDirectoryFixture::statsName(1);
         std::filesystem::resize_file(sts, std::filesystem::file_size(sts) - 1);
         const int failed = updateRawReader(reader);
         ASSERT_NE(failed, ZVRAW_OK);
         EXPECT_EQ(setRawReader(p, reader), failed);
         EXPECT_EQ(combineScan(p, 0, 0, 1), ZVRAW_ERROR);
       }},
  };
  for (const auto& [what, check] : cases) {
    SCOPED_TRACE(what);
    check();
  }
}

}  // namespace
