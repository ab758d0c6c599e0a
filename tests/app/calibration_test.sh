#!/usr/bin/env bash
# The sound calibration (F4) against a recording of what it played: a private PulseAudio server with a null sink
# stands in for speakers (as in music_test.sh), and a tapper as steady as a machine (timecode.py tap) listens to
# the sink's monitor and presses Space through xdotool on every click it hears. The calibration plays its beat
# through the music's own device, from the music's own file: here that file is a click on every drum beat of the
# track (timecode.py clicks), so the tapper hears each beat without doubt, and what the recording measures is the
# music's own latency. The recording says when each beat was heard and the tapper when it pressed the key, both on
# the system clock; the program says, on the same clock, when the track's position passed each beat. So the
# latency the recording measures (heard minus played), plus the tapper's own delay (sent minus heard), is what the
# calibration must find: within 20 ms. Enter keeps it in MusicCalibration.xml, which a second run uses in place of
# the options' latency; a second calibration with no taps keeps nothing, and the file stays as it was.
#   calibration_test.sh BIN SCRATCH
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: calibration_test.sh BIN SCRATCH" >&2; exit 2; }
bin=$(cd "$1" && pwd)
scratch=$2
source "$root/tests/app/live_window.sh"
live_window_test calibration
require_tools pulseaudio parec xdotool python3 lame

rm -rf "$scratch"
mkdir -p "$scratch/run" "$scratch/home" "$scratch/program"
scratch=$(cd "$scratch" && pwd)
chmod 700 "$scratch/run"
program="$scratch/program"
copy_program "$bin" "$program" engine.exe D.bmp dirty-wicker-weave1-albedo.dds 10.dds 11.dds \
    BasicNormalMapPixelShader.fx BasicNormalMapVertexShader.fx SkyPixelShader.fx SkyVertexShader.fx PostPS.fx PostVS.fx
# The music: a click on every drum beat of the track (every second beat of 0.671875 s), so that every loud sound
# is a beat, from 13 s on: the tapper listens from before the program starts, and nothing before the calibration's
# passage (from 13.78 s) must make it tap.
python3 "$root/tools/music/timecode.py" clicks "$program/DemoTrack01.mp3" --every 1.34375 --from 13
echo '<Options><Graphics renderer="Direct3D 11" width="320" height="180"/><Sound latency="100"/></Options>' \
    >"$program/EngineOptions.xml"
echo '<World><StaticActors/></World>' >"$program/World1.xml"

tapper_pid=""
cleanup() {
    [ -n "$tapper_pid" ] && kill "$tapper_pid" 2>/dev/null
    release_live_window
}
trap cleanup EXIT
own_display_if_needed
start_sound_server "$scratch"

cd "$program"
# One run of engine.exe: Space pauses the presentation (and its music), F4 opens the calibration, the tapper taps
# (unless "notaps"), Enter keeps, F4 closes it, Escape ends the run. Its standard error goes to $1.err, the
# recording to $1.raw. The tapper listens from before the program starts, as app_music's recorder does: a client
# that joins the null sink after the program's sound measured 110 to 130 ms more for the same device (the
# sink's latency is set by the clients it has when a stream connects), which is the test's, not the program's.
calibrate() {
    local name=$1 taps=${2:-taps} status=0
    if [ "$taps" = taps ]; then
        HOME="$scratch/home" python3 "$root/tools/music/timecode.py" tap "$scratch/$name.raw" &
        tapper_pid=$!
        sleep 1
    fi
    timeout 180 "$root/tools/winerun" ./engine.exe --music-log 2>"$scratch/$name.err" &
    local engine=$!
    for _ in $(seq 1 1200); do grep -q 'music: .*: status DemoTrack01.mp3 position' "$scratch/$name.err" && break; sleep 0.1; done
    local window
    window=$(engine_window)
    xdotool windowfocus "$window"; sleep 0.5
    xdotool key space   # paused: no beat is heard before the calibration's
    for _ in $(seq 1 100); do grep -q 'music: .*: pause' "$scratch/$name.err" && break; sleep 0.1; done
    sleep 1
    xdotool key F4
    for _ in $(seq 1 600); do grep -q 'calibration: [0-9]* taps' "$scratch/$name.err" && break; sleep 0.1; done
    sleep 1
    if [ -n "$tapper_pid" ]; then
        kill "$tapper_pid"; wait "$tapper_pid" 2>/dev/null || true; tapper_pid=""
    fi
    xdotool key Return; sleep 1
    xdotool key Return; sleep 1    # twice: the same result kept again
    xdotool key F4; sleep 1
    xdotool key Escape
    wait "$engine" || status=$?
    cat "$scratch/$name.err" >&2
    [ $status -eq 0 ] || fail "engine.exe ended with $status"
}

say "first run: the tapper taps on the beats, Enter keeps the result"
say "load average $(cut -d ' ' -f 1-3 /proc/loadavg)"
calibrate first
grep -q 'calibration: beat playing' "$scratch/first.err" || fail "the beat did not play"
[ -s MusicCalibration.xml ] || fail "Enter kept nothing"
python3 - "$scratch/first.err" "$scratch/first.raw.taps" MusicCalibration.xml <<'PY'
import re, statistics, sys
err = open(sys.argv[1], errors="replace").read()
# The moment of the track's 0 as the program placed it last (each reading of its position can only move it
# earlier).
result = re.search(r"calibration: \d+ taps, latency ([\d.]+) ms, .*0 at ([\d.]+) s", err)
found, started = float(result.group(1)) / 1000, float(result.group(2))
engine_taps = [float(t) for t in re.findall(r"tap at ([\d.]+) s", err)]
# When the track's position passed each beat, as the program placed it.
placed = {int(k): float(t) for k, t in re.findall(r"beat (\d+) played at ([\d.]+) s", err)}
heard, began, ended = zip(*[map(float, line.split()) for line in open(sys.argv[2]) if line.strip()])
sent = [(b + e) / 2 for b, e in zip(began, ended)]
first, beat, lead_in = 22 * 0.671875, 2 * 0.671875, 4
# Each beat heard, set against its place in the track: which beat it is, and how long after it was played.
beats = [round((h - started - first) / beat) for h in heard]
played = [placed.get(k, started + first + k * beat) for k in beats]
counted = [i for i, k in enumerate(beats) if lead_in <= k < len(placed)]
recorded = statistics.median(heard[i] - played[i] for i in counted)
tapper = statistics.median(sent[i] - heard[i] for i in counted)
# The program's time of each tap against when the tapper sent it.
stamps = [min(engine_taps, key=lambda t: abs(t - sent[i])) - sent[i] for i in counted]
calls = [ended[i] - began[i] for i in counted]
print("[calibration] xdotool calls took %.1f ms (median; %.1f to %.1f)" % (statistics.median(calls) * 1000,
      min(calls) * 1000, max(calls) * 1000), file=sys.stderr)
kept = int(re.search(r'latency="(\d+)"', open(sys.argv[3]).read()).group(1))
print("[calibration] %d beats heard, %d counted: the recording measures %.1f ms, the tapper pressed %.1f ms after "
      "hearing, the key's time in the program is %.1f ms from its sending (median); the calibration found %.1f ms "
      "and kept %d ms" % (len(heard), len(counted), recorded * 1000, tapper * 1000,
                          statistics.median(stamps) * 1000, found * 1000, kept), file=sys.stderr)
problems = []
if len(counted) < 12:
    problems.append("too few beats heard and tapped: %d" % len(counted))
if abs(found - (recorded + tapper)) > 0.02:
    problems.append("the calibration found %.1f ms, the recording and the tapper %.1f ms"
                    % (found * 1000, (recorded + tapper) * 1000))
if abs(kept - round(found * 1000)) > 1:
    problems.append("kept %d ms, found %.1f ms" % (kept, found * 1000))
for problem in problems:
    print("[calibration] FAILED: " + problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
[ -e MusicCalibration.xml.bak ] || fail "the second Enter did not keep the first result as MusicCalibration.xml.bak"
cmp -s EngineOptions.xml <(echo '<Options><Graphics renderer="Direct3D 11" width="320" height="180"/><Sound latency="100"/></Options>') \
    || fail "the options file was changed"
cp MusicCalibration.xml kept.xml

say "second run: the kept latency is used; a calibration without taps keeps nothing"
calibrate second notaps
grep -q 'MusicCalibration.xml: music latency [0-9]* ms, as calibrated' "$scratch/second.err" \
    || fail "the second run did not use the kept latency"
cmp -s MusicCalibration.xml kept.xml || fail "a calibration without taps changed MusicCalibration.xml"
say "calibration: found within 20 ms of the recording, kept, used in a second run"
