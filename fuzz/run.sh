#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for a bounded time.
# Usage: fuzz/run.sh [seconds per harness, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-60}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKZ_BUILD_TESTS=OFF -DKZ_BUILD_FUZZ=ON -DKZ_SANITIZE=ON >/dev/null
targets=$(ninja -C build-fuzz -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p' | sort -u)
[ -n "$targets" ] || { echo "no fuzz harnesses"; exit 0; }
cmake --build build-fuzz --target $targets
shopt -s nullglob
for f in build-fuzz/bin/fuzz_*; do
  corpus="build-fuzz/corpus/$(basename "$f")"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/$(basename "$f")"
  [ -d "$seeds" ] || seeds=""
  echo "== $(basename "$f") for ${secs}s"
  "$f" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$corpus" $seeds 2>&1 | tail -3
done
