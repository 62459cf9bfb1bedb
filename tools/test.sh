#!/usr/bin/env bash
# Builds everything with the sanitizers and runs every test; then builds the
# benchmarks in a separate release tree (they are built, not run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKZ_SANITIZE=ON >/dev/null
cmake --build build-test
(cd build-test && ctest --output-on-failure -j"$(nproc)")
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKZ_BUILD_TESTS=OFF -DKZ_BUILD_BENCH=ON >/dev/null
cmake --build build-bench
if [ -f fuzz/run.sh ]; then bash fuzz/run.sh 20; fi
