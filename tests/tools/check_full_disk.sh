#!/bin/bash
# Faults under load: 2,000 inputs, a tenth of them damaged, converted with two jobs onto a small
# tmpfs that fills up halfway. The run finishes, its log accounts for every input (the damaged
# ones and those the full disk refused as failed), no partial or temporary file is left, every
# output there is whole, and a rerun after the disk was made larger converts exactly the rest.
# The tmpfs is mounted in a private mount namespace (unshare), so nothing outlives the test.
#   check_full_disk.sh WSQCONVERT SYNTHPRINT
set -euo pipefail
wsqconvert=$1 synthprint=$2

if [ "${1:-}" != "--inside" ]; then
    for how in "unshare --mount" "unshare --user --map-root-user --mount"; do
        if $how true 2> /dev/null; then
            exec $how bash "$0" --inside "$@"
        fi
    done
    echo "SKIPPED: no private mount namespace for a tmpfs here" >&2
    exit 77
fi
shift
wsqconvert=$1 synthprint=$2
tmp=$(mktemp -d)
trap 'umount "$tmp/out" 2> /dev/null || true; rm -rf "$tmp"' EXIT
cd "$tmp"
fail() { echo "FAILED: $*" >&2; exit 1; }

mkdir -p in out
for i in $(seq 1 40); do
    "$synthprint" --seed "$i" --width 128 --height 120 "in/p$i.png"
done
for i in $(seq 41 2000); do cp "in/p$((i % 40 + 1)).png" "in/p$i.png"; done
# Every tenth input damaged: a WSQ stream cut in half, or a PNG cut inside its pixel data.
"$wsqconvert" in/p1.png whole.wsq > /dev/null 2>&1
size=$(stat -c %s whole.wsq)
png=$(stat -c %s in/p1.png)
for i in $(seq 10 10 2000); do
    rm "in/p$i.png"
    if [ $((i % 20)) -eq 0 ]; then
        head -c $((size / 2)) whole.wsq > "in/p$i.wsq"
    else
        head -c $((png * 2 / 3)) in/p1.png > "in/p$i.png"
    fi
done
find "$tmp/in" -type f | sort > list
[ "$(wc -l < list)" -eq 2000 ] || fail "made $(wc -l < list) inputs"

# Room for about half of the outputs (tmpfs gives each file at least one 4 KiB page).
mount -t tmpfs -o size=4m tmpfs out
status=0
"$wsqconvert" --files-from list --to wsq --jobs 2 --log-json first.jsonl out > first.out 2> first.err ||
    status=$?
[ $status -eq 1 ] || fail "the first run exited with $status"

/usr/bin/python3 - first.jsonl out <<'PY' || fail "the first run's log or outputs"
import hashlib, json, os, sys
log, outdir = sys.argv[1], sys.argv[2]
entries = [json.loads(line) for line in open(log)]
inputs = [e["input"] for e in entries]
assert len(inputs) == 2000 and len(set(inputs)) == 2000, f"{len(inputs)} lines, {len(set(inputs))} inputs"
damaged = [e for e in entries if "/p" in e["input"] and int(e["input"].rsplit("/p", 1)[1].split(".")[0]) % 10 == 0]
assert all(e["status"] == "failed" for e in damaged), [e for e in damaged if e["status"] != "failed"][:2]
full = [e for e in entries if e["status"] == "failed" and e not in damaged]
ok = [e for e in entries if e["status"] == "ok"]
assert len(ok) > 300 and len(full) > 300, f"{len(ok)} converted, {len(full)} refused by the full disk"
for e in full:
    assert e["error"].startswith(e["output"] + ": "), e
names = set(os.listdir(outdir))
leftovers = [n for n in names if not n.endswith(".wsq")]
assert not leftovers, f"temporary files left: {leftovers[:3]}"
assert names == {os.path.basename(e["output"]) for e in ok}, "outputs and log disagree"
for e in ok:
    data = open(e["output"], "rb").read()
    assert hashlib.sha256(data).hexdigest() == e["sha256"], e["output"]
print(len(ok), len(full), file=open("counts", "w"))
PY
read -r converted refused < counts
# Every output on the disk decodes whole.
find "$tmp/out" -name '*.wsq' | sort > outputs
"$wsqconvert" --files-from outputs --to pgm --jobs 2 check > /dev/null 2>&1 ||
    fail "an output on the full disk does not decode"

# More room: the rerun converts exactly the outputs the full disk refused.
mount -o remount,size=64m "$tmp/out"
status=0
"$wsqconvert" --files-from list --to wsq --jobs 2 --skip-existing --log-json second.jsonl out \
    > second.out 2> second.err || status=$?
[ $status -eq 1 ] || fail "the rerun exited with $status (the damaged inputs still fail)"
grep -q "^wsqconvert: $refused converted, $converted skipped, 200 failed" second.out ||
    fail "rerun: $(cat second.out); expected $refused converted, $converted skipped, 200 failed"
[ "$(find out -name '*.wsq' | wc -l)" -eq 1800 ] || fail "not every whole input has its output"
[ "$(find out -name '.wsqtmp-*' | wc -l)" -eq 0 ] || fail "temporary files left after the rerun"
echo "full disk: $converted converted, $refused refused by the full disk, all converted on the rerun"
