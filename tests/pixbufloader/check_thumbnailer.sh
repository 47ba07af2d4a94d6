#!/usr/bin/env bash
# gdk-pixbuf-thumbnailer, with a loaders.cache that gdk-pixbuf-query-loaders writes for the
# built loader alone, renders every conformance stream to its reference decode (asked for its
# own size, so nothing is scaled).
#   check_thumbnailer.sh QUERY_LOADERS LOADER_DIR CONFORMANCE_DIR WORK_DIR SAME_PIXELS_PROGRAM
set -euo pipefail
query=$1 loaders=$2 conformance=$3 work=$4 same=$5
rm -rf "$work" && mkdir -p "$work"
GDK_PIXBUF_MODULEDIR=$loaders "$query" > "$work/loaders.cache"
grep -q '"image/x-wsq"' "$work/loaders.cache" || { echo "the cache does not list image/x-wsq"; exit 1; }
export GDK_PIXBUF_MODULE_FILE=$work/loaders.cache

# The larger side of a PNG, from its header.
png_side() {
    local w h
    w=$(od -An -tu1 -j16 -N4 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
    h=$(od -An -tu1 -j20 -N4 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
    echo $(( w > h ? w : h ))
}

count=0
for stream in "$conformance"/*.wsq; do
    reference=${stream%.wsq}.dec.png
    out=$work/$(basename "${stream%.wsq}").png
    gdk-pixbuf-thumbnailer -s "$(png_side "$reference")" "$stream" "$out"
    "$same" --same-pixels "$out" "$reference"
    count=$((count + 1))
done
[ "$count" -ge 5 ] || { echo "only $count conformance streams"; exit 1; }
echo "gdk-pixbuf-thumbnailer rendered $count streams to their reference decodes"
