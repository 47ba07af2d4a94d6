#!/bin/sh
# Builds a seed corpus for the wsq_decode fuzzer in the directory given: the hand-built seeds,
# the regression inputs and the conformance streams (which are never committed here).
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
conformance="$root/../shared/conformance"
if [ -d "$conformance" ]; then
    cp "$conformance"/*.wsq "$corpus"/
else
    echo "no conformance streams at $conformance; corpus has the hand-built seeds only" >&2
fi
