#!/usr/bin/env bash
# Every C++ file changed since the commit in cmake/format-baseline (the working tree's changes
# and new files included) is laid out as .clang-format says. Files nobody has touched since
# keep their layout until they are next changed.
# Usage: check_format.sh <source dir>
set -euo pipefail
cd "$1"
command -v clang-format >/dev/null || { echo "clang-format is not installed"; exit 1; }
baseline=$(cat cmake/format-baseline)
if git rev-parse --git-dir >/dev/null 2>&1 && git cat-file -e "$baseline^{commit}" 2>/dev/null; then
    changed=$( { git diff --name-only --diff-filter=d "$baseline" --;
                 git ls-files --others --exclude-standard; } | sort -u)
elif git rev-parse --git-dir >/dev/null 2>&1; then
    echo "the baseline commit is not in this clone's history: checking uncommitted changes only"
    changed=$( { git diff --name-only --diff-filter=d HEAD --;
                 git ls-files --others --exclude-standard; } | sort -u)
else
    echo "not a git checkout: nothing to compare with"
    exit 0
fi
files=$(printf '%s\n' "$changed" | grep -E '\.(cpp|cc|h)$' || true)
[ -n "$files" ] || { echo "no C++ file changed"; exit 0; }
status=0
for f in $files; do
    [ -f "$f" ] || continue
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || { echo "not formatted: $f"; status=1; }
done
[ $status -eq 0 ] && echo "$(printf '%s\n' $files | wc -l) changed files formatted"
[ $status -eq 0 ] || echo "run: clang-format -i <file> (or make format)"
exit $status
