#!/usr/bin/env bash
# Builds TARVEX and runs every test: the release build with the end-to-end tests
# (TARVEX_E2E=1: builds of a Windows program under CMake, Meson and make, that program
# run under Wine, the resource report in a browser, the .deb and .tar.gz packages with
# their manual pages and completion), then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then, when clang is available, a
# minute of fuzzing the script reader and a minute of fuzzing the reader with its fast
# path on against off. Installs the build tools it needs with apt-get when they are missing.
set -euo pipefail
cd "$(dirname "$0")"

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
command -v clang++ >/dev/null || need+=(clang)
{ command -v lld-link && command -v ld.lld; } >/dev/null || need+=(lld)
command -v llvm-readobj >/dev/null || need+=(llvm)
command -v chromium >/dev/null || need+=(chromium)
command -v ninja >/dev/null || need+=(ninja-build)
command -v make >/dev/null || need+=(make)
command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v x86_64-w64-mingw32-gcc >/dev/null || need+=(gcc-mingw-w64-x86-64)
command -v meson >/dev/null || need+=(meson)
command -v man >/dev/null || need+=(man-db)
{ command -v dpkg-deb && command -v dpkg-shlibdeps; } >/dev/null || need+=(dpkg-dev)
command -v python3 >/dev/null || need+=(python3)
command -v nvim >/dev/null || need+=(neovim)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq && $SUDO apt-get install -y -qq "${need[@]}"
fi
jobs=$(nproc 2>/dev/null || echo 2)

echo "== release build and tests, with the end-to-end builds"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTARVEX_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && TARVEX_E2E=1 ctest --output-on-failure)

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTARVEX_SANITIZE=ON -DTARVEX_TESTS=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure)

if [ -f tests/fuzz/fuzz_script.cc ] && command -v clang++ >/dev/null; then
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DTARVEX_SANITIZE=ON -DTARVEX_FUZZ=ON -DTARVEX_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs" --target tarvex_fuzz tarvex_fuzz_lanes
  echo "== fuzzing the script reader for 60 seconds"
  mkdir -p build-fuzz/corpus build-fuzz/corpus-lanes
  build-fuzz/tarvex_fuzz -max_total_time=60 -max_len=4096 -timeout=10 \
    -dict=tests/fuzz/script.dict build-fuzz/corpus tests/fuzz/seeds
  echo "== fuzzing the reader with its lanes on and off for 60 seconds"
  build-fuzz/tarvex_fuzz_lanes -max_total_time=60 -max_len=4096 -timeout=10 \
    -dict=tests/fuzz/script.dict build-fuzz/corpus-lanes tests/fuzz/seeds
fi
echo "== all tests passed"
