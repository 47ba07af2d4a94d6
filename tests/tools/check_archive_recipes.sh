#!/bin/bash
# The archive recipes end to end: a 200-file tree converted in one run, in 4 shards by GNU
# parallel and by the Slurm array script (its task variables set by hand), gives the same outputs,
# and the merged shard logs name every input once. A run killed with SIGKILL halfway leaves a log
# of whole JSON lines and no partial output, and a rerun converts exactly the rest.
#   check_archive_recipes.sh WSQCONVERT SYNTHPRINT SOURCE_DIR
set -euo pipefail
wsqconvert=$1 synthprint=$2 source=$3
scripts=$source/scripts
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
export WSQCONVERT=$wsqconvert

fail() { echo "FAILED: $*" >&2; exit 1; }

for i in $(seq 1 200); do
    mkdir -p "in/d$((i % 4))"
    "$synthprint" --seed "$i" --width 96 --height $((90 + i % 7)) "in/d$((i % 4))/p$i.png"
done
find "$tmp/in" -type f -name '*.png' | sort > list
[ "$(wc -l < list)" -eq 200 ] || fail "the tree has $(wc -l < list) files"

"$wsqconvert" --files-from list --keep-tree --to wsq --log-json single.jsonl one > /dev/null
[ "$(find one -type f | wc -l)" -eq 200 ] || fail "one run wrote $(find one -type f | wc -l) files"

# GNU parallel, 4 shards on this machine.
LOGDIR=plogs "$scripts/wsqconvert-parallel.sh" -j 1 4 list par wsq > parallel.out
diff -r one par > /dev/null || fail "the parallel shards differ from the single run"
"$scripts/wsqconvert-merge-logs" --expect list --output merged.jsonl plogs/*.jsonl 2> merge.err ||
    fail "merging the parallel logs: $(cat merge.err)"
[ "$(wc -l < merged.jsonl)" -eq 200 ] || fail "the merged log has $(wc -l < merged.jsonl) lines"
[ "$(ls plogs | wc -l)" -eq 4 ] || fail "expected 4 shard logs, got: $(ls plogs)"

# The Slurm array script, each task by hand, over the list and over the directory.
for task in 1 2 3 4; do
    SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_COUNT=4 LOGDIR=slogs \
        bash "$scripts/wsqconvert-slurm.sh" list slurm wsq > /dev/null
    SLURM_ARRAY_TASK_ID=$((task - 1)) SLURM_ARRAY_TASK_MIN=0 SLURM_ARRAY_TASK_COUNT=4 \
        LOGDIR=dlogs bash "$scripts/wsqconvert-slurm.sh" "$tmp/in" slurmdir wsq > /dev/null
done
diff -r one slurm > /dev/null || fail "the Slurm shards differ from the single run"
"$scripts/wsqconvert-merge-logs" --expect list --output /dev/null slogs/*.jsonl 2> merge.err ||
    fail "merging the Slurm logs: $(cat merge.err)"
"$wsqconvert" --batch --recursive --keep-tree --to wsq in onedir > /dev/null
diff -r onedir slurmdir > /dev/null || fail "the Slurm shards of the directory differ"
"$scripts/wsqconvert-merge-logs" --expect list --output /dev/null dlogs/*.jsonl 2> merge.err ||
    fail "merging the Slurm directory logs: $(cat merge.err)"

# The merger notices an input converted by two shards, and one that no log has.
if "$scripts/wsqconvert-merge-logs" --output /dev/null single.jsonl plogs/*.jsonl 2> /dev/null; then
    fail "the merger took inputs that are in two logs"
fi
if "$scripts/wsqconvert-merge-logs" --expect list --output /dev/null plogs/shard-1-of-4.jsonl \
    2> /dev/null; then
    fail "the merger took a log that misses inputs"
fi

# Killed halfway: whole lines, whole outputs; the rerun converts exactly the rest.
"$wsqconvert" --files-from list --to pgm --jobs 1 --log-json killed.jsonl killed > /dev/null &
pid=$!
for _ in $(seq 1 2000); do
    [ -f killed.jsonl ] && [ "$(wc -l < killed.jsonl)" -ge 40 ] && break
    sleep 0.01
done
kill -KILL $pid
wait $pid 2> /dev/null || true
done_before=$(wc -l < killed.jsonl)
[ "$done_before" -lt 200 ] || fail "the run ended before it was killed"
/usr/bin/python3 - killed.jsonl killed <<'PY' || fail "the killed run's log or outputs"
import json, os, sys
log, outdir = sys.argv[1], sys.argv[2]
data = open(log, "rb").read()
assert data.endswith(b"\n"), "the log ends inside a line"
for line in data.splitlines():
    entry = json.loads(line)
    assert entry["status"] == "ok", entry
for name in os.listdir(outdir):
    if name.startswith(".wsqtmp-"):
        continue  # SIGKILL leaves the file being written under its temporary name only
    raw = open(os.path.join(outdir, name), "rb").read()
    header = raw.split(b"\n", 3)
    width, height = map(int, header[1].split())
    assert len(header[3]) == width * height, f"{name} is cut short"
PY
"$wsqconvert" --files-from list --to pgm --skip-existing --log-json killed.jsonl killed > rerun.out
converted=$(sed -n 's/^wsqconvert: \([0-9]*\) converted, \([0-9]*\) skipped, 0 failed.*/\1 \2/p' rerun.out)
[ -n "$converted" ] || fail "rerun: $(cat rerun.out)"
set -- $converted
[ $(($1 + $2)) -eq 200 ] || fail "the rerun converted $1 and skipped $2"
[ "$(find killed -name '*.pgm' | wc -l)" -eq 200 ] || fail "the rerun left outputs missing"
"$scripts/wsqconvert-merge-logs" --expect list --output /dev/null killed.jsonl 2> merge.err ||
    fail "the killed run's log after the rerun: $(cat merge.err)"
echo "archive recipes: parallel, Slurm, killed run and rerun all agree"
