#!/usr/bin/env bash
# Installs the build into an empty prefix and uses it the way others will: a C program built
# with pkg-config and a CMake project built with find_package(WSQ), both against the prefix
# alone, decode and encode the conformance streams to the reference pixels and bytes; the
# Python module imports from the prefix; the man pages and documents are there.
# usage: check_install.sh SOURCE_DIR BUILD_DIR SCRATCH_DIR VERSION
set -euo pipefail
src=$1 build=$2 scratch=$3 version=$4
python=/usr/bin/python3
conformance=$src/tests/data/conformance
rm -rf "$scratch" && mkdir -p "$scratch"
prefix=$scratch/prefix
fail() { echo "check_install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

libdir=$(dirname "$(find "$prefix" -name 'libwsq.so.1' -print -quit)")
[ -n "$libdir" ] && [ "$libdir" != . ] || fail "no libwsq.so.1 under the prefix"
for f in bin/wsqviewer bin/wsqconvert bin/synthprint include/libwsq/wsq.h \
         share/man/man1/wsqviewer.1.gz share/man/man1/wsqconvert.1.gz \
         share/doc/wsqviewer/README.md share/doc/wsqviewer/LICENSE; do
    [ -e "$prefix/$f" ] || fail "missing $f"
done
for f in libwsq.so libwsq.so.1 pkgconfig/wsq.pc cmake/WSQ/WSQConfig.cmake \
         cmake/WSQ/WSQConfigVersion.cmake; do
    [ -e "$libdir/$f" ] || fail "missing ${libdir#"$prefix"/}/$f"
done
[ "$(readlink "$libdir/libwsq.so")" = libwsq.so.1 ] || fail "libwsq.so does not link to libwsq.so.1"

# The library exports its C API and nothing else.
exports=$(nm -D --defined-only "$libdir/libwsq.so.1" | awk '$2 == "T" || $2 == "D" || $2 == "B" {print $3}' |
          sed 's/@.*//' | sort | tr '\n' ' ')
expected="wsq_decode wsq_encode wsq_facts_free wsq_free wsq_image_free wsq_read_facts wsq_version wsq_version_number "
[ "$exports" = "$expected" ] || fail "libwsq.so.1 exports: $exports"
readelf -d "$libdir/libwsq.so.1" | grep -q 'SONAME.*\[libwsq.so.1\]' || fail "soname is not libwsq.so.1"

# Every option of wsqconvert's help is in its man page.
# (The page is read once: grep -q leaving a pipe early would fail the pipe under pipefail.)
man_text=$(zcat "$prefix/share/man/man1/wsqconvert.1.gz" | sed 's/\\-/-/g')
for option in $("$prefix/bin/wsqconvert" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$option" <<<"$man_text" || fail "wsqconvert.1 does not mention $option"
done

# The reference pictures as binary PGM, for the C consumers.
"$python" - "$conformance" "$scratch" <<'PY'
import sys
from pathlib import Path
from PIL import Image
src, out = Path(sys.argv[1]), Path(sys.argv[2])
for png in src.glob("*.png"):
    Image.open(png).convert("L").save(out / (png.stem + ".pgm"))
PY

run_consumer() {  # NAME BINARY
    local name=$1 consumer=$2 ok=0
    # stream source rate ppi; the comment case is checked by the C API tests.
    while read -r stream source rate ppi; do
        local base=${stream%.wsq}
        LD_LIBRARY_PATH=$libdir "$consumer" decode "$conformance/$stream" \
            "$scratch/$name-$base.pgm" >/dev/null || fail "$name: cannot decode $stream"
        cmp -s "$scratch/$name-$base.pgm" "$scratch/$base.dec.pgm" ||
            fail "$name: $stream does not decode to the reference pixels"
        LD_LIBRARY_PATH=$libdir "$consumer" encode "$scratch/${source%.png}.pgm" "$rate" "$ppi" \
            "$scratch/$name-$base.wsq" || fail "$name: cannot encode $source"
        cmp -s "$scratch/$name-$base.wsq" "$conformance/$stream" ||
            fail "$name: $source does not encode to the bytes of $stream"
        ok=$((ok + 1))
    done <<'CASES'
fp_416x416_s3_r0.75.wsq fp_416x416_s3.png 0.75 500
fp_101x81_s14_r2.25.wsq fp_101x81_s14.png 2.25 500
checker8_256x256_r1.0.wsq checker8_256x256.png 1.0 500
flat_256x256_128_r0.75.wsq flat_256x256_128.png 0.75 500
CASES
    echo "$name: $ok streams decoded and encoded as the references"
}

# C99 through pkg-config, against the prefix only.
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion wsq)" = "$version" ] ||
    fail "wsq.pc gives version $(pkg-config --modversion wsq)"
# shellcheck disable=SC2046
cc -std=c99 -pedantic -Wall -Wextra -Werror -o "$scratch/consumer-pkgconfig" \
    "$src/tests/install/consumer.c" $(pkg-config --cflags --libs wsq)
run_consumer pkg-config "$scratch/consumer-pkgconfig"

# CMake's find_package(WSQ).
cmake -S "$src/tests/install/cmake_consumer" -B "$scratch/cmake-consumer" \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/cmake-consumer" >/dev/null
run_consumer find_package "$scratch/cmake-consumer/consumer"

# The Python module from the prefix, not from the build tree.
pydir=$(find "$prefix" -type d -name dist-packages -print -quit)
if [ -n "$pydir" ]; then
    PYTHONPATH=$pydir LD_LIBRARY_PATH=$libdir PYTHONDONTWRITEBYTECODE=1 "$python" - "$conformance" <<'PY'
import sys
from pathlib import Path
import libwsq
assert "/prefix/" in libwsq.__file__, libwsq.__file__
pixels, facts = libwsq.decode(Path(sys.argv[1]) / "fp_101x81_s14_r2.25.wsq")
assert pixels.shape == (81, 101) and facts["ppi"] == 500, (pixels.shape, facts)
print("python: libwsq", libwsq.__version__, "imports from", Path(libwsq.__file__).parent)
PY
fi
