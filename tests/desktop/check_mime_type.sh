#!/usr/bin/env bash
# With the MIME database compiled from our package (in SHARE_DIR/mime), gio and xdg-mime name
# image/x-wsq for a WSQ file by its name and, renamed, by its content; other data under the
# same names is not taken for WSQ by content.
#   check_mime_type.sh SHARE_DIR CONFORMANCE_DIR WORK_DIR
set -euo pipefail
share=$1 conformance=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
export XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$work/home
# xdg-mime asks the desktop's own tools; with none it falls back to the generic ones.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID

cp "$conformance/fp_416x416_s3_r0.75.wsq" "$work/print.wsq"
cp "$conformance/fp_416x416_s3_r0.75.wsq" "$work/print.bin"
cp "$conformance/fp_416x416_s3_r0.75.wsq" "$work/print"
printf '\xff\xd8\xff\xe0plainly not WSQ' > "$work/jpeg-start.bin"
head -c 1000 /dev/zero > "$work/zeros.bin"
printf '\xff\xa0' > "$work/soi-only.bin"

status=0
expect() {
    local file=$1 want=$2 got_gio got_xdg
    got_gio=$(gio info -a standard::content-type "$work/$file" | sed -n 's/^ *standard::content-type: //p')
    got_xdg=$(xdg-mime query filetype "$work/$file")
    for got in "$got_gio" "$got_xdg"; do
        if [ "$want" = "!image/x-wsq" ]; then
            [ "$got" != image/x-wsq ] || { echo "$file: taken for image/x-wsq"; status=1; }
        elif [ "$got" != "$want" ]; then
            echo "$file: gio says '$got_gio', xdg-mime says '$got_xdg', expected $want"
            status=1
            break
        fi
    done
}
expect print.wsq image/x-wsq
expect print.bin image/x-wsq
expect print image/x-wsq
expect jpeg-start.bin '!image/x-wsq'
expect zeros.bin '!image/x-wsq'
expect soi-only.bin '!image/x-wsq'
exit $status
