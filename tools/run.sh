#!/usr/bin/env bash
# Builds KzEditor, writes the sample game data folder and starts the editor on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKZ_BUILD_TESTS=OFF >/dev/null
cmake --build build
if [ -x build/bin/kz_sampledata ]; then
  build/bin/kz_sampledata build/sample-data
  export KZ_SAMPLE_DATA="$PWD/build/sample-data"
fi
exec build/bin/KzEditor "$@"
