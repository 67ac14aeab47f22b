# Sourced by scripts that run services in the background: a temporary folder $work, removed on
# exit with every process in $pids stopped, and helpers to start and stop them.
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

stop() {
    kill "$1" 2>/dev/null && wait "$1" 2>/dev/null || true
}

# start_service NAME COMMAND...: runs a results service with its output in $work/NAME.out and
# $work/NAME.log, waits for its WSDL line and sets $pid and $port (and $intake_port for a live night).
start_service() {
    # Emptied here, not by the background job's redirection: that may come after the first look,
    # which would then find the previous run's line.
    : >"$work/$1.out"
    "${@:2}" >>"$work/$1.out" 2>"$work/$1.log" &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 100); do
        if grep -qs '^WSDL: ' "$work/$1.out"; then
            port=$(sed -n 's#^WSDL: http://[^:]*:\([0-9]*\)/.*#\1#p' "$work/$1.out")
            intake_port=$(sed -n 's#^Rapporter: https*://[^:]*:\([0-9]*\)/.*#\1#p' "$work/$1.out")
            return
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$work/$1.log" >&2
    exit 1
}
