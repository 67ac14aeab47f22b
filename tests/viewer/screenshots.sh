#!/usr/bin/env bash
# The program end to end under Xvfb, against the bundled service replaying a short night on the
# program's built-in port: takes docs/window.png (the window as it starts) and docs/screenshot.png
# (a county shown with "&Visa", the automatic update ticked, after an outage that a refresh ran
# into: the window has recovered by itself). In the outage the service sends the WSDL after 5 s
# and never answers the call: meanwhile the window repaints after another window has covered it
# and answers a window manager's ping, and the box comes 30 s after the refresh began. CTest
# gives it an output folder of its own.
#   tests/viewer/screenshots.sh [build-dir [output-dir]]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
dest=$(realpath "${2:-docs}")
port=$(sed -n 's/^#define KSV_WSDL_HOST "[^:]*:\(.*\)"$/\1/p' "$build/generated/ksv_config.h")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# The outage: the WSDL 5 s late, then nothing; the time the WSDL was first asked for goes to a
# file, and every connection's first bytes to a log printed with the figures.
cat >"$out/held.py" <<'PY'
import os, socket, sys, time
wsdl, server, held = open(sys.argv[2], 'rb').read(), socket.create_server(('127.0.0.1', int(sys.argv[1]))), []
while True:
    held.append(server.accept()[0])
    first = held[-1].recv(65536)
    open(sys.argv[3] + '.log', 'a').write('%r %r\n' % (time.time(), first[:60]))
    if first.startswith(b'GET'):
        if not os.path.exists(sys.argv[3]):
            open(sys.argv[3], 'w').write(repr(time.time()))
        time.sleep(5)
        held[-1].sendall(b'HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n' % len(wsdl) + wsdl)
PY
# What a window manager asks to see whether a window still answers (_NET_WM_PING).
cat >"$out/ping.py" <<'PY'
import signal, sys
from Xlib import X, display, protocol
x = display.Display()
root, window, ping = x.screen().root, x.create_resource_object('window', int(sys.argv[1])), x.intern_atom('_NET_WM_PING')
root.change_attributes(event_mask=X.StructureNotifyMask)
window.send_event(protocol.event.ClientMessage(window=window, client_type=x.intern_atom('WM_PROTOCOLS'),
                                               data=(32, [ping, 0, window.id, 0, 0])))
signal.signal(signal.SIGALRM, lambda *_: sys.exit('no answer to a ping'))
signal.alarm(2)
event = x.next_event()
while not (event.type == X.ClientMessage and event.window == root and event.data[1][0] == ping):
    event = x.next_event()
PY

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
xdotool mousemove 0 0               # the pointer off the window: no hover to differ between shots
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
/usr/bin/python3 -c 'import sys, urllib.request; sys.stdout.buffer.write(urllib.request.urlopen(sys.argv[1]).read())' \
    "http://127.0.0.1:$port/emu2003/webservices/ElectionResults/ElectionResults.wsdl" >"$out/wsdl.xml"
sleep 46
kill \$service; wait \$service || true
/usr/bin/python3 "$out/held.py" "$port" "$out/wsdl.xml" "$out/asked" & service=\$!
for _ in \$(seq 300); do [ -s "$out/asked" ] && break; sleep 0.1; done  # the refresh runs into it
sleep 6
shot held
eval "\$(xdotool getwindowgeometry --shell "\$window")"
xlogo -geometry 704x488+\$X+\$Y & cover=\$!
xdotool search --sync --onlyvisible --class xlogo >/dev/null   # covered, however slow the start
sleep 0.5; kill \$cover
# Painted again within 5 s (a loaded machine can take a while to get to it).
for _ in \$(seq 25); do
    sleep 0.2
    import -window "\$window" "$out/uncovered.png"
    [ "\$(compare -metric AE "$out/held.png" "$out/uncovered.png" null: 2>&1)" = 0 ] && break
done
/usr/bin/python3 "$out/ping.py" "\$window"
for _ in \$(seq 400); do box && break; sleep 0.1; done
date +%s.%N >"$out/boxed"
box || { echo "no error box after the failed refresh" >&2; exit 2; }
shot failed
kill \$service; wait \$service || true
service --at 200                    # back, later in the night
for _ in \$(seq 900); do box || break; sleep 0.1; done      # 61 ticks after the failed refresh
box && { echo "the error box is still open after the service came back" >&2; exit 2; }
shot after
DRIVE
xvfb-run -a -s "-screen 0 1024x768x24" bash "$out/drive.sh"

# Uncovered, the window showed itself again, not what had covered it; the box came 30 s after the
# refresh began, WSDL and call together.
differing=$(compare -metric AE "$out/held.png" "$out/uncovered.png" null: 2>&1 || true)
[ "$differing" = 0 ] || {
    mkdir -p "$dest"; cp "$out/held.png" "$out/uncovered.png" "$dest/"
    echo "the window was not painted again while the call was held ($differing pixels differ; $dest/held.png, uncovered.png)" >&2
    exit 1
}
cat "$out/asked.log"
awk -v s="$(cat "$out/asked")" -v e="$(cat "$out/boxed")" 'BEGIN { d = e - s; print "box after " d " s";
    exit !(d >= 29.5 && d < 32) }' || { echo "the box did not come 30 s after the refresh began" >&2; exit 1; }

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
