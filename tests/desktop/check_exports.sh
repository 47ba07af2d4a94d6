#!/usr/bin/env bash
# The plug-ins export their entry points and nothing of ours: no symbol of the codec, the file
# helpers or the handler classes reaches a host program's symbol table. With `strict`, nothing
# at all but the entry points (an unoptimised build also exports the weak copies of the standard
# library's and Qt's templates it instantiates, which every program shares alike).
#   check_exports.sh strict|ours PLUGIN ENTRY_POINT_PATTERN [PLUGIN ENTRY_POINT_PATTERN...]
set -euo pipefail
mode=$1
shift
status=0
while [ $# -ge 2 ]; do
    plugin=$1 entries=$2
    shift 2
    symbols=$(nm -D --defined-only "$plugin" | awk '{print $3}' |
              grep -Ev '^(_edata|_end|__bss_start|_init|_fini)$' || true)
    ours=$(echo "$symbols" | c++filt | grep -E 'wsq::|fileio::|imagefile::|WsqHandler|WsqPlugin|document::' || true)
    if [ -n "$ours" ]; then
        echo "$plugin exports symbols of ours:"; echo "$ours" | head -20; status=1
    fi
    echo "$symbols" | grep -Eq "^($entries)$" || { echo "$plugin lacks its entry points ($entries)"; status=1; }
    if [ "$mode" = strict ]; then
        others=$(echo "$symbols" | grep -Ev "^($entries)$" || true)
        [ -z "$others" ] || { echo "$plugin exports more than its entry points:"; echo "$others" | head -20; status=1; }
    fi
done
exit $status
