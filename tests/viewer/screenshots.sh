#!/usr/bin/env bash
# The program end to end under Xvfb, against the bundled service replaying a short night: takes
# docs/window.png (the window as it starts) and docs/screenshot.png (a county shown with "&Visa",
# the automatic update ticked, after a refresh has brought new rows). Needs xvfb, xdotool and
# imagemagick; the program only knows its built-in address, so the service takes that port.
# CTest runs it with an output folder of its own, so that the documentation is left alone.
#   tests/viewer/screenshots.sh [build-dir [output-dir]]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
dest=$(realpath "${2:-docs}")
port=$(sed -n 's/^#define KSV_WSDL_HOST "[^:]*:\(.*\)"$/\1/p' "$build/generated/ksv_config.h")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$build/server/ksv-results-service" --port "$port" --night-minutes 4 --quiet >"$out/service.log" 2>&1 &
service=$!
trap 'kill $service 2>/dev/null; rm -rf "$out"' EXIT
for _ in $(seq 50); do grep -q WSDL "$out/service.log" && break; sleep 0.1; done

cat >"$out/drive.sh" <<DRIVE
set -euo pipefail
"$build/app/KSV2003" & viewer=\$!
for _ in \$(seq 100); do
    window=\$(xdotool search --name "Kestrova 2003 Viewer" 2>/dev/null | head -1) && [ -n "\$window" ] && break
    sleep 0.1
done
sleep 0.5
shot() { import -window "\$window" "\$1"; }
shot "$out/window.png"
xdotool windowfocus --sync "\$window"
xdotool key Down Down Down          # past the separator to the second county
xdotool key alt+v
sleep 1
xdotool key Tab Tab Tab space       # to "Automatisk uppdatering" and tick it
sleep 2
shot "$out/before.png"
sleep 65                            # a full count of 61 ticks and some slack: the refresh has come
shot "$out/after.png"
kill \$viewer
DRIVE
xvfb-run -a -s "-screen 0 1024x768x24" bash "$out/drive.sh"

# The table must have changed between the two shots.
changed=$(compare -metric AE -crop 704x400+0+60 "$out/before.png" "$out/after.png" null: 2>&1 || true)
echo "pixels changed in the table after the refresh: $changed"
[ "${changed%% *}" != 0 ] || { echo "the rows did not change" >&2; exit 1; }
mkdir -p "$dest"
cp "$out/window.png" "$dest/window.png"
cp "$out/after.png" "$dest/screenshot.png"
echo "$dest/window.png and $dest/screenshot.png written"
