#!/usr/bin/env bash
# Looping a passage, driven like a maker does with xdotool in the live window (engine.exe --music-log on a copy of
# the written choreography): paused, Right seeks to 5 s and I sets the in point (snapped to the beat at
# 4.703125 s), Right seeks to 10 s and O sets the out point (10.078125 s: two bars later), L turns looping on, Home
# plays from 0 for several loop lengths. Each time the clock reaches the out point it goes back to the in point,
# in the first frame past it (one line on standard error per jump: the moment reached, the frame before), and the
# music jumps with it (a "play ... from" at the in point in the music log). M (twice) sets one bookmark at 5 s.
# Ctrl+S saves the loop and the bookmark in the file; a second run of the saved file jumps to the bookmark with
# Ctrl+1 and loops with L alone.
#   loop_test.sh BIN SCRATCH     BIN is the build's bin folder (programs and data); SCRATCH is emptied and used.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: loop_test.sh BIN SCRATCH" >&2; exit 2; }
bin=$(cd "$1" && pwd)
scratch=$2
source "$root/tests/app/live_window.sh"
live_window_test loop
require_tools xdotool pulseaudio python3

scratch=$(program_scratch "$bin" "$scratch" engine.exe)
trap release_live_window EXIT
own_virtual_display
start_sound_server "$scratch"   # the music needs a sound server

cd "$scratch"
"$root/tools/winerun" ./engine.exe --write-choreography looped.xml 2>/dev/null
cp looped.xml original.xml

start_engine() { # err-file
    timeout 300 "$root/tools/winerun" ./engine.exe --music-log --choreography looped.xml 2>"$1" &
    engine=$!
    await_world "$1"
    window=$(engine_window)
    xdotool windowfocus "$window"; sleep 1
}
finish_engine() { # err-file
    xdotool key Escape
    status=0
    wait "$engine" || status=$?
    [ $status -eq 0 ] || { cat "$1" >&2; fail "engine.exe ended with $status"; }
}
# Checks the jumps in an err-file: at least $2 of them, each in the first frame past the out point, back to the in
# point, with the music playing from there.
check_jumps() { # err-file count
    python3 - "$1" "$2" <<'PY' || { cat "$1" >&2; fail "the loop did not jump as it should (above)"; }
import re, sys
text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
jumps = re.findall(r"loop: the clock reached ([\d.e+-]+) s \(out at ([\d.e+-]+) s, the frame before at ([\d.e+-]+) s\), back to ([\d.e+-]+) s", text)
# The moment on the clock each "play ... from" was sent at: the track itself starts the music's latency ahead.
plays = [float(moment) for moment in re.findall(r"music: ([\d.]+) s, wall [\d.]+ s: play DemoTrack01\.mp3 from \d+", text)]
print(f"{len(jumps)} jumps; the music played from {plays}", file=sys.stderr)
if len(jumps) < int(sys.argv[2]):
    sys.exit(f"only {len(jumps)} jumps")
for reached, out, before, back in ((float(a), float(b), float(c), float(d)) for a, b, c, d in jumps):
    print(f"  reached {reached:.4f} (out {out}, frame before {before:.4f}), back to {back:.4f}", file=sys.stderr)
    if not (before < out <= reached):
        sys.exit("a jump not in the frame that reached the out point")
    if reached - out > reached - before:
        sys.exit("the clock passed the out point by more than a frame")
    if abs(out - 10.078125) > 1e-4 or abs(back - 4.703125) > 1 / 60:
        sys.exit("not the loop set")
    if not any(abs(p - back) < 0.002 for p in plays):
        sys.exit(f"the music did not jump to {back}")
PY
}

say "engine.exe --music-log --choreography looped.xml: a loop over two bars set with I and O, played with L"
start_engine first.err
xdotool key space; sleep 1                 # paused while the bounds are set
xdotool key Home Right; sleep 3; xdotool key i; sleep 1
xdotool key m; sleep 1; xdotool key m; sleep 1       # a bookmark there, once however often M is pressed
xdotool key Right; sleep 3; xdotool key o; sleep 1
xdotool key l; sleep 1
xdotool key Home; sleep 2; xdotool key space   # plays from 0: the out point first after 10 s, then every 5.375 s
sleep 24
xdotool key ctrl+s
for _ in $(seq 1 100); do [ -e looped.xml.bak ] && break; sleep 0.1; done
finish_engine first.err
check_jumps first.err 3
grep -q '<Loop in="4.703125" out="10.078125"/>' looped.xml || fail "looped.xml does not hold the loop"
[ "$(grep -c '<Bookmark ' looped.xml)" -eq 1 ] || fail "looped.xml does not hold one bookmark"
grep -q '<Bookmark at="4.703125" name="bookmark 1"/>' looped.xml || fail "looped.xml does not hold the bookmark"
cmp -s original.xml looped.xml.bak || fail "looped.xml.bak is not the file as it was"

say "a second run of the saved file: the loop and the bookmark are back, Ctrl+1 jumps to it, L alone loops"
start_engine second.err
xdotool key l; sleep 1
xdotool key ctrl+1; sleep 7.5               # from 4.7 s the out point comes after 5.4 s; from where it was, not yet
finish_engine second.err
check_jumps second.err 1
# The seek lands on the frame nearest the bookmark (4.7 s), the music with it, once more than the loop's jumps.
[ "$(grep -c '^music: 4.70[0-9] s, .*: play DemoTrack01.mp3 from ' second.err)" -gt "$(grep -c '^loop: ' second.err)" ] ||
    fail "Ctrl+1 did not seek to the bookmark at 4.703125 s"
say "the clock and the music went back at every out point, within a frame, in both runs"
