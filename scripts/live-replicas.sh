# Sourced by scripts/replicas.sh --live: $service, $seconds (here the number of reports), $work and
# the helpers of background.sh are set.
reports=$seconds
pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$pg_bin/initdb" ] || { echo "PostgreSQL is missing (apt-get install postgresql)" >&2; exit 1; }

# PostgreSQL will not run as root: then the cluster belongs to an unprivileged user.
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    owner=$(id -u postgres >/dev/null 2>&1 && echo postgres || echo nobody)
    as_owner=(runuser -u "$owner" --)
    chmod 755 "$work"
    mkdir "$work/pg" && chown "$owner" "$work/pg"
else
    mkdir "$work/pg"
fi
pg_port=$(free_port)
"${as_owner[@]}" "$pg_bin/initdb" -D "$work/pg/data" -U ksv -A trust --no-sync >"$work/initdb.log" 2>&1 ||
    { cat "$work/initdb.log" >&2; exit 1; }
"${as_owner[@]}" "$pg_bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/server.log" -w -o \
    "-p $pg_port -k $work/pg -c listen_addresses=127.0.0.1" start >/dev/null
stop_database() { "${as_owner[@]}" "$pg_bin/pg_ctl" -D "$work/pg/data" -m immediate stop >/dev/null 2>&1 || true; }
trap 'stop_database; cleanup' EXIT
psql_run() { "${as_owner[@]}" "$pg_bin/psql" -h 127.0.0.1 -p "$pg_port" -U ksv -d postgres -q -v ON_ERROR_STOP=1 -c "$1"; }
# r3 logs in as a user of its own, so that the control can shut it out alone.
psql_run "CREATE ROLE ksv_r3 LOGIN SUPERUSER"
store="postgresql://ksv@127.0.0.1:$pg_port/postgres"

data=data/results.tsv
each=$(( (reports + 200) / 290 + 1 ))
python3 - "$work" "$data" "$each" <<'PY'
import sys
sys.path.insert(0, "tests/intake")
import livenight
livenight.write_files(sys.argv[1], sys.argv[2], int(sys.argv[3]))
PY

live_replica() {    # NAME STORE
    start_service "$1" "$service" --night live --store "$2" --districts "$work/districts.tsv" \
        --reporters "$work/reporters.tsv" --port 0 --intake-port 0 --max-connections-per-client 0 --quiet
    eval "pid_$1=$pid soap_$1=$port intake_$1=$intake_port"
}
live_replica r1 "$store"
live_replica r2 "$store"
live_replica r3 "postgresql://ksv_r3@127.0.0.1:$pg_port/postgres"

balancer=$(free_port)
intake=$(free_port)
cat >"$work/haproxy.cfg" <<CONF
global
    maxconn 4096
defaults
    mode http
    timeout connect 2s
    timeout client 30s
    timeout server 30s
frontend results
    bind 127.0.0.1:$balancer
    default_backend replicas
frontend intake
    bind 127.0.0.1:$intake
    default_backend intakes
backend replicas
    balance roundrobin
    server r1 127.0.0.1:$soap_r1
    server r2 127.0.0.1:$soap_r2
    server r3 127.0.0.1:$soap_r3
backend intakes
    balance roundrobin
    server r1 127.0.0.1:$intake_r1
    server r2 127.0.0.1:$intake_r2
    server r3 127.0.0.1:$intake_r3
CONF
haproxy -f "$work/haproxy.cfg" -db >"$work/haproxy.log" 2>&1 &
pids+=($!)
sleep 0.5

echo "three replicas of a live night on PostgreSQL (port $pg_port) behind HAProxy (intake $intake, answers $balancer)"
python3 tests/intake/replicas_check.py "$data" "$each" "$intake" "$reports" "$soap_r1" "$soap_r2" "$soap_r3" --probes 20

echo "control: r3 cut off from the database, reports sent to r1"
psql_run "ALTER ROLE ksv_r3 NOLOGIN; SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = 'ksv_r3'" >/dev/null
if python3 tests/intake/replicas_check.py "$data" "$each" "$intake_r1" 100 "$soap_r1" "$soap_r2" "$soap_r3" \
        --offset $((reports + 20)); then
    echo "the check missed a replica cut off from the database" >&2
    exit 1
fi
echo "caught, as it must be"
