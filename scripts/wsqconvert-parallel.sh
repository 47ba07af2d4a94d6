#!/bin/bash
# Converts an archive with GNU parallel, on this machine or across several (--sshlogin): N shards,
# each one wsqconvert process with its own JSON-lines log; together they convert every input
# exactly once. Every machine must see INPUT and OUTDIR under the same paths (shared storage).
#
#   wsqconvert-parallel.sh [-S SSHLOGINS] [-j JOBS] N INPUT OUTDIR FORMAT [wsqconvert options...]
#
# SSHLOGINS is parallel's --sshlogin list (e.g. 2/node1,2/node2,: for two jobs on each of two
# nodes and this machine); JOBS the files each process converts at once (default 1). INPUT is a
# file list or a directory (walked with --recursive); outputs mirror the input tree. Logs go to
# $LOGDIR (default OUTDIR-logs). Running it again resumes: finished outputs are skipped. The exit
# status is the number of shards that did not convert everything (0: all converted).
set -euo pipefail

logins=: jobs=1
while getopts "S:j:" option; do
    case $option in
        S) logins=$OPTARG ;;
        j) jobs=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
if [ $# -lt 4 ]; then
    echo "usage: $0 [-S SSHLOGINS] [-j JOBS] N INPUT OUTDIR FORMAT [wsqconvert options...]" >&2
    exit 2
fi
count=$1 input=$2 outdir=$3 format=$4
shift 4
logdir=${LOGDIR:-${outdir%/}-logs}
mkdir -p "$logdir"
if [ -d "$input" ]; then
    source=(--batch --recursive "$input")
else
    source=(--files-from "$input")
fi
seq 1 "$count" | parallel --sshlogin "$logins" --workdir . --line-buffer --halt never \
    "${WSQCONVERT:-wsqconvert}" "${source[@]@Q}" --keep-tree --to "${format@Q}" \
    --shard {}/"$count" --skip-existing --jobs "$jobs" \
    --log-json "${logdir@Q}/shard-{}-of-$count.jsonl" "${@@Q}" "${outdir@Q}"
