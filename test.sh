#!/usr/bin/env bash
# Builds TARVEX and runs every test: the release build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a short fuzzing run when clang
# is available. Installs the build tools it needs with apt-get when they are missing.
set -euo pipefail
cd "$(dirname "$0")"

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
command -v clang++ >/dev/null || need+=(clang)
command -v lld-link >/dev/null || need+=(lld)
command -v llvm-readobj >/dev/null || need+=(llvm)
command -v chromium >/dev/null || need+=(chromium)
command -v ninja >/dev/null || need+=(ninja-build)
command -v make >/dev/null || need+=(make)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq && $SUDO apt-get install -y -qq "${need[@]}"
fi
jobs=$(nproc 2>/dev/null || echo 2)

echo "== release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTARVEX_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure)

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTARVEX_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure)

if [ -f tests/fuzz/fuzz_script.cc ] && command -v clang++ >/dev/null; then
  echo "== fuzzing the script reader for 60 seconds"
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DTARVEX_SANITIZE=ON -DTARVEX_FUZZ=ON -DTARVEX_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs" --target tarvex_fuzz
  mkdir -p build-fuzz/corpus
  build-fuzz/tarvex_fuzz -max_total_time=60 -max_len=4096 -timeout=10 \
    -dict=tests/fuzz/script.dict build-fuzz/corpus tests/fuzz/seeds
fi
echo "== all tests passed"
