#!/usr/bin/env bash
# Soak: plays the presentation over and over through engine-capture.exe (fixed step, small picture, no images)
# for a long stretch of presentation time, samples the process's memory once per presentation second, and
# fails when memory grows steadily (tools/soak/analyse_memory.py says how that is decided). Writes the samples
# (memory.csv), the per-frame timings (frames.csv), the summary and a chart (memory.png) into the output folder.
# It builds nothing: engine-capture.exe and the data must already be in the bin folder.
#
# Usage: tools/soak/soak.sh [--quick] [--minutes M] [--fps N] [--size WxH] [--bin DIR] [--out DIR]
#   default: 10 minutes of presentation time at 2 frames per second (1,200 frames), 320x180, build/bin,
#   build/soak (CTest runs 30 minutes, about a minute of wall time on a virtual display). --quick: 3 minutes,
#   judged after one minute with every limit 16 times looser, for a slow machine: a run that short cannot tell a
#   late one-off allocation (a step of 5 MB was seen at 170 s) from growth, so it only catches gross leaks such
#   as a render target per frame.
#   A frame's work does not depend on the step, and a 320 x 180 frame takes some 20 to 100 ms here, so more
#   frames per second mostly cost wall time.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
minutes=10
fps=2
size=320x180
bin="$root/build/bin"
out=""
judging=()
while [ $# -gt 0 ]; do
    case "$1" in
        --quick) minutes=3; judging=(--warmup 60 --tolerance 16) ;;
        --minutes) minutes=$2; shift ;;
        --fps) fps=$2; shift ;;
        --size) size=$2; shift ;;
        --bin) bin=$2; shift ;;
        --out) out=$2; shift ;;
        -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "soak: unknown argument '$1' (see --help)" >&2; exit 64 ;;
    esac
    shift
done
[ -n "$out" ] || out="$(dirname "$bin")/soak"
[ -f "$bin/engine-capture.exe" ] || { echo "soak: $bin/engine-capture.exe is missing (build it first)" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
seconds=$((minutes * 60))

echo "[soak] $seconds s of presentation time at $fps frames per second, $size, in $bin" >&2
start=$(date +%s)
status=0
(cd "$bin" && "$root/tools/winerun" ./engine-capture.exe --size "$size" --fps "$fps" --until "$seconds" --loop \
    --memory "$out/memory.csv" --stats "$out/frames.csv") >"$out/capture.log" 2>&1 || status=$?
end=$(date +%s)
echo "[soak] engine-capture.exe exit code $status after $((end - start)) s wall time" >&2
if [ $status -ne 0 ]; then
    tail -n 20 "$out/capture.log" >&2
    exit 1
fi
python3 "$root/tools/soak/analyse_memory.py" "$out/memory.csv" "${judging[@]}" --chart "$out/memory.png" --summary "$out/summary.txt"
