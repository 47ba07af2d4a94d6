#!/bin/sh
# Builds a seed corpus for the wsq_decode fuzzer in the directory given: the hand-built seeds,
# the regression inputs and the conformance streams of tests/data/conformance.
# Usage: scripts/make_wsq_decode_corpus.sh <build dir> <corpus dir>
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
corpus=$2
mkdir -p "$corpus"
"$build/fuzz/make_wsq_decode_seeds" "$corpus"
for d in "$root/fuzz/seeds/wsq_decode" "$root/tests/fuzz-regress/wsq_decode"; do
    [ -d "$d" ] && cp "$d"/* "$corpus"/ 2>/dev/null || true
done
cp "$root/tests/data/conformance"/*.wsq "$corpus"/
