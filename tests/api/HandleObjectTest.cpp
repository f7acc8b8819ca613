#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "api/HandleObject.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

// Handle objects of two families; the writer counts its destruction.
class ParametersLike : public HandleObject {
 public:
  ParametersLike() : HandleObject(HandleKind::Parameters) {}
  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::Parameters; }
};

class WriterLike : public HandleObject {
 public:
  explicit WriterLike(int& destroyed) : HandleObject(HandleKind::Writer), destroyed_(destroyed) {}
  ~WriterLike() override { ++destroyed_; }
  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::Writer; }

 private:
  int& destroyed_;
};

TEST(HandleCast, RefusesNullAndOtherKinds) {
  int destroyed = 0;
  WriterLike writer(destroyed);
  ParametersLike parameters;
  void* w = toHandle(&writer);
  void* p = toHandle(&parameters);
  EXPECT_EQ(handleCast<WriterLike>(w), &writer);
  EXPECT_EQ(handleCast<ParametersLike>(p), &parameters);
  EXPECT_EQ(handleCast<ParametersLike>(w), nullptr);
  EXPECT_EQ(handleCast<WriterLike>(p), nullptr);
  EXPECT_EQ(handleCast<WriterLike>(nullptr), nullptr);
}

TEST(Guarded, TurnsExceptionsIntoCodes) {
  EXPECT_EQ(guarded([] { return 17; }), 17);
  EXPECT_EQ(guarded([]() -> int { throw std::bad_alloc(); }), ZVRAW_MEMALLOC_ERROR);
  EXPECT_EQ(guarded([]() -> int { throw std::bad_array_new_length(); }), ZVRAW_MEMALLOC_ERROR);
  EXPECT_EQ(guarded([]() -> int { throw std::runtime_error("x"); }), ZVRAW_ERROR);
  EXPECT_EQ(guarded([]() -> int { throw std::overflow_error("Conversion overflow"); }), ZVRAW_ERROR);
  EXPECT_EQ(guarded([]() -> int { throw 42; }), ZVRAW_ERROR);
}

TEST(CallHandle, ChecksKindThenOutputsThenGuards) {
  int destroyed = 0;
  WriterLike writer(destroyed);
  ParametersLike parameters;
  int calls = 0;
  auto body = [&](WriterLike&) {
    ++calls;
    return 7;
  };
  EXPECT_EQ(callHandle<WriterLike>(nullptr, 59, true, body), 59);
  EXPECT_EQ(callHandle<WriterLike>(toHandle(&parameters), 59, false, body), 59);  // the kind is checked first
  EXPECT_EQ(callHandle<WriterLike>(toHandle(&writer), 59, false, body), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(callHandle<WriterLike>(toHandle(&writer), 59, true, body), 7);
  EXPECT_EQ(calls, 1);
  auto throwing = [](WriterLike&) -> int { throw std::bad_alloc(); };
  EXPECT_EQ(callHandle<WriterLike>(toHandle(&writer), 59, true, throwing), ZVRAW_MEMALLOC_ERROR);

  const int i = 0;
  const char* text = "x";
  EXPECT_TRUE(allGiven(&i, text));
  EXPECT_FALSE(allGiven(&i, static_cast<const char*>(nullptr)));
  EXPECT_TRUE(allGiven());
}

TEST(DestroyHandle, NullWrongKindAndOwnKind) {
  EXPECT_EQ(destroyHandle<WriterLike>(nullptr, ZVRAW_ERROR), ZVRAW_OK);

  auto* parameters = new ParametersLike();
  EXPECT_EQ(destroyHandle<WriterLike>(toHandle(parameters), ZVRAW_ERROR), ZVRAW_ERROR);
  EXPECT_EQ(destroyHandle<ParametersLike>(toHandle(parameters), ZVRAW_ERROR), ZVRAW_OK);  // ASan: freed once

  int destroyed = 0;
  auto* writer = new WriterLike(destroyed);
  EXPECT_EQ(destroyHandle<ParametersLike>(toHandle(writer), ZVRAW_NULL_PARAMETERS), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(destroyHandle<WriterLike>(toHandle(writer), ZVRAW_ERROR), ZVRAW_OK);
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
