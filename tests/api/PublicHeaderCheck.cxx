// Compiled on its own, pedantic, to prove the public header stands alone in
// C++ and gives C++ callers scoped, int-sized enumerations and references.
#include "zorvalen/ZorvalenRaw.h"

#include <type_traits>

static_assert(std::is_same_v<std::underlying_type_t<ZorvalenScanItem>, int>);
static_assert(sizeof(ZorvalenSampleListItem) == sizeof(int));
static_assert(!std::is_convertible_v<ZorvalenIonMode, int>, "members stay scoped");
static_assert(std::is_same_v<ProgressCallBack, void (*)(void*, const int&)>);
