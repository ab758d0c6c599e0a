#!/usr/bin/env bash
# Configures the native sanitizer build (default build-asan/) once: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer on every target, and the libFuzzer targets. Used by ./test.sh and run.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-asan}
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "[asan] configuring $build (clang, ASan, UBSan, libFuzzer)" >&2
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DENGINE_SANITIZE=ON -DENGINE_FUZZ=ON >/dev/null
fi
