#pragma once

// Hot loops are built twice, once for processors with AVX2 and once for any
// x86-64, and pick their copy at run time. Not through ifunc resolvers: those
// run inside the dynamic loader, before a sanitizer's runtime is ready, and
// one of the compilers refuses them on templates.

namespace zvraw {

// Marks the AVX2 copy of a loop; its body is an always-inline function
// shared with the plain copy, so both compute exactly the same.
#define ZVRAW_AVX2_COPY [[gnu::target("avx2")]]

// Whether this processor runs the AVX2 copies; asked once per process.
[[nodiscard]] inline bool cpuHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace zvraw
