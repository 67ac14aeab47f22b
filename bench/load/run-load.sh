#!/usr/bin/env bash
# Load figures of the results service, side by side in one run with the same wrk settings:
# whole-country answers (17.8 kB) from the service as built, from the service as it was before
# its HTTP stack was replaced (commit 2ac3640, built here on first use), and from nginx serving
# the same answer bytes as a static file, at 100 and 500 keep-alive clients; then memory over
# five rounds of the new service. Every answer is checked; request logs go to files, as in use.
# Usage: bench/load/run-load.sh [--seconds N] [--no-old] [--no-nginx] [path/to/ksv-results-service]
#   KSV_OLD_SERVICE=path  use this old binary instead of building one (e.g. the previous commit's)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=20
with_old=1
with_nginx=1
service=
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds=$2; shift 2 ;;
        --no-old) with_old=0; shift ;;
        --no-nginx) with_nginx=0; shift ;;
        *) service=$1; shift ;;
    esac
done
if [ -z "$service" ]; then
    for candidate in "$root/build/server/ksv-results-service" "$root/build-server/server/ksv-results-service"; do
        [ -x "$candidate" ] && service=$candidate && break
    done
fi
[ -x "${service:-}" ] || { echo "ksv-results-service not found; build it first or pass its path" >&2; exit 1; }
command -v wrk >/dev/null || { echo "wrk is missing (apt-get install wrk)" >&2; exit 1; }

. "$root/scripts/background.sh"

old_service() {
    if [ -n "${KSV_OLD_SERVICE:-}" ]; then
        echo "$KSV_OLD_SERVICE"
        return
    fi
    local commit=2ac3640
    local dir=${TMPDIR:-/tmp}/ksv-service-$commit
    local binary=$dir/build/server/ksv-results-service
    if [ ! -x "$binary" ]; then
        # That commit still served HTTP with Qt HttpServer.
        dpkg-query -W -f='${Status}' qt6-httpserver-dev 2>/dev/null | grep -q 'ok installed' ||
            { [ "$(id -u)" -eq 0 ] && apt-get install -y -q --no-install-recommends qt6-httpserver-dev >&2 ||
              sudo apt-get install -y -q --no-install-recommends qt6-httpserver-dev >&2; }
        rm -rf "$dir" && mkdir -p "$dir/src"
        git -C "$root" archive "$commit" | tar -x -C "$dir/src"
        cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKSV_FOLDERS=server \
            -DBUILD_TESTING=OFF >&2
        cmake --build "$dir/build" --target ksv-results-service >&2
    fi
    echo "$binary"
}

# CPU seconds (user and system) of a process and its children (nginx's workers).
cpu_seconds() {
    local total=0 p
    for p in "$1" $(ps --ppid "$1" -o pid= 2>/dev/null); do
        total=$(awk -v t="$total" -v hz="$(getconf CLK_TCK)" '{sub(/.*\) /, ""); print t + ($12 + $13) / hz}' \
                "/proc/$p/stat" 2>/dev/null || echo "$total")
    done
    echo "$total"
}

# measure NAME CLIENTS URL PID [GET-PATH]: one wrk run, one line of figures. The server's CPU time
# an answer is steadier than answers a second when others share the cores.
measure() {
    local out before
    before=$(cpu_seconds "$4")
    out=$(KSV_BENCH_GET=${5:-} wrk -t2 -c"$2" -d"${seconds}s" --timeout 10s --latency -s "$here/country.lua" "$3" |
          sed -n '/^answers_per_second/,$p')
    local rate
    rate=$(awk '/^answers_per_second/ {print $2}' <<<"$out")
    printf '%-6s %7s %10s %8s %8s %8s %7s %8s\n' "$1" "$2" "$rate" \
        "$(awk '/^latency_p50_ms/ {print $2}' <<<"$out")" "$(awk '/^latency_p99_ms/ {print $2}' <<<"$out")" \
        "$(awk '/^latency_max_ms/ {print $2}' <<<"$out")" "$(awk '/^failed/ {print $2}' <<<"$out")" \
        "$(awk -v a="$before" -v b="$(cpu_seconds "$4")" -v r="$rate" -v s="$seconds" \
               'BEGIN {if (r > 0) printf "%.1f", (b - a) / (r * s) * 1e6; else print "-"}')"
}

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "wrk -t2 -c<clients> -d${seconds}s --timeout 10s --latency -s bench/load/country.lua"
echo
results=$work/results
printf '%-6s %7s %10s %8s %8s %8s %7s %8s\n' server clients answers/s p50_ms p99_ms max_ms failed cpu_us | tee "$results"

old=
old_options=()
[ "$with_old" = 1 ] && old=$(old_service)
# An old service that has a per-client cap gets it lifted too.
[ -n "$old" ] && "$old" --help | grep -q -- --max-connections-per-client && old_options=(--max-connections-per-client 0)
if [ "$with_nginx" = 1 ]; then
    command -v nginx >/dev/null || PATH=$PATH:/usr/sbin
    mkdir -p "$work/www" "$work/nginx-temp"
    chmod 755 "$work" "$work/www"
    start_service answer "$service" --port 0 --at 600
    curl -s -o "$work/www/answer.xml" -H 'Content-Type: text/xml; charset=utf-8' \
        --data-binary "$(awk '/wrk.body = \[\[/ {sub(/.*\[\[/, ""); p = 1} p && /^\]\]/ {exit} p' "$here/country.lua")" \
        "http://127.0.0.1:$port/emu2003/webservices/ElectionResults/soap"
    chmod 644 "$work/www/answer.xml"
    stop "$pid"
    nginx_port=$(free_port)
    cat >"$work/nginx.conf" <<CONF
worker_processes $(nproc);
daemon off;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 4096; }
http {
    types { text/xml xml; }
    access_log $work/nginx-access.log;
    sendfile on;
    tcp_nopush on;
    open_file_cache max=16;
    keepalive_timeout 120s;
    keepalive_requests 100000000;
    client_body_temp_path $work/nginx-temp;
    proxy_temp_path $work/nginx-temp;
    fastcgi_temp_path $work/nginx-temp;
    uwsgi_temp_path $work/nginx-temp;
    scgi_temp_path $work/nginx-temp;
    server { listen 127.0.0.1:$nginx_port; root $work/www; }
}
CONF
fi

for clients in 100 500; do
    if [ -n "$old" ]; then
        start_service old "$old" --port 0 --at 600 "${old_options[@]}"
        measure old "$clients" "http://127.0.0.1:$port" "$pid" | tee -a "$results"
        stop "$pid"
    fi
    # wrk is one client address: the per-client cap is lifted, as behind a load balancer.
    start_service new "$service" --port 0 --at 600 --max-connections-per-client 0
    measure new "$clients" "http://127.0.0.1:$port" "$pid" | tee -a "$results"
    stop "$pid"
    if [ "$with_nginx" = 1 ]; then
        nginx -c "$work/nginx.conf" -p "$work" &
        nginx_pid=$!
        pids+=("$nginx_pid")
        for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$nginx_port/answer.xml" && break; sleep 0.1; done
        measure nginx "$clients" "http://127.0.0.1:$nginx_port" "$nginx_pid" /answer.xml | tee -a "$results"
        stop "$nginx_pid"
    fi
done

echo
ratio() {
    awk -v a="$1" -v b="$2" -v c="$3" '$1 == a && $2 == c {x = $3; u = $8} $1 == b && $2 == c {y = $3; v = $8}
        END {if (x && y) printf "%s/%s at %s clients: %.2f (CPU an answer: %.2f)\n", a, b, c, x / y, u / v}' "$results"
}
ratio new old 100
ratio new old 500
ratio new nginx 100
ratio new nginx 500

echo
echo "memory of the new service over five rounds at 100 clients (VmRSS after each, MB):"
start_service memory "$service" --port 0 --at 600 --max-connections-per-client 0
rss=()
for round in 1 2 3 4 5; do
    measure new 100 "http://127.0.0.1:$port" "$pid" >/dev/null
    rss+=("$(awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status")")
done
echo "${rss[*]}"
stop "$pid"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
