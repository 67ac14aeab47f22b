#!/usr/bin/env bash
# Figures of a live night: reports per second accepted on SQLite and on PostgreSQL (20 keep-alive
# clients, wrk), SOAP whole-country answers per second quiet and during a report burst (interleaved,
# the same settings), and the kill test at 10,000 reports three times. Prints the machine's load
# with every figure. PostgreSQL runs in a temporary cluster of its own.
# Usage: bench/intake/run-intake.sh [--seconds N] [--no-kill] [path/to/ksv-results-service]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=10
kill_test=1
service=$root/build/server/ksv-results-service
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds=$2; shift 2 ;;
        --no-kill) kill_test=0; shift ;;
        *) service=$1; shift ;;
    esac
done
[ -x "$service" ] || { echo "$service not found; build it first" >&2; exit 1; }
command -v wrk >/dev/null || { echo "wrk is missing (apt-get install wrk)" >&2; exit 1; }
cd "$root"
. scripts/background.sh
load() { cut -d' ' -f1-3 /proc/loadavg; }

each=400    # districts per municipality: 116,000 in all, more than a run sends
python3 - "$work" data/results.tsv "$each" <<'PY'
import sys
sys.path.insert(0, "tests/intake")
import livenight
folder, data, each = sys.argv[1], sys.argv[2], int(sys.argv[3])
livenight.write_files(folder, data, each)
with open(folder + "/districts.txt", "w") as f:
    for d in range(1, each + 1):
        for m in livenight.municipalities(data):
            f.write("%s %d\n" % (m, d))
PY
token=$(python3 -c 'import sys; sys.path.insert(0, "tests/intake"); import livenight; print(livenight.TOKEN)')

night() {    # NAME STORE
    start_service "$1" "$service" --night live --store "$2" --districts "$work/districts.tsv" \
        --reporters "$work/reporters.tsv" --port 0 --intake-port 0 --quiet
}
reports() {    # INTAKE-PORT
    KSV_DISTRICTS=$work/districts.txt KSV_TOKEN=$token KSV_THREADS=2 \
        wrk -t2 -c20 -d"${seconds}s" --timeout 10s --latency -s "$here/reports.lua" "http://127.0.0.1:$1" |
        sed -n '/^reports_per_second/,$p' | tr '\n' ' '
}
answers() {    # SOAP-PORT
    wrk -t2 -c50 -d"${seconds}s" --timeout 10s --latency -s bench/load/country.lua "http://127.0.0.1:$1" |
        sed -n 's/^answers_per_second //p'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
night sqlite "$work/night.sqlite"
echo "SQLite (WAL, synchronous FULL), 20 clients: $(reports "$intake_port")  [load $(load)]"
quiet=$(answers "$port")
echo "SOAP answers/s quiet: $quiet  [load $(load)]"
answers "$port" >"$work/busy" &
busy=$!
burst=$(reports "$intake_port")
wait "$busy"
echo "SOAP answers/s during a report burst: $(cat "$work/busy") (burst: $burst)  [load $(load)]"
echo "SOAP answers/s quiet again: $(answers "$port")  [load $(load)]"
stop "$pid"

pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -x "$pg_bin/initdb" ]; then
    as_owner=()
    mkdir "$work/pg"
    if [ "$(id -u)" -eq 0 ]; then
        as_owner=(runuser -u postgres --)
        chmod 755 "$work"
        chown postgres "$work/pg"
    fi
    pg_port=$(free_port)
    "${as_owner[@]}" "$pg_bin/initdb" -D "$work/pg/data" -U ksv -A trust >/dev/null
    "${as_owner[@]}" "$pg_bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/log" -w \
        -o "-p $pg_port -k $work/pg -c listen_addresses=127.0.0.1" start >/dev/null
    trap '"${as_owner[@]}" "$pg_bin/pg_ctl" -D "$work/pg/data" -m immediate stop >/dev/null 2>&1; cleanup' EXIT
    night postgres "postgresql://ksv@127.0.0.1:$pg_port/postgres"
    echo "PostgreSQL (synchronous commit), 20 clients: $(reports "$intake_port")  [load $(load)]"
    stop "$pid"
fi

if [ $kill_test = 1 ]; then
    echo "kill test, 10,000 reports from 20 clients, three kill moments  [load $(load)]"
    python3 tests/intake/durability.py "$service" data/results.tsv --reports 10000 --clients 20 --runs 3
fi
