// The counted reference, the caller array and the allocation guard: who
// holds what, when it goes, and what running out of memory gives.

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "formats/portability/AllocationGuard.h"
#include "formats/portability/CallerMemory.h"
#include "formats/portability/CountedRef.h"

// GCC follows an inlined count to a possible delete and cannot see that the
// count keeps the object alive.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif

namespace {

using Vardex::Lib::ZorvalenRaw::CallerArray;

struct Counted {
  explicit Counted(int* destroyed) : gone(destroyed) {}
  ~Counted() { ++*gone; }
  int addRef() { return ++count; }
  int remRef() { return --count; }
  int count = 0;
  int* gone;
};

TEST(CountedRef, CountsCopiesMovesAndAssignmentsAndDeletesWithTheLast) {
  int gone = 0;
  {
    auto a = zvraw::CountedRef<Counted>::make(&gone);
    EXPECT_EQ(a->count, 1);
    {
      zvraw::CountedRef<Counted> b = a;
      EXPECT_EQ(a->count, 2);
      const zvraw::CountedRef<Counted> c = std::move(b);
      EXPECT_FALSE(b);
      EXPECT_EQ(a->count, 2);
    }
    EXPECT_EQ(a->count, 1);
    auto other = zvraw::CountedRef<Counted>::make(&gone);
    zvraw::CountedRef<Counted> c = a;
    c = other;  // c lets a go and takes other
    EXPECT_EQ(a->count, 1);
    EXPECT_EQ(other->count, 2);
    EXPECT_EQ(gone, 0);
  }
  EXPECT_EQ(gone, 2);
}

TEST(CallerArray, AllocatesGrowsRefusesAndHandsOver) {
  CallerArray<float> a;
  EXPECT_EQ(a.grow(0), ZVRAW_OK);  // no room asked: nothing allocated
  EXPECT_EQ(a.data(), nullptr);
  ASSERT_EQ(a.allocate(4), ZVRAW_OK);
  float* first = a.data();
  EXPECT_EQ(a.grow(3), ZVRAW_OK);  // fits: the same block
  EXPECT_EQ(a.data(), first);
  ASSERT_EQ(a.grow(1000), ZVRAW_OK);
  EXPECT_EQ(a.capacity(), 1000u);
  EXPECT_FALSE(CallerArray<float>::fits(std::size_t{INT_MAX} + 1));
  EXPECT_EQ(a.allocate(std::size_t{INT_MAX} + 1), ZVRAW_MEMALLOC_ERROR);
  EXPECT_EQ(a.capacity(), 1000u);  // a refused count keeps what was held
  float* handed = a.release();
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_EQ(a.capacity(), 0u);
  std::free(handed);  // the receiver releases it as releaseMemory would
  ASSERT_EQ(a.allocate(0), ZVRAW_OK);  // zero elements: what malloc gives, released with the array
}

// Only std::bad_alloc becomes the no-memory result (its subclass included);
// codes pass unchanged and other exceptions pass on to whoever maps them.
TEST(GuardAllocation, NoMemoryIsAResultAndNothingElseIsCaught) {
  EXPECT_EQ(zvraw::guardAllocation([] { return ZVRAW_FILEREAD_ERROR; }), ZVRAW_FILEREAD_ERROR);
  EXPECT_EQ(zvraw::guardAllocation([]() -> int { throw std::bad_alloc(); }), ZVRAW_MEMALLOC_ERROR);
  EXPECT_EQ(zvraw::guardAllocation([]() -> int { throw std::bad_array_new_length(); }), ZVRAW_MEMALLOC_ERROR);
  EXPECT_EQ(zvraw::guardAllocation([]() -> int { throw std::bad_alloc(); }, ZVRAW_HEADERFILE_READERROR),
            ZVRAW_HEADERFILE_READERROR);
  EXPECT_FALSE(zvraw::guardAllocation([]() -> bool { throw std::bad_alloc(); }, false));
  int held = 1;
  EXPECT_EQ(zvraw::guardAllocation([]() -> int* { throw std::bad_alloc(); }, nullptr), nullptr);
  EXPECT_EQ(zvraw::guardAllocation([&] { return &held; }, nullptr), &held);
  EXPECT_THROW((void)zvraw::guardAllocation([]() -> int { throw std::length_error("past max_size"); }),
               std::length_error);
}

}  // namespace
