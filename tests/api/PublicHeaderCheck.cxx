// Compiled on its own, pedantic, in every C++ mode from C++11 on, to prove
// the public header stands alone in C++ and gives C++ callers scoped,
// int-sized enumerations and references.
#include "zorvalen/ZorvalenRaw.h"

#include <type_traits>

static_assert(std::is_same<std::underlying_type<ZorvalenScanItem>::type, int>::value, "enumerations are int-based");
static_assert(sizeof(ZorvalenSampleListItem) == sizeof(int), "enumerations are int-sized");
static_assert(!std::is_convertible<ZorvalenIonMode, int>::value, "members stay scoped");
static_assert(std::is_same<ProgressCallBack, void (*)(void*, const int&)>::value, "outputs are references");
