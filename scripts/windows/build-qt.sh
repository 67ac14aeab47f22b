#!/usr/bin/env bash
# Builds what KSV2003.exe needs of Qt 6.4.2 for 64-bit Windows (Core, Gui, Widgets, Network, Xml,
# the windows platform plugin and styles, Schannel for TLS; shared, release) and expat, with
# Debian's MinGW-w64, from Debian's source packages. Installs both into one prefix outside the
# repository, by default ~/.cache/ksv/qt-6.4.2-mingw64 (KSV_QT_PREFIX overrides it), once per
# machine: a later run finds the prefix complete and stops. An interrupted run goes on where it
# stopped. It takes 30 to 60 minutes on two cores; it runs niced (KSV_NICE, default 15) on all
# cores (KSV_JOBS). Its log is in <prefix>.work/build-qt.log while it runs.
#
# The sources come through a private apt source list in the work folder; the machine's apt
# configuration is neither read for sources nor changed. KSV_DEBIAN_MIRROR picks another Debian
# mirror (default http://deb.debian.org).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/windows/common.sh"
fail() { echo "build-qt: $*" >&2; exit 1; }

if [ -f "$KSV_QT_STAMP" ]; then
    echo "Qt $KSV_QT_VERSION for Windows is in $KSV_QT_PREFIX: $(head -n1 "$KSV_QT_STAMP")"
    echo "(remove that folder to build it again)"
    exit 0
fi

"$root/scripts/install-deps.sh" windows

upstream() { local v=${1#*:}; echo "${v%%[+-]*}"; }
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev)
[ "$(upstream "$host_qt")" = "$KSV_QT_VERSION" ] ||
    fail "the host's Qt is $host_qt, but its tools can build only for the same version: Qt $KSV_QT_VERSION (Debian 12)"
host_cmake_dir=$(dirname "$(dpkg -L qt6-base-dev | grep -m1 '/cmake/Qt6HostInfo$')")

work=$KSV_QT_PREFIX.work
log=$work/build-qt.log
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=${KSV_JOBS:-$(nproc)}
niced=(nice -n "${KSV_NICE:-15}")
mkdir -p "$work/src" "$work/build"
# A prefix without its stamp is what an interrupted install left.
rm -rf "$KSV_QT_PREFIX"
echo "Building Qt $KSV_QT_VERSION and expat for Windows into $KSV_QT_PREFIX; log: $log"
echo "=== $(date -Is) build-qt.sh" >"$log" # this run only, so its first error is the one shown

started=$SECONDS
step_started=$SECONDS
step() {
    local now=$SECONDS
    [ -z "${step_name:-}" ] || echo "  $step_name: $(ksv_duration $((now - step_started)))" | tee -a "$log"
    step_name=$1 step_started=$now
    echo "=== $(date -Is) $step_name" >>"$log"
}

# Sources: a private apt state in the work folder.
step "sources"
apt_dir=$work/apt
mirror=${KSV_DEBIAN_MIRROR:-http://deb.debian.org}
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts"
cat >"$apt_dir/sources.list" <<EOF
deb-src [signed-by=$keyring] $mirror/debian bookworm main
deb-src [signed-by=$keyring] $mirror/debian bookworm-updates main
deb-src [signed-by=$keyring] $mirror/debian-security bookworm-security main
EOF
apt=(-q -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
     -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
     -o "APT::Sandbox::User=$(id -un)")
apt-get "${apt[@]}" update >>"$log" 2>&1 || fail "apt-get update with the private source list failed (see $log)"

# Fetches the newest source of a package (of the given upstream version, if any) that the
# archive actually serves (an index may name a version before the mirror holds its files), and
# unpacks it with Debian's patches into src/<package>. Prints the version.
fetch_source() {
    local package=$1 want=${2:-} v
    for v in $(apt-cache "${apt[@]}" showsrc "$package" | sed -n 's/^Version: //p' | sort -rVu); do
        [ -z "$want" ] || [ "$(upstream "$v")" = "$want" ] || continue
        if [ -f "$work/src/$package.version" ] && [ "$(cat "$work/src/$package.version")" = "$v" ]; then
            echo "$v"; return # unpacked by an earlier run
        fi
        if (cd "$work/src" && apt-get "${apt[@]}" source --download-only "$package=$v") >>"$log" 2>&1; then
            rm -rf "${work:?}/src/$package"
            dpkg-source -x "$work/src/${package}_${v#*:}.dsc" "$work/src/$package" >>"$log" 2>&1 ||
                fail "unpacking $package $v failed (see $log)"
            echo "$v" >"$work/src/$package.version"
            echo "$v"; return
        fi
        echo "  $package $v is listed but could not be fetched; trying an older one" | tee -a "$log" >&2
    done
    fail "Debian's archive has no source of $package ${want:+$want }that could be fetched (see $log)"
}
qt_source=$(fetch_source qt6-base "$KSV_QT_VERSION")
expat_source=$(fetch_source expat)
echo "  qt6-base $qt_source, expat $expat_source" | tee -a "$log"

step "expat"
expat_dir=$work/src/expat
[ -f "$expat_dir/CMakeLists.txt" ] || expat_dir=$expat_dir/expat # the release tree is one level down
# Debian's security fixes test "XML_DTD == 1", as its autotools build defines it; expat's CMake
# build defines it empty, which does not compile.
sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$expat_dir/expat_config.h.cmake"
"${niced[@]}" cmake -S "$expat_dir" -B "$work/build/expat" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$KSV_QT_PREFIX" -DEXPAT_SHARED_LIBS=ON \
    -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
    >>"$log" 2>&1 || fail "configuring expat failed (see $log)"
"${niced[@]}" cmake --build "$work/build/expat" --parallel "$jobs" >>"$log" 2>&1 ||
    fail "building expat failed (see $log)"

step "Qt configure"
# Only what the viewer uses. Two switches are needed by Debian's source rather than chosen: its
# repack leaves out wintab.h, which tablet input includes; and the windows platform plugin does
# not build without OpenGL, so OpenGL stays (desktop and software, picked at run time).
"${niced[@]}" cmake -S "$work/src/qt6-base" -B "$work/build/qt" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_INSTALL_PREFIX="$KSV_QT_PREFIX" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_pkg_config=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_testlib=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF \
    -DFEATURE_icu=OFF -DFEATURE_glib=OFF -DFEATURE_libproxy=OFF \
    -DFEATURE_system_zlib=ON -DFEATURE_openssl=OFF -DFEATURE_schannel=ON -DFEATURE_ssl=ON \
    >>"$log" 2>&1 || fail "configuring Qt failed (see $log)"

step "Qt build"
"${niced[@]}" cmake --build "$work/build/qt" --parallel "$jobs" >>"$log" 2>&1 ||
    fail "building Qt failed (first error: $(grep -m1 -E 'error:|FAILED:' "$log" || echo none); see $log)"

step "install"
cmake --install "$work/build/expat" >>"$log" 2>&1 || fail "installing expat failed (see $log)"
cmake --install "$work/build/qt" >>"$log" 2>&1 || fail "installing Qt failed (see $log)"
step ""

took=$((SECONDS - started))
{
    echo "built $(date -Is) in $(ksv_duration "$took") from qt6-base $qt_source and expat $expat_source"
    echo "compiler: $("$KSV_MINGW_TRIPLE-g++-posix" --version | head -n1)"
    echo "host: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $jobs jobs"
} >"$KSV_QT_STAMP"
cp "$log" "$KSV_QT_PREFIX/build-qt.log"
rm -rf "$work"
echo "Qt $KSV_QT_VERSION for Windows built in $(ksv_duration "$took"): $KSV_QT_PREFIX"
