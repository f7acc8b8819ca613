// Every export of the C interface called with what a careless caller
// passes: null handles, handles of another family or reader kind, null
// output pointers. Each gives a result code, touches nothing it was not
// given, and leaves no created handle behind.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "api/ReaderTestSupport.h"

namespace {

// One export on a handle: call it with every output given, or with its
// output pointers null.
struct HandleExport {
  const char* name;
  // The reader kind the export serves; 0 for any reader.
  int kind;
  std::function<int(void* handle)> call;
  // Null for exports without outputs.
  std::function<int(void* handle)> callWithoutOutputs;
};

// Scratch outputs the calls write into.
struct Outputs {
  void* handle = nullptr;
};

std::vector<HandleExport> readerExports(Outputs& o) {
  return {
      {"updateRawReader", 0, [](void* h) { return updateRawReader(h); }, nullptr},
      {"createRawReaderFromReader", 0,
       [&o](void* h) {
         const int rc = createRawReaderFromReader(h, &o.handle, ZorvalenBaseType::INFO);
         EXPECT_EQ(destroyRawReader(o.handle), ZVRAW_OK);
         return rc;
       },
       [](void* h) { return createRawReaderFromReader(h, nullptr, ZorvalenBaseType::INFO); }},
  };
}

class BadInput : public ReaderTest {};

TEST_F(BadInput, ReaderExports) {
  RawDirectoryFixture fx = twoFunctions();
  for (unsigned f = 0; f < 2; ++f) fx.function(f).stats = {{kLockMassCorrectionField, kFloatField, nullptr}};
  write(fx);
  CZorvalenBaseReader byKind[5] = {};
  byKind[1] = open(ZorvalenBaseType::SCAN);
  for (int kind = 2; kind <= 4; ++kind) byKind[kind] = share(byKind[1], static_cast<ZorvalenBaseType>(kind));
  CZorvalenParameters parameters = nullptr;
  ASSERT_EQ(createParameters(&parameters), ZVRAW_OK);

  Outputs o;
  for (const HandleExport& e : readerExports(o)) {
    SCOPED_TRACE(e.name);
    o.handle = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(e.call(nullptr), ZVRAW_READER_NOT_DEFINED);
    EXPECT_EQ(e.call(parameters), ZVRAW_READER_NOT_DEFINED);
    for (int kind = 1; kind <= 4; ++kind) {
      if (e.kind != 0 && e.kind != kind) {
        EXPECT_EQ(e.call(byKind[kind]), ZVRAW_READER_NOT_DEFINED) << kind;
      }
    }
    const CZorvalenBaseReader right = byKind[e.kind == 0 ? 1 : e.kind];
    if (e.callWithoutOutputs) {
      EXPECT_EQ(e.callWithoutOutputs(right), ZVRAW_NULL_PARAMETERS);
    }
    EXPECT_EQ(e.call(right), ZVRAW_OK);
  }
  EXPECT_EQ(destroyRawReader(parameters), ZVRAW_READER_NOT_DEFINED);
  EXPECT_EQ(destroyParameters(byKind[1]), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(destroyParameters(parameters), ZVRAW_OK);
  EXPECT_EQ(shares(byKind[1]), 4);  // nothing made by the refused calls is left
}

TEST_F(BadInput, CreateFromPath) {
  write(twoFunctions());
  const std::string path = rawPath();
  const std::string tooLong(4096, 'a');
  struct Case {
    const char* path;
    bool out;
    int kind;
    int expected;
  } cases[] = {
      {nullptr, true, 1, ZVRAW_NULL_PARAMETERS},      {path.c_str(), false, 1, ZVRAW_NULL_PARAMETERS},
      {nullptr, false, 0, ZVRAW_NULL_PARAMETERS},     {tooLong.c_str(), true, 2, ZVRAW_FILENAME_ERROR},
      {tooLong.c_str(), true, 9, ZVRAW_READER_NOT_DEFINED}, {path.c_str(), true, 0, ZVRAW_READER_NOT_DEFINED},
      {path.c_str(), true, 5, ZVRAW_READER_NOT_DEFINED}, {path.c_str(), true, 6, ZVRAW_READER_NOT_DEFINED},
      {path.c_str(), true, -1, ZVRAW_READER_NOT_DEFINED},
  };
  for (const Case& c : cases) {
    CZorvalenBaseReader r = reinterpret_cast<CZorvalenBaseReader>(0x1);
    EXPECT_EQ(createRawReaderFromPath(c.path, c.out ? &r : nullptr, static_cast<ZorvalenBaseType>(c.kind)),
              c.expected)
        << (c.path ? std::string(c.path).size() : 0) << " " << c.out << " " << c.kind;
    if (c.out) {
      EXPECT_EQ(r, nullptr);
    }
  }
}

TEST_F(BadInput, MemoryAndErrorTexts) {
  EXPECT_EQ(releaseMemory(nullptr), ZVRAW_OK);
  EXPECT_EQ(getErrorMessage(ZVRAW_OK, nullptr), ZVRAW_NULL_PARAMETERS);
}

}  // namespace
