#!/usr/bin/env bash
# Sets up what is missing, checks the formatting (tools/format.sh), the layout picture (docs/layout.md) and the
# links of README.md and docs/ (tools/docs_check.py), builds the engine, every test for Windows and the release
# archive, and runs the tests under Wine with CTest; then builds the portable code natively with sanitizers,
# fuzzes it briefly and runs its tests. The Wine run draws on the virtual display of the project's
# virtual-display prefix, which stops by itself once nothing uses it (tools/display.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

tools/setup.sh
# The sources' one formatting, the picture of the folders and the pages' links: all are told at once, and the
# tests still run.
status=0
echo "[test] checking the formatting, the layout picture and the pages' links" >&2
tools/format.sh --check || status=1
python3 tools/layout_graph.py --check || status=1
python3 tools/docs_check.py || status=1
echo "[test] configuring and building (build/)" >&2
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build -j "$(nproc)"
# The release archive, which a test unpacks and runs as a user would.
echo "[test] making the release archive" >&2
cmake --build build --target package

source tools/display.sh
start_display virtual
trap stop_display EXIT

echo "[test] running the tests under Wine" >&2
(cd build && ctest --output-on-failure) || status=$?

# The portable code once more, natively with AddressSanitizer and UndefinedBehaviorSanitizer: a few seconds of
# fuzzing per file reader, then its tests and the replay of the fuzz corpus and regressions (docs/reliability.md).
native() {
    tools/fuzz/configure.sh "$root/build-asan" || return 1
    echo "[test] building the sanitizer build (build-asan/)" >&2
    if ! cmake --build build-asan -j 2 >build-asan/build.log 2>&1; then
        tail -n 60 build-asan/build.log >&2
        return 1
    fi
    echo "[test] fuzzing each file reader for a few seconds" >&2
    local fuzzed=0
    tools/fuzz/run.sh all 8 || fuzzed=$?
    echo "[test] running the portable tests natively under the sanitizers" >&2
    (cd build-asan && ctest --output-on-failure) || return 1
    return $fuzzed
}
native || status=1
exit $status
