#!/usr/bin/env bash
# Sets up what is missing, builds the engine and plays the presentation under Wine: on the current display, or
# on a virtual one when there is none. Exits with the program's exit code.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

tools/setup.sh
echo "[run] configuring and building (build/)" >&2
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build -j "$(nproc)" --target engine engine_data

source tools/display.sh
start_display
trap stop_display EXIT

echo "[run] playing the presentation" >&2
status=0
(cd build/bin && "$root/tools/winerun" ./engine.exe) || status=$?
exit $status
