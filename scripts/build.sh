#!/usr/bin/env bash
# Configures build/ (once) and builds the given targets, or everything; incremental on later runs.
# Build settings: configure build/ yourself first, e.g. cmake -S . -B build -DKSV_WSDL_HOST=...
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build --parallel "$(nproc)" "${targets[@]}"
