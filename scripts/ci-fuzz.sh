#!/usr/bin/env bash
# CI stage: builds the fuzz targets (clang, libFuzzer, ASan and UBSan) in build-fuzz/ and runs each
# over its seed corpus, then for a fixed time more. The committed seeds are left as they are: new
# inputs go to a scratch folder. A crash or a slow input leaves its bytes in build-fuzz/.
# Usage: scripts/ci-fuzz.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh fuzz
seconds=${1:-30}
start=$SECONDS
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
      -DKSV_FUZZ=ON -DBUILD_TESTING=OFF -DKSV_FOLDERS="soap;service;server"
cmake --build build-fuzz --parallel "$(nproc)"
declare -A dictionary=([answer]=xml [wsdl]=xml [mapping]=xml [request]=xml [http]=http [dataset]=dataset [report]=report)
# Requests may be as large as the service takes; libFuzzer would otherwise stay near its seeds' size.
declare -A options=([request]=-max_len=65536)
for input in answer wsdl mapping http request dataset report; do
    scratch=$(mktemp -d)
    echo "fuzz_$input: $seconds s"
    build-fuzz/fuzz/fuzz_$input -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        ${options[$input]:-} -dict="fuzz/${dictionary[$input]}.dict" -artifact_prefix="build-fuzz/fuzz_$input-" \
        "$scratch" "fuzz/corpus/$input"
    rm -rf "$scratch"
done
echo "Fuzz stage done in $((SECONDS - start)) s"
