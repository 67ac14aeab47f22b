#!/usr/bin/env bash
# Load figure of the results service: whole-country answers per second and latency with 100
# concurrent keep-alive clients (wrk). Builds nothing: pass the built service, or it is looked
# for in build/ and build-server/.
# Usage: bench/load/run-load.sh [path/to/ksv-results-service] [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

service=${1:-}
if [ -z "$service" ]; then
    for candidate in "$root/build/server/ksv-results-service" "$root/build-server/server/ksv-results-service"; do
        [ -x "$candidate" ] && service=$candidate && break
    done
fi
[ -x "${service:-}" ] || { echo "ksv-results-service not found; build it first or pass its path" >&2; exit 1; }
seconds=${2:-20}
command -v wrk >/dev/null || { echo "wrk is missing (apt-get install wrk)" >&2; exit 1; }

out=$(mktemp)
log=$(mktemp)
# The night frozen mid-way, as on election night; the log goes to a file as it would in use.
"$service" --port 0 --at 600 >"$out" 2>"$log" &
pid=$!
cleanup() {
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    rm -f "$out" "$log"
}
trap cleanup EXIT

for _ in $(seq 100); do
    grep -q '^WSDL: ' "$out" && break
    kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.1
done
port=$(sed -n 's#^WSDL: http://[^:]*:\([0-9]*\)/.*#\1#p' "$out")
[ -n "$port" ] || { echo "the service printed no WSDL line" >&2; exit 1; }

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "command: wrk -t2 -c100 -d${seconds}s --latency -s bench/load/country.lua http://127.0.0.1:$port"
wrk -t2 -c100 -d"${seconds}s" --latency -s "$here/country.lua" "http://127.0.0.1:$port" |
    sed -n '/^answers_per_second/,$p'
echo "log_lines $(wc -l <"$log")"
