#!/usr/bin/env bash
# Three replicas of the results service behind HAProxy, as README.md ("Serving many viewers")
# describes: the same --seed and --night-start, started a second apart. wrk loads the balancer
# while a client goes round the replicas through it, one new connection per call (HAProxy deals
# them out in turn), and checks that the country's count of districts and of yes votes never goes
# back. A short control run then replaces one replica by one with its own night start, which the
# same check must catch.
# With --live, a live night instead: PostgreSQL in a temporary cluster of its own (as an
# unprivileged user, on a free port, removed afterwards), three replicas on it behind HAProxy,
# reports sent round-robin through the balancer's intake while a client reads round the replicas.
# Every report acknowledged must be counted by every replica within a second, with no count going
# back; then the time from an acknowledgement to every replica's answer. The control: one replica
# cut off from the database, which the same check must catch.
# Usage: scripts/replicas.sh [seconds] [path/to/ksv-results-service]
#        scripts/replicas.sh --live [reports] [path/to/ksv-results-service]
set -euo pipefail
cd "$(dirname "$0")/.."
live=0
if [ "${1:-}" = --live ]; then
    live=1
    shift
fi
seconds=${1:-30}
service=${2:-build/server/ksv-results-service}
[ -x "$service" ] || { echo "$service not found; build it first (scripts/build.sh ksv-results-service)" >&2; exit 1; }
for tool in haproxy wrk python3; do
    command -v "$tool" >/dev/null || PATH=$PATH:/usr/sbin
    command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install $tool)" >&2; exit 1; }
done

. scripts/background.sh

if [ $live = 1 ]; then
    . scripts/live-replicas.sh
    exit
fi

# replica NAME PORT [OPTIONS...]
replica() {
    start_service "$1" "$service" --port "$2" --seed 4711 --night-minutes 10 --max-connections-per-client 0 --quiet "${@:3}"
}

# The night began four minutes ago, local time: counts move all through the run.
night_start=$(date -d '-4 minutes' +%Y-%m-%dT%H:%M:%S)
ports=()
for name in r1 r2 r3; do
    port=$(free_port)
    ports+=("$port")
    replica "$name" "$port" --night-start "$night_start"
    eval "pid_$name=$pid"
    sleep 1
done

balancer=$(free_port)
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
backend replicas
    balance roundrobin
    http-response set-header X-Replica %[srv_name]
    server r1 127.0.0.1:${ports[0]}
    server r2 127.0.0.1:${ports[1]}
    server r3 127.0.0.1:${ports[2]}
CONF
haproxy -f "$work/haproxy.cfg" -db >"$work/haproxy.log" 2>&1 &
pids+=($!)
sleep 0.5

check() {
    python3 - "$balancer" "$1" <<'PY'
import http.client, re, sys, time
port, seconds = int(sys.argv[1]), float(sys.argv[2])
body = ('<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/">'
        '<SOAP-ENV:Body><m:getCountryResultsValnatt xmlns:m="http://valresultat.kestrova.example/ElectionResults.wsdl"/>'
        '</SOAP-ENV:Body></SOAP-ENV:Envelope>')
def member(text, name):
    return int(re.search(r'<%s[^>]*>(\d+)</%s>' % (name, name), text).group(1))
calls, backwards, served, first, last = 0, 0, {}, None, None
end = time.time() + seconds
while time.time() < end:
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    connection.request("POST", "/emu2003/webservices/ElectionResults/soap", body, {"Content-Type": "text/xml; charset=utf-8"})
    answer = connection.getresponse()
    text = answer.read().decode()
    connection.close()
    if answer.status != 200:
        sys.exit("status %d" % answer.status)
    replica = answer.getheader("X-Replica")
    served[replica] = served.get(replica, 0) + 1
    now = (member(text, "readyDistricts"), member(text, "yesNum"))
    if last and (now[0] < last[0] or now[1] < last[1]):
        backwards += 1
    first = first or now
    last = now
    calls += 1
print("calls %d, by replica %s, districts counted %d -> %d, backward steps %d"
      % (calls, " ".join("%s:%d" % kv for kv in sorted(served.items())), first[0], last[0], backwards))
sys.exit(1 if backwards else 0)
PY
}

echo "three replicas (seed 4711, night start $night_start, started a second apart) behind HAProxy on port $balancer"
wrk -t2 -c50 -d"${seconds}s" -s bench/load/country.lua "http://127.0.0.1:$balancer" >"$work/wrk.txt" &
load=$!
check "$seconds"
wait "$load"
echo "load through the balancer at the same time: $(sed -n 's/^answers_per_second //p' "$work/wrk.txt") answers/s," \
     "$(sed -n 's/^failed //p' "$work/wrk.txt") failed"

echo "control: r3 replaced by a replica whose night started when it did"
stop "$pid_r3"
replica r3 "${ports[2]}"
if check 5; then
    echo "the check missed replicas that disagree" >&2
    exit 1
fi
echo "caught, as it must be"
