#!/usr/bin/env bash
# CI stage: the soap, service and server tests once under AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer, built in build-asan/ at -O1. Stops at the first report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
start=$SECONDS
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
      -DCMAKE_CXX_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DKSV_FOLDERS="soap;service;server" -DKSV_BENCH=OFF
cmake --build build-asan --parallel "$(nproc)"
cd build-asan
ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600
echo "Sanitizer stage done in $((SECONDS - start)) s"
