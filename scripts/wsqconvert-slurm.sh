#!/bin/bash
# Converts an archive with a Slurm job array: each array task converts one shard of the inputs
# and writes its own JSON-lines log; together the tasks convert every input exactly once.
#
#   sbatch --array=1-16 wsqconvert-slurm.sh INPUT OUTDIR FORMAT [wsqconvert options...]
#
# INPUT is a file list (one path a line, as `find ARCHIVE -type f > list` writes it) or a
# directory, walked with --recursive. Outputs mirror the input tree (--keep-tree). Logs go to
# $LOGDIR (default OUTDIR-logs) as shard-I-of-N.jsonl. Resubmitting the same array resumes:
# finished outputs are skipped. $WSQCONVERT names the program (default: wsqconvert on PATH).
# Without Slurm, set SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT by hand for each task.
#SBATCH --job-name=wsqconvert
#SBATCH --cpus-per-task=2
#SBATCH --output=wsqconvert-%A_%a.out
set -euo pipefail

if [ $# -lt 3 ]; then
    echo "usage: sbatch --array=1-N $0 INPUT OUTDIR FORMAT [wsqconvert options...]" >&2
    exit 2
fi
: "${SLURM_ARRAY_TASK_ID:?run as a task of a job array (sbatch --array=1-N)}"
: "${SLURM_ARRAY_TASK_COUNT:?run as a task of a job array (sbatch --array=1-N)}"
input=$1 outdir=$2 format=$3
shift 3
# Arrays may start at 0 or 1; shards are numbered from 1.
shard=$((SLURM_ARRAY_TASK_ID - ${SLURM_ARRAY_TASK_MIN:-1} + 1))
count=$SLURM_ARRAY_TASK_COUNT
logdir=${LOGDIR:-${outdir%/}-logs}
mkdir -p "$logdir"
if [ -d "$input" ]; then
    source=(--batch --recursive "$input")
else
    source=(--files-from "$input")
fi
exec "${WSQCONVERT:-wsqconvert}" "${source[@]}" --keep-tree --to "$format" \
    --shard "$shard/$count" --skip-existing --jobs "${SLURM_CPUS_PER_TASK:-1}" \
    --log-json "$logdir/shard-$shard-of-$count.jsonl" "$@" "$outdir"
