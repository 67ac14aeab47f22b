#!/usr/bin/env bash
# The program end to end under Xvfb, against the bundled service replaying a short night on the
# program's built-in port: takes docs/window.png (the window as it starts) and docs/screenshot.png
# (a county shown with "&Visa", the automatic update ticked, after an outage that a refresh ran
# into: the window has recovered by itself). CTest gives it an output folder of its own.
#   tests/viewer/screenshots.sh [build-dir [output-dir]]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
dest=$(realpath "${2:-docs}")
port=$(sed -n 's/^#define KSV_WSDL_HOST "[^:]*:\(.*\)"$/\1/p' "$build/generated/ksv_config.h")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cat >"$out/drive.sh" <<DRIVE
set -euo pipefail
service() { # a night of 4 minutes; waits until it listens
    "$build/server/ksv-results-service" --port "$port" --night-minutes 4 --quiet "\$@" >"$out/service.log" 2>&1 &
    service=\$!
    for _ in \$(seq 50); do grep -q WSDL "$out/service.log" && return; sleep 0.1; done
    echo "the service did not start" >&2; exit 2
}
box() { xdotool search --onlyvisible --name '^Kestrova 2003 Viewer\$' >/dev/null 2>&1; }
shot() { sleep 0.5; import -window "\$window" "$out/\$1.png"; }
service= viewer=
trap 'kill \$service \$viewer 2>/dev/null || true' EXIT
service
"$build/app/KSV2003" & viewer=\$!
for _ in \$(seq 100); do
    window=\$(xdotool search --name "Kestrova 2003 Viewer 1" 2>/dev/null | head -1) && [ -n "\$window" ] && break
    sleep 0.1
done
shot window
xdotool windowfocus --sync "\$window" key Down Down Down alt+v   # the second county, past the separator
sleep 1
xdotool key Tab Tab Tab space       # tick "Automatisk uppdatering": 61 ticks to a refresh
sleep 1.5
shot before
sleep 48
kill \$service; wait \$service || true
for _ in \$(seq 300); do box && break; sleep 0.1; done      # the refresh runs into the outage
box || { echo "no error box after the failed refresh" >&2; exit 2; }
shot failed
service --at 200                    # back, later in the night
for _ in \$(seq 900); do box || break; sleep 0.1; done      # 61 ticks after the failed refresh
box && { echo "the error box is still open after the service came back" >&2; exit 2; }
shot after
DRIVE
xvfb-run -a -s "-screen 0 1024x768x24" bash "$out/drive.sh"

# The rows changed with the night; the status bar no longer tells of the failure.
changed() { compare -metric AE -crop "$1" "$2" "$3" null: 2>&1 || true; }
rows=$(changed 704x400+0+60 "$out/before.png" "$out/after.png")
status=$(changed 500x17+204+471 "$out/failed.png" "$out/after.png")
echo "pixels changed: table $rows, status bar after recovering $status"
[ "${rows%% *}" != 0 ] || { echo "the rows did not change" >&2; exit 1; }
[ "${status%% *}" != 0 ] || { echo "the status bar did not change" >&2; exit 1; }
mkdir -p "$dest"
cp "$out/window.png" "$dest/window.png"
cp "$out/after.png" "$dest/screenshot.png"
echo "$dest/window.png and $dest/screenshot.png written"
