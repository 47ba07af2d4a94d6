#!/usr/bin/env bash
# `cmake --install` into an empty prefix holds the desktop integration, and every piece works
# from there: the data files pass their validators, the MIME database and the loaders.cache
# written at install name our type and loader, the thumbnailer entry's command writes a
# thumbnail, gdk-pixbuf-thumbnailer renders a stream through the installed loader, and the Qt
# plug-in tests pass with QT_PLUGIN_PATH at the installed plug-ins.
#   check_install.sh BUILD_DIR WORK_DIR CONFORMANCE_DIR SAME_PIXELS_PROGRAM QT_TEST...
set -euo pipefail
build=$1 work=$2 conformance=$3 same=$4
shift 4
rm -rf "$work" && mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install.log"

status=0
fail() { echo "FAIL: $*"; status=1; }
one() {  # the one installed file matching a path pattern under the prefix
    local found
    found=$(cd "$prefix" && find . -path "./$1" | sed 's|^\./||')
    [ "$(echo "$found" | grep -c .)" = 1 ] || { fail "expected one installed $1, found: ${found:-none}"; return 1; }
    echo "$prefix/$found"
}

desktop=$(one share/applications/com.tarvelon.wsqviewer.desktop)
metainfo=$(one share/metainfo/com.tarvelon.wsqviewer.metainfo.xml)
thumbnailer=$(one share/thumbnailers/wsq.thumbnailer)
one share/mime/packages/wsqviewer-mime.xml > /dev/null
one bin/wsqconvert > /dev/null
one bin/wsqviewer > /dev/null
one '*/qt6/plugins/imageformats/libqwsq.so' > /dev/null
loader=$(one '*/gdk-pixbuf-2.0/2.10.0/loaders/libpixbufloader-wsq.so')
cache=$(dirname "$(dirname "$loader")")/loaders.cache
for context_name in apps/wsqviewer mimetypes/image-x-wsq; do
    one "share/icons/hicolor/scalable/$context_name.svg" > /dev/null
    for size in 48 256; do
        png=$(one "share/icons/hicolor/${size}x$size/$context_name.png") || continue
        side=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
        [ "$side" = "${size}x$size" ] || fail "$png is $side"
    done
done
[ $status = 0 ] || exit 1

desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net --pedantic "$metainfo" > "$work/appstream.log" ||
    { cat "$work/appstream.log"; fail "appstreamcli validate $metainfo"; }
grep -q '^MimeType=.*image/x-wsq;' "$desktop" || fail "the desktop entry does not open image/x-wsq"

# The loaders.cache the install wrote lists the installed loader.
grep -q "\"$loader\"" "$cache" && grep -q '"image/x-wsq"' "$cache" ||
    fail "$cache does not list $loader for image/x-wsq"

export XDG_DATA_DIRS=$prefix/share:/usr/share XDG_DATA_HOME=$work/home
cp "$conformance/comment_plain_fp_417x300_s13_r0.75.wsq" "$work/print.bin"
type=$(gio info -a standard::content-type "$work/print.bin" | sed -n 's/^ *standard::content-type: //p')
[ "$type" = image/x-wsq ] || fail "the installed MIME database calls a WSQ stream $type"

# The thumbnailer entry's command line, as a file manager expands it.
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
command=${exec_line//%s/128}
command=${command//%i/$work/print.bin}
command=${command//%o/$work/entry-thumbnail.png}
PATH=$prefix/bin:$PATH $command || fail "the thumbnailer entry's command failed: $command"
side=$(od -An -tu1 -j16 -N8 "$work/entry-thumbnail.png" | awk '{print $3*256+$4 "x" $7*256+$8}')
[ "$side" = 128x92 ] || fail "the thumbnailer entry made a $side thumbnail, expected 128x92"

# gdk-pixbuf-thumbnailer through the installed loader and cache, at the picture's own size.
GDK_PIXBUF_MODULE_FILE=$cache gdk-pixbuf-thumbnailer -s 417 "$work/print.bin" "$work/gdk.png" ||
    fail "gdk-pixbuf-thumbnailer with the installed loader"
"$same" --same-pixels "$work/gdk.png" \
    "$conformance/comment_plain_fp_417x300_s13_r0.75.dec.png" || fail "gdk-pixbuf-thumbnailer pixels"

# The Qt plug-in tests against the installed plug-ins.
for test in "$@"; do
    qt=$(basename "$test" | sed -n 's/.*_qt\([0-9]\)_plugin$/\1/p')
    plugin=$(one "*/qt$qt/plugins/imageformats/libqwsq.so") || continue
    QT_PLUGIN_PATH=$(dirname "$(dirname "$plugin")") "$test" \
        --gtest_filter='*IsOffered*:*ConformanceStreams*' > "$work/qt$qt.log" 2>&1 ||
        { tail -20 "$work/qt$qt.log"; fail "$(basename "$test") with the installed plug-in"; }
done
[ $status = 0 ] && echo "the installed prefix holds the desktop integration, and it works"
exit $status
