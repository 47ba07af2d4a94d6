#!/usr/bin/env bash
# Builds the Debian package of the build into a scratch folder and checks it: the files it must
# carry, dependencies found by dpkg-shlibdeps, the shlibs and ldconfig trigger of libwsq.so.1,
# and no lintian errors.
# usage: check_package.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$1 scratch=$2
fail() { echo "check_package: $*" >&2; exit 1; }
rm -rf "$scratch" && mkdir -p "$scratch"

(cd "$build" && cpack -G DEB -B "$scratch/staging" -D CPACK_OUTPUT_FILE_PREFIX="$scratch" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb=$(find "$scratch" -maxdepth 1 -name 'wsqviewer_*.deb' -print -quit)
[ -n "$deb" ] || fail "no wsqviewer_*.deb in $scratch"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|')
libdir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for f in /usr/bin/wsqviewer /usr/bin/wsqconvert /usr/bin/synthprint \
         /usr/include/libwsq/wsq.h "$libdir/libwsq.so.1" "$libdir/libwsq.so.1.0.0" \
         "$libdir/libwsq.so" "$libdir/pkgconfig/wsq.pc" "$libdir/cmake/WSQ/WSQConfig.cmake" \
         /usr/lib/python3/dist-packages/libwsq/__init__.py \
         /usr/lib/python3/dist-packages/libwsq/pillow_plugin.py \
         /usr/share/man/man1/wsqviewer.1.gz /usr/share/man/man1/wsqconvert.1.gz \
         /usr/share/doc/wsqviewer/copyright /usr/share/doc/wsqviewer/changelog.Debian.gz \
         /usr/share/wsqviewer/sample.wsq; do
    grep -qxF "$f" <<<"$contents" || fail "the package lacks $f"
done
grep -q '^/usr/lib/python3/dist-packages/libwsq/_libwsq\..*\.so$' <<<"$contents" ||
    fail "the package lacks the Python extension"
# The desktop integration. The MIME database and gdk-pixbuf's loaders.cache are the system's:
# their packages' triggers rebuild them when ours adds a MIME package or a loader.
for f in /usr/share/applications/com.tarvelon.wsqviewer.desktop \
         /usr/share/metainfo/com.tarvelon.wsqviewer.metainfo.xml \
         /usr/share/mime/packages/wsqviewer-mime.xml /usr/share/thumbnailers/wsq.thumbnailer \
         /usr/share/icons/hicolor/scalable/apps/wsqviewer.svg \
         /usr/share/icons/hicolor/48x48/mimetypes/image-x-wsq.png \
         "$libdir/qt6/plugins/imageformats/libqwsq.so" "$libdir/qt5/plugins/imageformats/libqwsq.so" \
         "$libdir/gdk-pixbuf-2.0/2.10.0/loaders/libpixbufloader-wsq.so"; do
    grep -qxF "$f" <<<"$contents" || fail "the package lacks $f"
done
if grep -E '/mime/mime\.cache$|/loaders\.cache$' <<<"$contents"; then
    fail "the package carries a cache the system's triggers own"
fi

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libc6 libstdc++6 python3-numpy; do
    grep -qw "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./shlibs | grep -q '^libwsq 1 wsqviewer' ||
    fail "no shlibs entry for libwsq.so.1"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./triggers | grep -q 'activate-noawait ldconfig' ||
    fail "no ldconfig trigger"

lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$deb" ||
    fail "lintian reports errors"
echo "$(basename "$deb"): $(wc -l <<<"$contents") entries, lintian: no errors"
