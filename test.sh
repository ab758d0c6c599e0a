#!/usr/bin/env bash
# Sets up what is missing, builds the engine and every test for Windows, and runs them all under Wine with
# CTest. One virtual display and one Wine server serve the whole run and are stopped at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

tools/setup.sh
echo "[test] configuring and building (build/)" >&2
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build -j "$(nproc)"

source tools/display.sh
start_display virtual
trap stop_display EXIT

echo "[test] running the tests under Wine" >&2
status=0
(cd build && ctest --output-on-failure) || status=$?
exit $status
