#!/usr/bin/env bash
# Builds the codec, the C API and the C API thread test with ThreadSanitizer, then runs the test:
# any data race between threads fails it.
# usage: check_threads_tsan.sh SOURCE_DIR BUILD_DIR CLANGXX
set -euo pipefail
src=$1 build=$2 clangxx=$3
cmake -S "$src/tests/capi/tsan" -B "$build" -DCMAKE_BUILD_TYPE=None \
      -DCMAKE_CXX_COMPILER="$clangxx" -DWSQ_SOURCE_DIR="$src" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "$build/capi_threads_tsan"
