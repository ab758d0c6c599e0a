#!/usr/bin/env bash
# Builds the engine and its benchmark tools for Windows and runs every benchmark under Wine on a virtual
# display: the event manager, the choreography's file reading and evaluation, the peak memory of a capture of the
# presentation and of a million-key file, the engine at full speed beside the minimal baseline renderer
# (throughput and start-up), and generated worlds of 10 to 5,000 actors. Writes
# bench/results.csv and bench/REPORT.md with bench/chart.png. Timings are reported, never judged here; a part
# whose program is missing (engine-capture.exe) is named and skipped.
#
# ./bench.sh [--quick]   --quick: the presentation sampled once a second, and 3 pairs of 30-frame runs per
# scale world.
# Environment: BENCH_SECONDS (58), BENCH_FPS (4), BENCH_THROUGHPUT_PAIRS (3, --quick 1: engine and baseline runs
# of the presentation, alternating), BENCH_SCALE_FRAMES (40), BENCH_SCALE_PAIRS (5: engine and baseline runs per
# scale world, alternating), BENCH_SCALE_COUNTS ("10 100 1000 5000"), BENCH_CALLS_ACTORS (1000: the world whose
# Direct3D calls are counted), BENCH_BUILD_DIR (build).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

# Throughput runs cover BENCH_SECONDS of presentation on a fixed step of 1/BENCH_FPS s. A frame's work does not
# depend on the step, so a coarse step samples the whole camera path in a few hundred frames; software
# rendering under Wine manages a few frames per second at best, so every frame at 60 steps a second would take
# hours.
seconds=${BENCH_SECONDS:-58}
fps=${BENCH_FPS:-4}
# Scale runs: frames from the start of the presentation at 60 steps a second. A frame's submission time moves by
# a factor of ten on a shared machine (whether Wine's rendering thread or a neighbour's build has the cores), so
# a run's figure is the median of many frames.
scale_frames=${BENCH_SCALE_FRAMES:-40}
scale_pairs=${BENCH_SCALE_PAIRS:-5}
# Throughput runs of the two programs, in turn: the rendering thread's share of two cores moves a whole run's
# frame time by a tenth from one run to the next, so one run of each is not enough to compare them.
throughput_pairs=${BENCH_THROUGHPUT_PAIRS:-3}
quick=""
case "${1:-}" in
    --quick) quick=1; fps=${BENCH_FPS:-1}; scale_frames=${BENCH_SCALE_FRAMES:-30}; scale_pairs=${BENCH_SCALE_PAIRS:-3}
             throughput_pairs=${BENCH_THROUGHPUT_PAIRS:-1} ;;
    "") ;;
    *) echo "usage: ./bench.sh [--quick]" >&2; exit 64 ;;
esac
scale_counts=${BENCH_SCALE_COUNTS:-10 100 1000 5000}
calls_actors=${BENCH_CALLS_ACTORS:-1000}
build=${BENCH_BUILD_DIR:-build}
say() { printf '[bench] %s\n' "$*" >&2; }
bench_start=$(date +%s)

tools/setup.sh
say "configuring and building ($build/)"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$build" -j 2

# A caller's own Wine prefix is kept, so that benchmarks can run beside other Wine users.
source tools/display.sh
start_display virtual "${WINEPREFIX:-}"
work=$root/$build/bench
trap 'stop_display' EXIT

raw=$work/raw
rm -rf "$work"
mkdir -p "$raw" bench
winerun() { "$root/tools/winerun" "$@"; }
# Frame k shows presentation time k / fps, and a run ends after the frame at its last time.
frames=$(python3 -c "print(max(2, round($seconds * $fps) + 1))")
capture_until=$(python3 -c "print(($frames - 0.5) / $fps)")
scale_until=$(python3 -c "print(($scale_frames - 0.5) / 60)")
{
    echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "machine=$(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)"
    echo "wine=$(/usr/lib/wine/wine64 --version 2>/dev/null || echo Wine)"
    echo "commit=$(git rev-parse --short HEAD)$(git diff --quiet HEAD -- 2>/dev/null || echo ' with local changes')"
    echo "seconds=$seconds"
    echo "frames=$frames"
    echo "scale_frames=$scale_frames"
    echo "scale_pairs=$scale_pairs"
    echo "throughput_pairs=$throughput_pairs"
    echo "scale_counts=$scale_counts"
    echo "calls_actors=$calls_actors"
    echo "load=$(cut -d' ' -f1-3 /proc/loadavg)"
    echo "fps=$fps"
    echo "raw=$build/bench/raw"
} > "$raw/settings.txt"

# A scratch copy of the program's folder that runs at full speed at 1280 x 720, whatever the shipped options say.
make_run_folder() { # folder
    mkdir -p "$1"
    # The data and the four programs; the test programs stay behind.
    (cd "$build/bin" && tar cf - --exclude='*.exe' .) | (cd "$1" && tar xf -)
    local program
    for program in engine.exe engine-capture.exe baseline.exe scale_world.exe; do
        if [ -f "$build/bin/$program" ]; then cp "$build/bin/$program" "$1/"; fi
    done
    python3 - "$1/EngineOptions.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
path = sys.argv[1]
tree = ET.parse(path)
graphics = tree.getroot().find("Graphics")
if graphics is None:
    graphics = ET.SubElement(tree.getroot(), "Graphics")
graphics.set("width", "1280")
graphics.set("height", "720")
graphics.set("runfullspeed", "yes")
graphics.set("fullscreen", "no")
tree.write(path, encoding="utf-8", xml_declaration=True)
PY
}

# engine-capture.exe runs with --size 1280x720 so that its picture, like the baseline's, is 1280 x 720: the
# options file's size is the whole window's, borders included, and the picture would be a little smaller.
have_capture=1
if [ ! -f "$build/bin/engine-capture.exe" ]; then
    have_capture=0
    say "engine-capture.exe does not exist yet: the engine's throughput, start-up split and scale runs are skipped"
fi

say "event manager"
(cd "$build/bin" && winerun ./event_bench.exe) | tee "$raw/event_bench.txt" >&2
say "choreography: files of 10,000 and 1,000,000 keys, and the evaluation per frame"
(cd "$build/bin" && winerun ./choreography_bench.exe) | tee "$raw/choreography_bench.txt" >&2
say "choreography: a file of a million keys edited in the timeline's document"
(cd "$build/bin" && winerun ./choreography_edit_bench.exe write million-keys.xml &&
    winerun ./choreography_edit_bench.exe edit million-keys.xml; rm -f million-keys.xml*) |
    tee "$raw/choreography_edit_bench.txt" >&2
python3 tools/bench/capture_memory.py --bin "$build/bin" --raw "$raw" >&2 || say "the capture's memory failed"
say "choreography: an edit replayed to 55 s in the running presentation, beside a seek there"
(cd "$build/bin" && winerun ./edit_replay_bench.exe) | tee "$raw/edit_replay_bench.txt" >&2
say "live tools: the timeline panel open at 800 x 600 and fly mode, beside neither, at one moment"
(cd "$build/bin" && winerun ./live_tools_frame_bench.exe && winerun ./live_tools_frame_bench.exe many-keys) |
    tee "$raw/live_tools_frame_bench.txt" >&2
say "key selection: 10,000 keys over 100 tracks stretched in one edit"
(cd "$build/bin" && winerun ./key_selection_bench.exe) | tee "$raw/key_selection_bench.txt" >&2

run=$work/run
make_run_folder "$run"
# Pair P writes engine-frames-P.csv, engine-startup-P.csv, engine-capture-P.txt, baseline-P.csv and
# baseline-frames-P.csv; the report compares each pair and shows the one with the median ratio.
for pair in $(seq 1 "$throughput_pairs"); do
    if [ $have_capture = 1 ]; then
        # The ratios come from runs without the device timer, as the baseline runs; a run with the timer on (a
        # query and a flush after each pass) after the pairs gives the timer's own cost.
        say "engine: $frames frames through engine-capture.exe, pair $pair of $throughput_pairs"
        (cd "$run" && winerun ./engine-capture.exe --size 1280x720 --fps "$fps" --until "$capture_until" \
            --stats engine-frames.csv --no-device-timer) \
            > "$raw/engine-capture-$pair.txt" 2>&1 || say "engine-capture.exe failed (see $raw/engine-capture-$pair.txt)"
        if [ -f "$run/engine-frames.csv" ]; then mv "$run/engine-frames.csv" "$raw/engine-frames-$pair.csv"; fi
        if [ -f "$run/startup.csv" ]; then mv "$run/startup.csv" "$raw/engine-startup-$pair.csv"; fi
    fi
    say "baseline: $frames frames, pair $pair of $throughput_pairs"
    (cd "$run" && winerun ./baseline.exe --frames "$frames" --fps "$fps" --csv baseline.csv --stats baseline-frames.csv) >&2
    mv "$run/baseline.csv" "$raw/baseline-$pair.csv"
    mv "$run/baseline-frames.csv" "$raw/baseline-frames-$pair.csv"
done
if [ $have_capture = 1 ]; then
    say "engine: $frames frames with the device timer on"
    (cd "$run" && winerun ./engine-capture.exe --size 1280x720 --fps "$fps" --until "$capture_until" \
        --stats engine-frames-timer.csv) > "$raw/engine-capture-timer.txt" 2>&1 || say "engine-capture.exe failed"
    if [ -f "$run/engine-frames-timer.csv" ]; then mv "$run/engine-frames-timer.csv" "$raw/"; fi
fi

# Launch to exit of a one-frame run, best of three, for both programs: start-up as a user sees it.
wall_ms() { # command...
    local best="" start end
    for _ in 1 2 3; do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || return 1
        end=$(date +%s%N)
        local ms=$(( (end - start) / 1000000 ))
        if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    done
    echo "$best"
}
say "one-frame runs (start-up seen from outside)"
{
    echo "program,wall_ms"
    echo "baseline,$(cd "$run" && wall_ms winerun ./baseline.exe --frames 1 || echo)"
    if [ $have_capture = 1 ]; then
        echo "engine,$(cd "$run" && wall_ms winerun ./engine-capture.exe --size 1280x720 --fps "$fps" --until 0.001 || echo)"
    fi
} > "$raw/one-frame.csv"

# Each world's runs alternate, engine then baseline, scale_pairs times: a neighbour's build that slows one run
# slows its partner as much, and the report takes the median of the pairs' ratios with their spread.
for n in $scale_counts; do
    folder=$work/scale-$n
    make_run_folder "$folder"
    (cd "$folder" && winerun ./scale_world.exe . "$n") >&2
    echo "load_scale_$n=$(cut -d' ' -f1-3 /proc/loadavg)" >> "$raw/settings.txt"
    for pair in $(seq 1 "$scale_pairs"); do
        if [ $have_capture = 1 ]; then
            say "scale world of $n actors, pair $pair of $scale_pairs: engine, $scale_frames frames"
            (cd "$folder" && winerun ./engine-capture.exe --size 1280x720 --fps 60 --until "$scale_until" --stats ef.csv \
                --no-device-timer) \
                > "$raw/scale-$n-engine-$pair.txt" 2>&1 || say "engine-capture.exe failed on $n actors"
            if [ -f "$folder/ef.csv" ]; then mv "$folder/ef.csv" "$raw/scale-$n-engine-frames-$pair.csv"; fi
        fi
        say "scale world of $n actors, pair $pair of $scale_pairs: baseline, $scale_frames frames"
        (cd "$folder" && winerun ./baseline.exe --frames "$scale_frames" --fps 60 --csv b.csv --stats bf.csv) >&2
        mv "$folder/b.csv" "$raw/scale-$n-baseline-$pair.csv"
        mv "$folder/bf.csv" "$raw/scale-$n-baseline-frames-$pair.csv"
    done
    # The engine's submission split into its parts, in a run of its own so that the part timer stays out of
    # the pairs' figures.
    if [ $have_capture = 1 ]; then
        say "scale world of $n actors: the engine's submission by part, $scale_frames frames"
        (cd "$folder" && winerun ./engine-capture.exe --size 1280x720 --fps 60 --until "$scale_until" \
            --submission sp.csv) > "$raw/scale-$n-submission.txt" 2>&1 || say "engine-capture.exe failed on $n actors"
        if [ -f "$folder/sp.csv" ]; then mv "$folder/sp.csv" "$raw/scale-$n-submission.csv"; fi
    fi
    rm -rf "$folder"
done

# Direct3D calls per frame by kind, counted from Wine's trace of every call (a figure the machine's load does
# not disturb): a few frames of both programs in one scale world.
folder=$work/calls
make_run_folder "$folder"
(cd "$folder" && winerun ./scale_world.exe . "$calls_actors") >&2
say "Direct3D calls per frame, $calls_actors actors"
(cd "$folder" && WINEDEBUG=trace+d3d11,trace+dxgi winerun ./baseline.exe --frames 6 --fps 60 2> baseline-trace.txt >/dev/null) || true
python3 tools/bench/d3d_calls.py "$folder/baseline-trace.txt" > "$raw/calls-baseline.csv" || rm -f "$raw/calls-baseline.csv"
if [ $have_capture = 1 ]; then
    (cd "$folder" && WINEDEBUG=trace+d3d11,trace+dxgi winerun ./engine-capture.exe --size 1280x720 --fps 60 \
        --until "$(python3 -c 'print(5.5 / 60)')" 2> engine-trace.txt >/dev/null) || true
    python3 tools/bench/d3d_calls.py "$folder/engine-trace.txt" > "$raw/calls-engine.csv" || rm -f "$raw/calls-engine.csv"
fi
rm -rf "$folder"

# The pictures at the README's moments against the committed reference (tools_capture_pictures runs the same).
if [ $have_capture = 1 ]; then
    say "pictures at the README's moments against tests/tools/reference-pictures.txt"
    python3 tools/capture/reference_pictures.py --bin "$build/bin" --check tests/tools/reference-pictures.txt \
        --keep "$work/pictures" > "$raw/pictures.txt" 2>&1 || true
fi
# The studio render: its pipeline against the drawing alone, a chunk against the same frames inside a run, the
# memory of a 4K supersampled render and the farm's wall time with one and two workers.
if [ $have_capture = 1 ]; then
    python3 tools/bench/render_costs.py --bin "$build/bin" --raw "$raw" --build "$build" ${quick:+--quick} >&2 ||
        say "the render costs failed"
fi
echo "load_after=$(cut -d' ' -f1-3 /proc/loadavg)" >> "$raw/settings.txt"
echo "wall_s=$(( $(date +%s) - bench_start ))" >> "$raw/settings.txt"

python3 tools/bench/bench_report.py "$raw" bench
say "report: bench/REPORT.md"
