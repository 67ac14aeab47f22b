#!/usr/bin/env bash
# Builds the Debian packages from build/, checks them with lintian, installs them, runs the installed
# service and viewer, and purges them again: nothing of theirs may be left. Installs and removes
# packages on this machine (through sudo when not root), so meant for a throwaway one such as CI.
set -euo pipefail
cd "$(dirname "$0")/../.."
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
packages=(ksv2003 ksv-results-service)
work=$(mktemp -d)
service_pid=
purge() { "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 purge -y -q "${packages[@]}" >/dev/null; }
cleanup() {
    [ -z "$service_pid" ] || "${sudo[@]}" kill "$service_pid" 2>/dev/null || true
    purge 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-packages: $*" >&2; exit 1; }

scripts/install-deps.sh package
cmake -S . -B build >/dev/null # finds help2man if it came just now
cmake --build build --parallel "$(nproc)"
rm -f build/*.deb
(cd build && cpack -G DEB >/dev/null)
debs=(build/ksv2003_*.deb build/ksv-results-service_*.deb)
lintian --fail-on error,warning "${debs[@]}"

# Each package holds its program with its manual page and docs, the viewer its entry, metainfo and
# icons, the service its unit and settings, and nothing else.
v=ksv2003 s=ksv-results-service id=example.kestrova.ksv2003
expected=("$v usr/bin/KSV2003" "$v usr/share/man/man1/KSV2003.1.gz" "$v usr/share/applications/$id.desktop"
          "$v usr/share/metainfo/$id.metainfo.xml" "$v usr/share/icons/hicolor/scalable/apps/$id.svg"
          "$s usr/bin/ksv-results-service" "$s usr/share/man/man1/ksv-results-service.1.gz"
          "$s usr/bin/ksv-report" "$s usr/share/man/man1/ksv-report.1.gz"
          "$s lib/systemd/system/ksv-results-service.service" "$s etc/default/ksv-results-service")
for size in 16 32 48 64 128 256; do expected+=("$v usr/share/icons/hicolor/${size}x$size/apps/$id.png"); done
for p in "${packages[@]}"; do expected+=("$p usr/share/doc/$p/changelog.gz" "$p usr/share/doc/$p/copyright"); done
diff <(printf '%s\n' "${expected[@]}" | sort) \
     <(for p in "${packages[@]}"; do
           dpkg-deb --fsys-tarfile build/"$p"_*.deb | tar -t | grep -v '/$' | sed "s|^\./|$p |"
       done | sort) || fail "the packages hold other files than these"

snapshot() { "${sudo[@]}" find /etc /usr /var/lib /opt /srv -xdev 2>/dev/null |
             grep -Ev '^/var/lib/(dpkg|apt)(/|$)' | sort; }
purge 2>/dev/null || true # left by an earlier run, if any
snapshot >"$work/before"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q "${debs[@]/#/./}" >/dev/null
unit=/lib/systemd/system/ksv-results-service.service
systemd-analyze verify "$unit"

# The service as its unit starts it, with the installed settings, as an unprivileged user.
(set -a; . /etc/default/ksv-results-service; eval "printf '%s\n' $(sed -n 's/^ExecStart=//p' "$unit")") \
    >"$work/command"
mapfile -t command <"$work/command"
"${sudo[@]}" setpriv --reuid=nobody --regid=nogroup --clear-groups --no-new-privs -- "${command[@]}" \
    >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
for _ in $(seq 100); do grep -q WSDL "$work/service.out" && break; sleep 0.1; done
grep -q WSDL "$work/service.out" || fail "the service did not start: $(cat "$work/service.err")"

# The viewer from its menu entry: the window comes up with its versioned title.
desktop=/usr/share/applications/$id.desktop
desktop-file-validate "$desktop"
program=$(command -v "$(sed -n 's/^Exec=//p' "$desktop")") || fail "Exec does not resolve"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "Icon does not resolve"
version=$(dpkg-query -W -f='${Version}' ksv2003)
title="$(sed -n 's/^Name=//p' "$desktop") ${version%.*}"
xvfb-run -a sh -c '"$1" & timeout 60 xdotool search --sync --onlyvisible --name "^$2\$" >/dev/null; found=$?
                   kill $! 2>/dev/null; exit $found' sh "$program" "$title" || fail "no window \"$title\""
for page in KSV2003 ksv-results-service ksv-report; do man -w "$page" >/dev/null || fail "man $page does not resolve"; done
"${sudo[@]}" kill "$service_pid"
wait "$service_pid" || true
service_pid=
[ "$("${sudo[@]}" stat -c %a /etc/ksv-results-service/reporters.tsv)" = 600 ] || fail "reporters.tsv is not root's alone"

# A live night with the installed programs, as an unprivileged user: a reporter's report is
# stored, audited and answered.
live=$work/live
chmod 755 "$work"
mkdir "$live"
new=$(/usr/bin/ksv-results-service --new-token=Prov --counties='*' --role=reporter)
sed -n 1p <<<"$new" >"$live/token"
sed -n 2p <<<"$new" >"$live/reporters.tsv"
chmod 600 "$live/token"
"${sudo[@]}" chown nobody "$live" "$live/reporters.tsv"
"${sudo[@]}" setpriv --reuid=nobody --regid=nogroup --clear-groups --no-new-privs -- /usr/bin/ksv-results-service \
    --night=live --store="$live/night.sqlite" --reporters="$live/reporters.tsv" --port=0 --intake-port=0 \
    >"$work/live.out" 2>"$work/live.err" &
service_pid=$!
for _ in $(seq 100); do grep -q WSDL "$work/live.out" && break; sleep 0.1; done
intake=$(sed -n 's#^Rapporter: http://127.0.0.1:\([0-9]*\)/.*#\1#p' "$work/live.out")
[ -n "$intake" ] || fail "the live night did not start: $(cat "$work/live.err")"
/usr/bin/ksv-report --url="http://127.0.0.1:$intake" --token-file="$live/token" 0114/1=10,9,1,0 >/dev/null ||
    fail "ksv-report could not report"
"${sudo[@]}" kill "$service_pid"
wait "$service_pid" || true
service_pid=
"${sudo[@]}" /usr/bin/ksv-results-service --audit="$live/night.sqlite" | grep -q '^1,[^,]*,new,201,Prov,' ||
    fail "the report is not in the audit trail"

purge
snapshot >"$work/after"
left=$(comm -13 "$work/before" "$work/after")
[ -z "$left" ] || fail "left after purging: $left"
echo "check-packages: both packages built, installed, ran and were purged cleanly"
