#!/usr/bin/env bash
# Installs a build tree, stripped, into a scratch prefix and builds a caller's
# C program against it through find_package and through pkg-config; each runs
# once found through LD_LIBRARY_PATH and once through its recorded run path.
# A parent project that adds the library with add_subdirectory builds neither
# tests nor benchmarks. Usage: check-package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" --strip > /dev/null
lib=$(find "$prefix" -name "libZorvalenRaw.so.$version")
[ -n "$lib" ] || { echo "no libZorvalenRaw.so.$version installed"; exit 1; }
if readelf -S "$lib" | grep -q '\.debug_info'; then echo "installed library is not stripped"; exit 1; fi
grep -q "ZORVALENRAW_VERSION_MAJOR ${version%%.*}\$" "$prefix/include/zorvalen/ZorvalenRawVersion.h"
libdir=$(dirname "$lib")

expected="consumer: linked and called libZorvalenRaw $version"
for finder in OFF ON; do
  for rpath in OFF ON; do
    out=$work/consumer-$finder-$rpath
    PKG_CONFIG_PATH="$libdir/pkgconfig" cmake -S "$here" -B "$out" -DUSE_PKG_CONFIG=$finder -DUSE_RPATH=$rpath \
      -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
    cmake --build "$out" > /dev/null
    if [ $rpath = ON ]; then got=$(env -u LD_LIBRARY_PATH "$out/consumer")
    else got=$(LD_LIBRARY_PATH="$libdir" "$out/consumer"); fi
    [ "$got" = "$expected" ] || { echo "pkg-config $finder, rpath $rpath: printed '$got'"; exit 1; }
    if [ $rpath = OFF ] && env -u LD_LIBRARY_PATH "$out/consumer" > /dev/null 2>&1 && \
       ! ldconfig -p | grep -q libZorvalenRaw; then
      echo "the consumer without a run path found the library anyway"; exit 1
    fi
  done
done

# A parent project: configuring it must not need GoogleTest or Google Benchmark.
mkdir -p "$work/parent"
cat > "$work/parent/CMakeLists.txt" <<PARENT
cmake_minimum_required(VERSION 3.25)
project(Parent LANGUAGES C CXX)
add_subdirectory("$(cd "$here/../.." && pwd)" zorvalenraw)
foreach(option ZVRAW_BUILD_TESTS ZVRAW_BUILD_BENCH ZVRAW_BUILD_EXAMPLES)
  if(\${option})
    message(FATAL_ERROR "\${option} is on in a parent project")
  endif()
endforeach()
PARENT
cmake -S "$work/parent" -B "$work/parent/build" -DGTest_DIR=/nonexistent -Dbenchmark_DIR=/nonexistent > /dev/null
echo "package: installed stripped; find_package and pkg-config consumers ran through LD_LIBRARY_PATH and run path; a parent project needs no test framework"
