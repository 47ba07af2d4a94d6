#!/usr/bin/env bash
# The repository is self-contained: a clone in a folder with nothing beside it configures, and
# nothing the configured build compiles, runs or reads lies outside the source or build tree.
# Usage: check_self_contained.sh <source dir> <build dir> <scratch dir>
set -euo pipefail
source_dir=$(cd "$1" && pwd -P)
build_dir=$(cd "$2" && pwd -P)
scratch=$3

# Every absolute path in the build's generated files (compile lines, test commands, cache)
# that leaves both trees. System folders (compilers, libraries, Qt) are where they are.
check_build() {
    local src=$1 build=$2 found
    found=$( { cat "$build/compile_commands.json"; find "$build" -name CTestTestfile.cmake -exec cat {} +; } |
        grep -oP '(?:^|(?<=[\s"'"'"'=:;,(])|(?<=-I)|(?<=-L))/[A-Za-z0-9_.@+/-]+' |
        grep -vE '^/(usr|lib|lib64|bin|sbin|etc|opt|proc|dev|tmp/ccache)(/|$)' |
        grep -vE "^($src|$build)(/|$)" | sort -u || true)
    # "<source>/.." climbs out of the tree whatever follows.
    found+=$'\n'$(grep -ohE "$src/\.\./[^\" ]*" "$build/compile_commands.json" \
        $(find "$build" -name CTestTestfile.cmake) 2>/dev/null | sort -u || true)
    found=$(printf '%s\n' "$found" | sed '/^$/d' | while read -r p; do
        # Programs the build found on the PATH (an interpreter, a tool) are the machine's.
        [ "$(command -v "$(basename "$p")" 2>/dev/null)" = "$p" ] || echo "$p"; done)
    if [ -n "$found" ]; then
        echo "configured paths outside $src and $build:"
        printf '  %s\n' "$found"
        return 1
    fi
}

status=0
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
    rm -rf "$scratch"
    mkdir -p "$scratch/empty"
    clone="$scratch/empty/wsqviewer"
    git clone -q --no-hardlinks "$source_dir" "$clone"
    # The working tree's changes travel too, so the check sees what is about to be committed.
    (cd "$source_dir" && git diff HEAD --binary) | (cd "$clone" && git apply --allow-empty -q)
    (cd "$source_dir" && git ls-files --others --exclude-standard -z) |
        (cd "$source_dir" && xargs -0 -r cp --parents -t "$clone")
    ls -A "$scratch/empty" | grep -qvx wsqviewer && { echo "scratch folder not empty"; exit 1; }
    cmake -S "$clone" -B "$clone/build" -DWSQ_BUILD_BENCH=OFF >"$scratch/configure.log" 2>&1 ||
        { cat "$scratch/configure.log"; exit 1; }
    check_build "$clone" "$clone/build" || status=1
    [ -d "$clone/tests/data/conformance" ] || { echo "no conformance data in the clone"; status=1; }
else
    echo "not a git checkout: no clone made"
fi
check_build "$source_dir" "$build_dir" || status=1
# Nothing tracked names the folder beside the checkout that the developers read.
if grep -rnI --exclude-dir=.git --exclude-dir=build -e '\.\./shared' \
        "$source_dir/CMakeLists.txt" "$source_dir/Makefile" "$source_dir/cmake" \
        "$source_dir/scripts" "$source_dir/tests" "$source_dir/fuzz" "$source_dir/bench" \
        "$source_dir/.ci" | grep -v check_self_contained.sh; then
    echo "files above refer to a folder outside the checkout"
    status=1
fi
[ $status -eq 0 ] && echo "self-contained: the clone configures and every configured path stays inside it"
exit $status
