#!/usr/bin/env bash
# Checks the Windows build as a Windows user would meet it, under Wine (Windows 10, 96 dpi) on a
# display of its own, in a Wine prefix of its own that it deletes at the end:
#   - the version resource and the nine icon images, read back from the installed program;
#   - a silent install (/S): the files, the Start-menu entry, the version in Add/Remove Programs;
#   - a start with no results service: the error box, then exit status 1;
#   - a start against the results service of build/ on the program's built-in address: the window
#     "Kestrova 2003 Viewer 1.0" with a 704 x 488 client area, fixed and centred, shown only after
#     the start-up call; then a county and Alt+V: the county call and the county's rows;
#   - a silent uninstall that leaves nothing of the program behind.
# Needs build-windows/ (scripts/windows/build.sh) and builds the service in build/. Prints the
# figures (start-up to first paint among them); screenshots and logs go to build-windows/wine-check/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/windows/common.sh"
fail() { echo "check-under-wine: $*" >&2; exit 1; }
cd "$root"

out=$root/build-windows
config=$out/generated/ksv_config.h
[ -f "$config" ] || fail "no Windows build in $out: run scripts/windows/build.sh first"
define() { sed -n "s/^#define $1 \"\\(.*\\)\"\$/\\1/p" "$config"; }
version=$(define KSV_VERSION)
title=$(define KSV_APP_TITLE)
credit=$(define KSV_AUTHOR_CREDIT | sed 's/\\\(.\)/\1/g')
wsdl_host=$(define KSV_WSDL_HOST)
setup=$out/KSV2003-$version-setup.exe
stage=$out/stage/KSV2003-$version
[ -f "$setup" ] || fail "no installer $setup: run scripts/windows/build.sh"
case "$wsdl_host" in
    localhost:*|127.0.0.1:*) port=${wsdl_host##*:} ;;
    localhost|127.0.0.1) port=80 ;;
    *) fail "the program asks $wsdl_host, but the check runs the service on this machine: build with -DKSV_WSDL_HOST=localhost:<port>" ;;
esac

if [ -z "${KSV_WINE_CHECK_DISPLAY:-}" ]; then
    scripts/install-deps.sh windows
    scripts/build.sh ksv-results-service >/dev/null
    exec env KSV_WINE_CHECK_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$0" "$@"
fi

started=$SECONDS
report=$out/wine-check
rm -rf "$report"
mkdir -p "$report"
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
# Wine would offer to download Mono and Gecko; the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
service_pid=
viewer_pid=
cleanup() {
    [ -z "$viewer_pid" ] || kill "$viewer_pid" 2>/dev/null || true
    [ -z "$service_pid" ] || kill "$service_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
step() { echo "  $(printf '%-44s' "$1") $(ksv_duration $((SECONDS - started)))"; }

# A Windows 10 prefix at 96 dpi whose programs run in one Wine desktop, which draws their frames as
# Windows does and takes the keys the display gets.
wineboot --init >"$report/wineboot.log" 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
wine winecfg -v win10 >/dev/null 2>&1
wineserver -w
# Windows keeps the fonts of its window frames in C:\Windows\Fonts; Debian's Wine leaves that
# folder empty, and draws the caption buttons as letters without Marlett.
cp /usr/share/wine/fonts/{marlett,tahoma,tahomabd}.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
step "Wine prefix ($(wine --version))"

for probe in windowprobe versionprobe; do
    "$KSV_MINGW_TRIPLE-gcc-posix" -municode -O2 -s -o "$work/$probe.exe" "tests/windows/$probe.c" \
        -lgdi32 -lversion
done
probe() { wine "$work/windowprobe.exe" "$@"; }
drive_c=$WINEPREFIX/drive_c
# Everything in C: but the temporary folders, which belong to Windows, not to a program.
snapshot() { (cd "$drive_c" && find . | grep -viE '^\./(windows/temp|users/[^/]+/temp|users/[^/]+/appdata/local/temp)(/|$)' | sort); }
snapshot >"$work/before"

# Install.
wine "$setup" /S || fail "the silent install ended with status $?"
program_files=$drive_c/Program\ Files/$title
exe="C:\\Program Files\\$title\\KSV2003.exe"
shortcut=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/$title.lnk
diff <( (cd "$stage" && find . -type f; echo ./Avinstallera.exe) | sort) \
     <(cd "$program_files" && find . -type f | sort) >"$report/installed.diff" ||
    fail "the installed files are not the staged ones: $(cat "$report/installed.diff")"
[ -f "$shortcut" ] || fail "no Start-menu entry $shortcut"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KSV2003'
for value in "DisplayName=$title" "DisplayVersion=$version"; do
    [[ $(wine reg query "$uninstall_key" /v "${value%%=*}") =~ REG_SZ\ +"${value#*=}"$'\r' ]] ||
        fail "Add/Remove Programs does not show ${value%%=*} \"${value#*=}\""
done
step "silent install"

# The version resource as Windows reads it, and the icon images the .exe carries.
[[ $("$KSV_MINGW_TRIPLE-objdump" -p "$program_files/KSV2003.exe") == *"(Windows GUI)"* ]] ||
    fail "KSV2003.exe is not a GUI program"
minor=$(sed -n 's/^#define KSV_VERSION_MINOR //p' "$config")
text_version=${version%%.*}.$(printf '%02d' "$minor")
fixed_version=$version.0
probe_from=$(date +%s%N)
wine "$work/versionprobe.exe" "$exe" | tr -d '\r' >"$report/version.txt"
wine_start_ms=$((($(date +%s%N) - probe_from) / 1000000)) # Wine's own share of a start, for scale
diff - "$report/version.txt" <<EOF || fail "the version resource differs from the above"
FileVersion $fixed_version
ProductVersion $fixed_version
FileOS 0x4
FileType 0x1
FileFlags 0x0
Translation 0409 04b0
Comments=$title är gjort av $credit
FileVersion=$text_version
InternalName=KSV2003
OriginalFilename=KSV2003.exe
ProductName=$title
ProductVersion=$text_version
EOF
mkdir -p "$work/icon/exe" "$work/icon/source"
wrestool -x --type=14 -o "$work/icon/group.ico" "$program_files/KSV2003.exe"
icotool -x -o "$work/icon/exe" "$work/icon/group.ico"
icotool -x -o "$work/icon/source" app/identity/icons/ksv2003.ico
images=$(icotool -l "$work/icon/group.ico" | sed -n 's/.*--width=\([0-9]*\) .*--bit-depth=\([0-9]*\) .*/\1x\2/p' | sort -t x -k1,1n -k2,2n | tr '\n' ' ')
[ "$images" = "16x4 16x8 16x32 32x4 32x8 32x32 48x4 48x8 48x32 " ] ||
    fail "the icon's images are $images, not 16, 32 and 48 pixels in 4, 8 and 32 bits"
(cd "$work/icon" && for f in source/*.png; do
     cmp -s "$f" "exe/group_${f#source/ksv2003_}" || fail "the .exe's image ${f#source/} differs from the icon's"
 done)
step "version resource and 9 icon images"

# No service: the box, captioned with the title, and exit status 1 once it is closed.
! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "port $port is taken; the check needs it free"
xdotool mousemove 512 384 # the display gives its keys to the window under the pointer: Wine's desktop
wine "$exe" & viewer_pid=$!
probe "$title" 60 >"$report/box.txt" || fail "no error box \"$title\" within 60 s"
import -window root "$report/box.png"
xdotool key Return
status=0
wait "$viewer_pid" || status=$?
viewer_pid=
[ "$status" -eq 1 ] || fail "with no service, the program ended with status $status, not 1"
step "failed start: the box, status 1"

# The service on the built-in address, then the program.
# A night two thirds counted, so that the rows show figures.
build/server/ksv-results-service --port "$port" --at 1200 >"$report/service.out" 2>"$report/service.log" &
service_pid=$!
for _ in $(seq 100); do grep -q WSDL "$report/service.out" && break; sleep 0.1; done
grep -q WSDL "$report/service.out" || fail "the results service did not start: $(cat "$report/service.log")"
calls() { grep -c " $1 200 " "$report/service.log" || true; }
probe "$title $((${version%%.*})).$minor" 60 >"$report/window.txt" & probe_pid=$!
sleep 1 # the probe is looking before the program starts
shown_from=$(date +%s%N)
wine "$exe" & viewer_pid=$!
wait "$probe_pid" || fail "no window \"$title ${version%%.*}.$minor\" within 60 s"
first_paint_ms=$((($(date +%s%N) - shown_from) / 1000000))
read -r _ client _ client_x client_y _ dpi _ sizable _ maximizebox _ offcentre _ x y w h <"$report/window.txt"
[ "$client $dpi" = "704x488 96" ] || fail "client area $client at $dpi dpi, not 704x488 at 96"
[ "$sizable $maximizebox" = "0 0" ] || fail "the window can be resized or maximised"
[ "$offcentre" -le 2 ] || fail "the window is $offcentre pixels off the centre"
[ "$(calls getCountryResultsValnatt)" -ge 1 ] || fail "the service logged no start-up call"
step "window shown, first paint after ${first_paint_ms} ms"

# A desktop screenshot, cut to the window.
shot() {
    import -window root "$work/root.png"
    convert "$work/root.png" -crop "${w}x$h+$x+$y" +repage "$1"
}
shot "$report/start.png"

# The focus is on the region list: Down twice passes the separator line to the first county, and
# Alt+V shows it.
xdotool key Down Down
sleep 0.5
xdotool key alt+v
for _ in $(seq 100); do [ "$(calls getCountyResultsValnatt)" -ge 1 ] && break; sleep 0.1; done
[ "$(calls getCountyResultsValnatt)" -ge 1 ] || fail "Alt+V made no county call"
# The rows: the table's first rows below its header, blank at start, now hold text. Per thousand
# of the part's pixels, how far they are from white on average.
ink() { convert "$1" -crop "600x60+$((client_x - x + 10))+$((client_y - y + 62))" -colorspace Gray -format '%[fx:int(1000*(1-mean))]' info:; }
blank=$(ink "$report/start.png")
for _ in $(seq 50); do
    shot "$report/county.png"
    [ "$(ink "$report/county.png")" -gt $((blank + 20)) ] && break
    sleep 0.2
done
[ "$(ink "$report/county.png")" -gt $((blank + 20)) ] || fail "no rows after the county call (see $report/county.png)"
step "Alt+V: county call and rows"

# Alt+F4 ends the program normally.
xdotool key alt+F4
status=0
wait "$viewer_pid" || status=$?
viewer_pid=
[ "$status" -eq 0 ] || fail "closed with Alt+F4, the program ended with status $status"

# Uninstall: it copies itself to a temporary folder and goes on from there, so wait for the folder.
wine "C:\\Program Files\\$title\\Avinstallera.exe" /S
for _ in $(seq 300); do [ -e "$program_files" ] || break; sleep 0.1; done
[ ! -e "$program_files" ] || fail "the uninstaller left $(cd "$program_files" && find . -type f | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstaller left $uninstall_key"
snapshot >"$work/after"
diff "$work/before" "$work/after" >"$report/uninstalled.diff" ||
    fail "after the uninstall C: differs from before the install: $(cat "$report/uninstalled.diff")"
step "silent uninstall"

echo "Wine check passed in $(ksv_duration $((SECONDS - started))); start-up to first paint ${first_paint_ms} ms" \
     "(a console program's whole run: ${wine_start_ms} ms), load average $(cut -d' ' -f1-3 /proc/loadavg);" \
     "screenshots in ${report#"$root"/}/"
