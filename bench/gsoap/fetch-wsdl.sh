#!/usr/bin/env bash
# Writes the results service's own WSDL to a file: starts the service on a free port, fetches the
# document it serves and stops the service again.
# Usage: fetch-wsdl.sh <ksv-results-service> <output.wsdl>
set -euo pipefail
service=$1
output=$2
log=$(mktemp)
"$service" --port 0 --quiet >"$log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -f "$log"' EXIT
url=
for _ in $(seq 100); do
    url=$(sed -n 's/^WSDL: //p' "$log")
    [ -n "$url" ] && break
    sleep 0.1
done
[ -n "$url" ] || { echo "fetch-wsdl.sh: the service printed no WSDL address" >&2; cat "$log" >&2; exit 1; }
curl -sf -o "$output.tmp" "$url"
mv "$output.tmp" "$output"
