#!/usr/bin/env bash
# Installs what is missing, builds, starts the bundled results service and then the viewer against
# it; the service stops when the viewer closes. Options after -- go to the service, e.g.
#   ./run.sh -- --style multiref --night-minutes 10
set -euo pipefail
cd "$(dirname "$0")"
[ "${1:-}" = "--" ] && shift

scripts/install-deps.sh run
scripts/build.sh ksv-results-service KSV2003

service=build/server/ksv-results-service
viewer=build/app/KSV2003
log=build/ksv-results-service.log

# The viewer knows only its built-in WSDL address, so the service takes that host and port.
host=$(sed -n 's/^#define KSV_WSDL_HOST "\(.*\)"$/\1/p' build/generated/ksv_config.h)
port=${host##*:}
[ "$port" = "$host" ] && port=80

"$service" --port "$port" "$@" >"$log" 2>&1 &
service_pid=$!
stop_service() {
    kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null || true
}
trap stop_service EXIT

# Wait until the service listens (it logs its WSDL address), or report why it did not start.
for _ in $(seq 100); do
    grep -q 'WSDL' "$log" 2>/dev/null && break
    if ! kill -0 "$service_pid" 2>/dev/null; then
        echo "Resultattjänsten startade inte:" >&2
        cat "$log" >&2
        exit 1
    fi
    sleep 0.1
done
grep -m1 'WSDL' "$log" >&2 || true
echo "Tjänstens logg: $log" >&2

"$viewer"
