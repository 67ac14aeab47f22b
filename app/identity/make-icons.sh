#!/usr/bin/env bash
# Regenerates the program's icons from ksv2003.svg: the PNGs for Linux desktops and the Qt resource,
# and the Windows .ico with nine images (48, 32 and 16 px, each in 4, 8 and 32 bits per pixel).
# The results are committed, so a build never needs these tools; run this after editing the drawing.
# Needs rsvg-convert (librsvg2-bin), convert (imagemagick) and icotool (icoutils).
# Usage: make-icons.sh [output folder]   (default: icons/ next to this script)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_svg=$here/ksv2003.svg
out=$(mkdir -p "${1:-$here/icons}" && cd "${1:-$here/icons}" && pwd)

for tool in rsvg-convert convert icotool; do
    command -v "$tool" >/dev/null || { echo "make-icons.sh: $tool saknas" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# At 16 px the smooth check mark blurs into a smudge; the drawing carries a stepped one for that size.
cat >"$work/16px.css" <<'CSS'
.large { display: none; }
.small { display: inline; }
CSS

# PNG chunks with dates would make every run differ from the committed files.
png_opts=(-strip -define png:exclude-chunks=date,time)

render() { # size output
    local style=()
    [ "$1" -le 16 ] && style=(--stylesheet "$work/16px.css")
    rsvg-convert "${style[@]}" --width "$1" --height "$1" --format png "$source_svg" --output "$work/raw.png"
    convert "$work/raw.png" "${png_opts[@]}" "PNG32:$2"
}

for size in 16 32 48 64 128 256; do
    render "$size" "$out/ksv2003-$size.png"
done

# Palette images: a hard 1-bit mask (all an icon's AND mask can say) and an undithered palette,
# which keeps the flat colours of the drawing clean at these sizes.
ico_inputs=()
for size in 48 32 16; do
    full=$out/ksv2003-$size.png
    for colours in 16 256; do
        convert "$full" -channel A -threshold 50% +channel -background black -alpha background \
            -dither None -colors "$colours" "${png_opts[@]}" "PNG32:$work/$size-$colours.png"
    done
    ico_inputs+=(--bit-depth=4 "$work/$size-16.png" --bit-depth=8 "$work/$size-256.png"
                 --bit-depth=32 "$full")
done
icotool --create --output="$out/ksv2003.ico" "${ico_inputs[@]}"

# icotool quietly picks another depth when a palette image has too many colours; insist on the nine.
expected="48x48x4 48x48x8 48x48x32 32x32x4 32x32x8 32x32x32 16x16x4 16x16x8 16x16x32"
actual=$(icotool --list "$out/ksv2003.ico" |
         sed -E 's/.*--width=([0-9]+) --height=([0-9]+) --bit-depth=([0-9]+).*/\1x\2x\3/' | tr '\n' ' ')
if [ "${actual% }" != "$expected" ]; then
    echo "make-icons.sh: ksv2003.ico har bilderna '$actual', väntade '$expected'" >&2
    exit 1
fi
echo "make-icons.sh: $out uppdaterad"
