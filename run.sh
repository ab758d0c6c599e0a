#!/usr/bin/env bash
# Sets up what is missing, builds the engine and plays the presentation under Wine: on the current display, or
# on a virtual one when there is none. Arguments go to engine.exe (`./run.sh --watch`, `./run.sh --help`).
# With --watch, files edited in data/ while it runs are copied beside engine.exe (build/bin/), where it reads
# and watches them. Exits with the program's exit code.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
caller=$PWD
cd "$root"

tools/setup.sh
echo "[run] configuring and building (build/)" >&2
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build -j "$(nproc)" --target engine engine_data

source tools/display.sh
start_display

# The engine reads its files from its own folder; the build copied data/ there. While it watches, every file of
# data/ that is newer than its copy is copied again, through a temporary name, so that the engine never sees
# half a file. Ten times a second, so an edit is on screen well within a second.
sync_pid=""
sync_data() {
    while sleep 0.1; do
        (cd data && find . -type f) | while IFS= read -r file; do
            if [ "data/$file" -nt "build/bin/$file" ]; then
                mkdir -p "$(dirname "build/bin/$file")"
                cp "data/$file" "build/bin/$file.sync" && mv -f "build/bin/$file.sync" "build/bin/$file"
            fi
        done
    done
}
stop() {
    if [ -n "$sync_pid" ]; then kill "$sync_pid" 2>/dev/null || true; wait "$sync_pid" 2>/dev/null || true; fi
    stop_display
}
trap stop EXIT
for arg in "$@"; do
    if [ "$arg" = --watch ]; then
        echo "[run] watching: edits of data/ reach the running presentation" >&2
        sync_data &
        sync_pid=$!
        break
    fi
done

# engine.exe runs in build/bin/: the files named with --choreography and --write-choreography are made absolute,
# so that they are the caller's. A switch or an empty argument where the file belongs is left for engine.exe to
# refuse as a missing file name.
args=()
file_follows=""
for arg in "$@"; do
    if [ -n "$file_follows" ]; then
        case "$arg" in /* | --* | "") ;; *) arg="$caller/$arg" ;; esac
        file_follows=""
    else
        case "$arg" in
            --choreography|--write-choreography) file_follows=1 ;;
            --choreography=?*|--write-choreography=?*)
                case "${arg#*=}" in /*) ;; *) arg="${arg%%=*}=$caller/${arg#*=}" ;; esac ;;
        esac
    fi
    args+=("$arg")
done

echo "[run] playing the presentation" >&2
status=0
(cd build/bin && "$root/tools/winerun" ./engine.exe "${args[@]}") || status=$?
exit $status
