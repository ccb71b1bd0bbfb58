#!/usr/bin/env bash
# Builds tarvex and compiles the bundled example script, then shows what it produced.
set -euo pipefail
cd "$(dirname "$0")"
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq && $SUDO apt-get install -y -qq "${need[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTARVEX_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target tarvex tarvex_list
cd examples
../build/tarvex example.rc ../build/example.res
echo
echo "Resources in build/example.res:"
../build/tarvex_list ../build/example.res
