#!/usr/bin/env bash
# The real program under Xvfb with no service at its address: it must show the error box, never
# its window, and end with a non-zero exit status once the box is closed.
#   tests/viewer/startfailure.sh build-dir
set -euo pipefail
build=$(realpath "${1:-build}")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cat >"$out/drive.sh" <<DRIVE
set -uo pipefail
"$build/app/KSV2003" & viewer=\$!
box=
for _ in \$(seq 100); do
    box=\$(xdotool search --name '^Kestrova 2003 Viewer\$' 2>/dev/null | head -1) && [ -n "\$box" ] && break
    sleep 0.1
done
[ -n "\$box" ] || { echo "no error box appeared" >&2; kill \$viewer; exit 2; }
if xdotool search --name 'Viewer 1\.0' >/dev/null 2>&1; then
    echo "the window was shown although the start failed" >&2; kill \$viewer; exit 2
fi
import -window "\$box" "$out/box.png" || true
xdotool windowfocus --sync "\$box" key Return
wait \$viewer
echo "exit status \$?" >"$out/status"
DRIVE
xvfb-run -a -s "-screen 0 1024x768x24" bash "$out/drive.sh"
status=$(cat "$out/status")
echo "$status"
[ "$status" != "exit status 0" ] || { echo "a failed start ended with status 0" >&2; exit 1; }
