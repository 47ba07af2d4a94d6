#!/bin/sh
# Seeds for the toolkit_damage fuzzer: small GIF, BMP, JPEG and XBM files made by ImageMagick
# (GIFs with one frame, interlaced and with several; BMPs of 24, 8 and 4 bits, run-length
# coded, OS/2), each whole and cut short, and a GIF and an XBM written here by hand. Without
# ImageMagick only the hand-made ones are written.
# Usage: fuzz/make_toolkit_damage_seeds.sh <output directory>
set -u
out=${1:?usage: make_toolkit_damage_seeds.sh <output directory>}
mkdir -p "$out"

# One 8 x 8 frame with a 4-colour table: clear, two pixels, end.
printf 'GIF89a\010\000\010\000\201\000\000' > "$out/hand.gif"
printf '\000\000\000\377\377\377\377\000\000\000\377\000' >> "$out/hand.gif"
printf ',\000\000\000\000\010\000\010\000\000\002\002\214\012\000;' >> "$out/hand.gif"
printf '#define t_width 9\n#define t_height 2\nstatic char t_bits[] = {\n  0x12, 0x34, 0xff, 0x01 };\n' \
    > "$out/hand.xbm"

command -v convert >/dev/null 2>&1 || exit 0
src=$out/source.ppm
{
    printf 'P6\n23 9\n255\n'
    i=0
    while [ "$i" -lt 621 ]; do
        printf "\\$(printf %03o $(( (i * 97 + i / 23 * 13) % 256 )))"
        i=$((i + 1))
    done
} > "$src"
convert "$src" "$out/im.gif"
convert "$src" -interlace GIF "$out/im-interlaced.gif"
convert "$src" \( +clone -negate \) -set delay 10 "$out/im-frames.gif"
convert "$src" "$out/im-24.bmp"
convert "$src" -colors 200 -type Palette "$out/im-8.bmp"
convert "$src" -colors 200 -type Palette -compress RLE "$out/im-rle8.bmp"
convert "$src" -colors 16 -type Palette -compress RLE "$out/im-rle4.bmp"
convert "$src" "BMP2:$out/im-os2.bmp"
convert "$src" "$out/im.jpg"
convert "$src" -interlace JPEG "$out/im-progressive.jpg"
convert "$src" -monochrome "$out/im.xbm"
rm -f "$src"
for f in "$out"/im*; do
    size=$(wc -c < "$f")
    head -c $((size * 2 / 3)) "$f" > "$f.cut"
done
exit 0
