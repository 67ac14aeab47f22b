#!/usr/bin/env bash
# Cross-builds KSV2003.exe for 64-bit Windows into build-windows/ and makes its installer and a
# portable zip of the same files:
#   build-windows/KSV2003-<version>-setup.exe   (NSIS, Swedish)
#   build-windows/KSV2003-<version>-win64.zip
# Needs the Qt that scripts/windows/build-qt.sh builds once per machine. Options go to CMake when
# build-windows/ is configured, and stay in its cache as in build/, e.g.
#   scripts/windows/build.sh -DKSV_WSDL_HOST=valresultat.example.org
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/windows/common.sh"
fail() { echo "windows/build: $*" >&2; exit 1; }
cd "$root"
# The folder's path goes into the installer script, where these characters mean something.
case "$root" in *[\$\"\`]*) fail "the repository's path $root holds \$, \" or \`, which the installer script cannot take" ;; esac

[ -f "$KSV_QT_STAMP" ] ||
    fail "no Qt for Windows in $KSV_QT_PREFIX: run scripts/windows/build-qt.sh first (30 to 60 minutes, once)"
scripts/install-deps.sh windows

out=$root/build-windows
started=$SECONDS
host_cmake_dir=$(dirname "$(dpkg -L qt6-base-dev | grep -m1 '/cmake/Qt6HostInfo$')")
if [ ! -f "$out/CMakeCache.txt" ] || [ $# -gt 0 ]; then
    cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DKSV_QT_PREFIX="$KSV_QT_PREFIX" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
        -DBUILD_TESTING=OFF -DKSV_BENCH=OFF -DKSV_FOLDERS="soap;service;viewer;app" "$@"
fi
cmake --build "$out" --parallel "$(nproc)" --target KSV2003

config=$out/generated/ksv_config.h
define() { sed -n "s/^#define $1 \"\\(.*\\)\"\$/\\1/p" "$config"; }
version=$(define KSV_VERSION)
title=$(define KSV_APP_TITLE)
credit=$(define KSV_AUTHOR_CREDIT | sed 's/\\\(.\)/\1/g')
name=KSV2003-$version

# The folder the installer and the zip are made from: the program, every DLL it loads, and nothing
# else. Qt loads its platform plugin and TLS backend at run time, from beside the program.
stage=$out/stage/$name
rm -rf "$out/stage"
mkdir -p "$stage/platforms" "$stage/tls"
cp "$out/KSV2003.exe" "$stage/" # qt_standard_project_setup() puts Windows programs at the top
cp "$KSV_QT_PREFIX/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$KSV_QT_PREFIX/plugins/tls/qschannelbackend.dll" "$stage/tls/"

# The DLLs they import, and what those import in turn, from Qt's prefix and MinGW's runtime. A DLL
# found in neither must be Windows' own: one that Wine, too, provides, or the program would not start.
gxx=$KSV_MINGW_TRIPLE-g++-posix
search=("$KSV_QT_PREFIX/bin" "$(dirname "$("$gxx" -print-file-name=libstdc++-6.dll)")"
        "$(dirname "$("$gxx" -print-file-name=libwinpthread-1.dll)")")
wine_dlls=$(dirname "$(dpkg -L libwine | grep -m1 '/x86_64-windows/kernel32\.dll$')")
imports() { "$KSV_MINGW_TRIPLE-objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
pending=("$stage/KSV2003.exe" "$stage/platforms/qwindows.dll" "$stage/tls/qschannelbackend.dll")
while [ ${#pending[@]} -gt 0 ]; do
    file=${pending[0]}
    pending=("${pending[@]:1}")
    for dll in $(imports "$file"); do
        [ -e "$stage/$dll" ] && continue
        found=
        for dir in "${search[@]}"; do
            [ -f "$dir/$dll" ] && { found=$dir/$dll; break; }
        done
        if [ -n "$found" ]; then
            cp "$found" "$stage/"
            pending+=("$stage/$dll")
        elif [ ! -f "$wine_dlls/${dll,,}" ] && [[ ${dll,,} != api-ms-win-* ]]; then
            fail "$(basename "$file") needs $dll, which is neither in Qt's prefix, MinGW's runtime nor Windows"
        fi
    done
done
"$KSV_MINGW_TRIPLE-strip" --strip-unneeded "$stage/KSV2003.exe" "$stage"/*.dll "$stage"/*/*.dll

# Installer: the files go in and come out one by one, so the uninstaller removes what it installed
# and nothing else, whatever folder was chosen.
nsis=$out/nsis
rm -rf "$nsis"
mkdir -p "$nsis"
nsis_text() { local t=${1//\$/\$\$}; printf '%s' "${t//\"/\$\\\"}"; } # NSIS expands $; $\" is a quote
(
    cd "$stage"
    find . -mindepth 1 -type d | sort | while read -r dir; do
        echo "CreateDirectory \"\$INSTDIR\\$(nsis_text "${dir#./}" | tr / '\\')\""
    done
    find . -type f | sort | while read -r file; do
        echo "File \"/oname=\$INSTDIR\\$(nsis_text "${file#./}" | tr / '\\')\" \"$stage/${file#./}\""
    done
) >"$nsis/install.nsh"
(
    cd "$stage"
    find . -type f | sort | while read -r file; do
        echo "Delete \"\$INSTDIR\\$(nsis_text "${file#./}" | tr / '\\')\""
    done
    find . -mindepth 1 -type d | sort -r | while read -r dir; do
        echo "RMDir \"\$INSTDIR\\$(nsis_text "${dir#./}" | tr / '\\')\""
    done
) >"$nsis/uninstall.nsh"
size_kb=$(du -sk "$stage" | cut -f1)
setup=$out/$name-setup.exe
makensis -V2 -INPUTCHARSET UTF8 \
    "-DTITLE=$(nsis_text "$title")" "-DVERSION=$version" "-DPUBLISHER=$(nsis_text "${credit% (*}")" \
    "-DSIZE_KB=$size_kb" "-DICON=$root/app/identity/icons/ksv2003.ico" "-DFILES=$nsis" \
    "-DOUTFILE=$setup" "$root/packaging/windows/KSV2003.nsi" || fail "makensis failed"

zip_file=$out/$name-win64.zip
rm -f "$zip_file"
(cd "$out/stage" && zip -q -r -X "$zip_file" "$name")

echo "Windows build in $(ksv_duration $((SECONDS - started))):"
for f in "$setup" "$zip_file"; do
    printf '  %s  %s bytes\n' "${f#"$root"/}" "$(stat -c %s "$f")"
done
