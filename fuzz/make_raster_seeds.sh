#!/bin/sh
# Generates seed corpora for the tiff, png, jpeg and gif fuzzers from general image tools
# (ImageMagick, tiffcp, Pillow, gifbuild) and from our own writers:
#   fuzz/make_raster_seeds.sh <output directory> [raster_seed_writer binary]
# Makes <output>/tiff, <output>/png, <output>/jpeg and <output>/gif. Tools that are missing are
# passed over. Nothing here is committed: the corpora are made again wherever they are needed.
set -u
out=${1:?usage: make_raster_seeds.sh <output directory> [raster_seed_writer]}
writer=${2:-}
mkdir -p "$out/tiff" "$out/png" "$out/jpeg" "$out/gif" "$out/src"
src=$out/src
have() { command -v "$1" >/dev/null 2>&1; }

# Netpbm sources of exact pixels: grey, colour, alpha, 16 bits, a few colours.
printf 'P5\n7 5\n255\n' > "$src/grey.pgm"; head -c 35 /dev/urandom >> "$src/grey.pgm"
printf 'P5\n7 5\n65535\n' > "$src/grey16.pgm"; head -c 70 /dev/urandom >> "$src/grey16.pgm"
printf 'P6\n7 5\n255\n' > "$src/rgb.ppm"; head -c 105 /dev/urandom >> "$src/rgb.ppm"
printf 'P6\n7 5\n65535\n' > "$src/rgb16.ppm"; head -c 210 /dev/urandom >> "$src/rgb16.ppm"
printf 'P7\nWIDTH 7\nHEIGHT 5\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n' > "$src/rgba.pam"
head -c 140 /dev/urandom >> "$src/rgba.pam"
printf 'P7\nWIDTH 7\nHEIGHT 5\nDEPTH 2\nMAXVAL 255\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n' > "$src/ga.pam"
head -c 70 /dev/urandom >> "$src/ga.pam"

if have convert; then
    for s in grey grey16 rgb rgb16 rgba ga; do
        f=$(ls "$src/$s".p?m)
        convert "$f" "$out/tiff/im-$s.tif" 2>/dev/null
        convert "$f" "$out/png/im-$s.png" 2>/dev/null
        convert "$f" -interlace plane "$out/tiff/im-$s-planes.tif" 2>/dev/null
        convert "$f" -interlace png "$out/png/im-$s-adam7.png" 2>/dev/null
    done
    convert "$src/grey.pgm" -type bilevel "$out/tiff/im-bilevel.tif" 2>/dev/null
    convert "$src/grey.pgm" -type bilevel "$out/png/im-bilevel.png" 2>/dev/null
    convert "$src/rgb.ppm" -colors 5 -type palette "$out/tiff/im-palette.tif" 2>/dev/null
    convert "$src/rgb.ppm" -colors 5 -type palette "$out/png/im-palette.png" 2>/dev/null
    convert "$src/rgb.ppm" -orient BottomLeft "$out/tiff/im-bottomleft.tif" 2>/dev/null
    convert "$src/grey.pgm" -depth 2 PNG8:"$out/png/im-2bit.png" 2>/dev/null
    convert "$src/rgb.ppm" -quality 80 "$out/jpeg/im-rgb.jpg" 2>/dev/null
    convert "$src/grey.pgm" "$out/jpeg/im-grey.jpg" 2>/dev/null
    convert "$src/rgb.ppm" -interlace jpeg "$out/jpeg/im-progressive.jpg" 2>/dev/null
    convert "$src/rgb.ppm" -colorspace cmyk "$out/jpeg/im-cmyk.jpg" 2>/dev/null
    convert "$src/rgb.ppm" -colors 16 "$out/gif/im-16.gif" 2>/dev/null
    convert "$src/rgb.ppm" -interlace gif "$out/gif/im-interlaced.gif" 2>/dev/null
    convert "$src/grey.pgm" -type bilevel "$out/gif/im-2.gif" 2>/dev/null
fi
if have tiffcp; then
    for f in "$out"/tiff/im-rgb.tif "$out"/tiff/im-grey.tif "$out"/tiff/im-palette.tif; do
        [ -f "$f" ] || continue
        for c in lzw packbits zip; do
            tiffcp -c $c "$f" "${f%.tif}-$c.tif" 2>/dev/null
        done
        tiffcp -c lzw:2 -r 2 "$f" "${f%.tif}-lzw-pred-strips.tif" 2>/dev/null
    done
fi
python=""
for p in python3 /usr/bin/python3; do
    if $p -c 'import PIL.Image' 2>/dev/null; then python=$p; break; fi
done
if [ -n "$python" ]; then
    $python - "$out" <<'PY'
import sys
from PIL import Image
out = sys.argv[1]
img = Image.new("RGB", (9, 6))
img.putdata([((x * 40) % 256, (y * 50) % 256, (x * y * 9) % 256) for y in range(6) for x in range(9)])
p = img.quantize(4)
p.save(out + "/gif/pil-transparent.gif", transparency=2)
p.save(out + "/png/pil-trns.png", transparency=1)
img.convert("LA").save(out + "/png/pil-la.png")
img.save(out + "/jpeg/pil-progressive.jpg", progressive=True, quality=60)
img.convert("L").save(out + "/jpeg/pil-grey.jpg")
frames = [p, p.rotate(90)]
frames[0].save(out + "/gif/pil-animated.gif", save_all=True, append_images=frames[1:], interlace=True)
img.convert("RGBA").save(out + "/tiff/pil-rgba.tif")
img.convert("1").save(out + "/tiff/pil-1bit.tif")
PY
fi
if have gifbuild; then
    cat > "$src/small.txt" <<'TXT'
screen width 6
screen height 5
screen colors 4
screen background 1

screen map
	rgb 000 000 000
	rgb 255 000 000
	rgb 000 255 000
	rgb 000 000 255
end

graphics control
	transparent index 2
end

image # 1
image left 2
image top 1
image interlaced
image bits 3 by 3 hex
000102
030201
020202
TXT
    gifbuild < "$src/small.txt" > "$out/gif/gifbuild-small.gif" 2>/dev/null
fi
if [ -n "$writer" ] && [ -x "$writer" ]; then
    "$writer" "$src"
    mv "$src"/ours-*.tif "$out/tiff/" 2>/dev/null
    mv "$src"/ours-*.png "$out/png/" 2>/dev/null
    mv "$src"/ours-*.jpg "$out/jpeg/" 2>/dev/null
fi
rm -rf "$src"
for d in tiff png jpeg gif; do
    echo "$d: $(ls "$out/$d" | wc -l) seeds"
done
