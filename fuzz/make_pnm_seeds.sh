#!/bin/sh
# Seeds for the pnm fuzzer: small PGM, PPM and PBM files, plain (ASCII) and raw, 8 and 16 bits,
# with comments in the header, and one cut short. Made here byte by byte, so the corpus is the
# same everywhere and needs no image tool.
# Usage: fuzz/make_pnm_seeds.sh <output directory>
set -eu
out=${1:?usage: make_pnm_seeds.sh <output directory>}
mkdir -p "$out"

# n bytes of a ramp that steps by 37: every value differs from its neighbours.
ramp() {
    i=0
    while [ "$i" -lt "$1" ]; do
        printf "\\$(printf %03o $(( (i * 37 + 11) % 256 )))"
        i=$((i + 1))
    done
}

{ printf 'P5\n7 5\n255\n'; ramp 35; } > "$out/grey.pgm"
{ printf 'P5\n# a comment\n7 5\n# another\n65535\n'; ramp 70; } > "$out/grey16.pgm"
{ printf 'P6\n5 4\n255\n'; ramp 60; } > "$out/rgb.ppm"
{ printf 'P6\n3 2 65535\n'; ramp 36; } > "$out/rgb16.ppm"
{ printf 'P4\n9 3\n'; ramp 6; } > "$out/bits.pbm"
printf 'P2\n4 3\n15\n0 1 2 3\n4 5 6 7\n8 9 10 15\n' > "$out/plain.pgm"
printf 'P3\n# plain\n2 2\n255\n255 0 0  0 255 0\n0 0 255  255 255 255\n' > "$out/plain.ppm"
printf 'P1\n5 3\n1 0 1 0 1\n0 1 0 1 0\n11111\n' > "$out/plain.pbm"
{ printf 'P5\n7 5\n255\n'; ramp 20; } > "$out/cut.pgm"
