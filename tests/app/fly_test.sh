#!/usr/bin/env bash
# Fly mode driven like a maker does, with xdotool in the live window: engine.exe plays a copy of the written
# choreography (on a half-second beat, so that 20 s is on the grid), paused at 20 s; F3 takes the camera over, W
# flies it forward, a right-drag turns it, K keys what is seen (twice: the second changes nothing), F12 saves the
# picture and Ctrl+S the file. Then the saved file holds the camera's six tracks keyed at 20 s, and
# engine-capture.exe playing it at 20 s draws exactly the F12 picture, which the file as it was does not. A second
# run of the saved file, not flying, shows the same picture at 20 s: the choreography has the camera there now.
# A third run carries an actor: a click on the ring in view selects it, G picks it up, the camera flies and turns
# with it, and K keys both at 20 s and again at 25 s; the saved file's capture at 25 s is the F12 picture there.
# (An actor's move shows from the frame after it is made, so its keyed pose is checked where it holds on both sides.)
# A fourth run keys the flown camera on a beat between two frames, reached through a bookmark (M, Ctrl+1): the
# capture at that beat is the F12 picture there too.
# A fifth run shows the camera's path (P) over keys at 20, 21 and 22 s: put away again, it leaves the picture the
# capture's; seen from above while flying, its first mark stands in the F12 picture where the projection puts it;
# dragged with the mouse, the mark's keys take the point it was let go at, the file saves them, and the capture at
# their time changes with them.
#   fly_test.sh BIN SCRATCH     BIN is the build's bin folder (programs and data); SCRATCH is emptied and used.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: fly_test.sh BIN SCRATCH" >&2; exit 2; }
bin=$(cd "$1" && pwd)
scratch=$2
source "$root/tests/app/live_window.sh"
live_window_test fly
require_tools xdotool cmp

scratch=$(program_scratch "$bin" "$scratch" engine.exe engine-capture.exe)
trap release_live_window EXIT
own_virtual_display

cd "$scratch"
"$root/tools/winerun" ./engine.exe --write-choreography written.xml 2>/dev/null
sed 's/beat="0.671875"/beat="0.5"/' written.xml >original.xml
grep -q 'beat="0.5"' original.xml || fail "the written choreography has no beat to put on a half second"
cp original.xml flown.xml

await() {
    for _ in $(seq 1 300); do [ -e "$1" ] && return 0; sleep 0.1; done
    cat engine.err >&2
    fail "$1 was not written"
}
start_engine() { # folder for the screenshots is the working folder
    timeout 300 "$root/tools/winerun" ./engine.exe --choreography "${1:-flown.xml}" 2>engine.err &
    engine=$!
    await_world engine.err
    window=$(engine_window)
    xdotool windowfocus "$window"; sleep 1
    xdotool key space; sleep 1                             # paused, so that the moment stays put
    xdotool key Home Right Right Right Right; sleep 4      # 20 s
}
finish_engine() {
    xdotool key Escape
    status=0
    wait "$engine" || status=$?
    cat engine.err >&2
    [ $status -eq 0 ] || fail "engine.exe ended with $status"
}

say "engine.exe --choreography flown.xml: flown forward, turned, keyed with K at 20 s and saved"
start_engine
xdotool key F3; sleep 1
xdotool keydown w; sleep 0.8; xdotool keyup w; sleep 0.5
xdotool mousemove --window "$window" 400 300; sleep 0.5
xdotool mousedown 3; sleep 0.5
for _ in 1 2 3 4 5; do xdotool mousemove_relative -- 12 -4; sleep 0.2; done
sleep 0.5; xdotool mouseup 3; sleep 1
xdotool key k; sleep 2
xdotool key k; sleep 2                                     # the same view keyed again: the same keys
xdotool key F12
await screenshot-0001.png
xdotool key ctrl+s
await flown.xml.bak
finish_engine
grep -q 'keyed the camera at 20 s' engine.err || fail "K did not key the camera at 20 s"

keys=$(grep -c '<Key at="20" ' flown.xml || true)
[ "$keys" -eq 6 ] || fail "flown.xml holds $keys keys at 20 s, not the camera's six"
for channel in x y z yaw pitch roll; do
    grep -q "<Track channel=\"$channel\"" flown.xml || fail "flown.xml has no camera $channel track"
done

for file in original flown; do
    "$root/tools/winerun" ./engine-capture.exe --choreography $file.xml --at 20 --until 20.1 --out $file \
        2>>capture.err || { cat capture.err >&2; fail "engine-capture.exe could not play $file.xml"; }
done
cmp -s screenshot-0001.png flown/t20.000.png || fail "the F12 picture in fly mode is not the saved file's capture at 20 s"
! cmp -s screenshot-0001.png original/t20.000.png || fail "flying did not change the picture at 20 s"
say "the capture of the saved file at 20 s is the flown picture, byte for byte"

say "a second run of flown.xml, not flying: the choreography shows the keyed view at 20 s"
mkdir first && mv screenshot-0001.png first/
start_engine
xdotool key F12
await screenshot-0001.png
finish_engine
cmp -s screenshot-0001.png first/screenshot-0001.png || fail "the keyed choreography does not show the flown view at 20 s"
say "flown, keyed, saved and played back as flown"

say "engine.exe --choreography carried.xml: the ring clicked, carried with G while flying, keyed at 20 and 25 s"
cp original.xml carried.xml
mkdir second && mv screenshot-0001.png second/
start_engine carried.xml
xdotool key F3; sleep 1
xdotool mousemove --window "$window" 230 200; sleep 0.5   # the ring's rim at 20 s
xdotool click 1; sleep 1
xdotool key g; sleep 1
xdotool keydown w; sleep 0.5; xdotool keyup w; sleep 0.5
xdotool mousemove --window "$window" 400 300; sleep 0.5
xdotool mousedown 3; sleep 0.5
for _ in 1 2 3 4; do xdotool mousemove_relative -- 10 -3; sleep 0.2; done
sleep 0.5; xdotool mouseup 3; sleep 1
xdotool key k; sleep 2
xdotool key Right; sleep 3                                 # 25 s, the ring still carried
xdotool key k; sleep 2
xdotool key F12
await screenshot-0001.png
xdotool key ctrl+s
await carried.xml.bak
finish_engine
actor=$(sed -n 's/^carrying actor \([0-9]*\).*$/\1/p' engine.err | head -n 1)
[ -n "$actor" ] || fail "a click on the ring and G carried no actor"
grep -q "keyed actor $actor at 25 s" engine.err || fail "K did not key the carried actor at 25 s"
for channel in x y z yaw pitch roll; do
    grep -q "<Track actor=\"$actor\" channel=\"$channel\"" carried.xml || fail "carried.xml has no $channel track of actor $actor"
done
keys=$(grep -c '<Key at="25" ' carried.xml || true)
[ "$keys" -eq 12 ] || fail "carried.xml holds $keys keys at 25 s, not the camera's and the actor's six each"
for file in original carried; do
    "$root/tools/winerun" ./engine-capture.exe --choreography $file.xml --at 25 --until 25.1 --out $file-25 \
        2>>capture.err || { cat capture.err >&2; fail "engine-capture.exe could not play $file.xml"; }
done
cmp -s screenshot-0001.png carried-25/t25.000.png || fail "the F12 picture with the carried actor is not the saved file's capture at 25 s"
! cmp -s screenshot-0001.png original-25/t25.000.png || fail "carrying did not change the picture at 25 s"
say "actor $actor carried, keyed and played back where it was seen, byte for byte"

say "engine.exe --choreography between.xml: keyed on a beat that falls between two frames (20.15625 s, frame 1209.375)"
mkdir third && mv screenshot-0001.png third/
cp written.xml between.xml
start_engine between.xml
xdotool key m; sleep 1                                     # a bookmark on the beat nearest 20 s
xdotool key ctrl+1; sleep 3                                # the jump lands on the beat itself, not on a frame
xdotool key F3; sleep 1
xdotool keydown w; sleep 0.6; xdotool keyup w; sleep 0.5
xdotool key k; sleep 2
xdotool key F12
await screenshot-0001.png
xdotool key ctrl+s
await between.xml.bak
finish_engine
grep -q 'keyed the camera at 20.1562' engine.err || fail "K did not key the camera on the beat at 20.15625 s"
for file in written between; do
    "$root/tools/winerun" ./engine-capture.exe --choreography $file.xml --at 20.15625 --until 20.2 --out $file-beat \
        2>>capture.err || { cat capture.err >&2; fail "engine-capture.exe could not play $file.xml"; }
done
cmp -s screenshot-0001.png between-beat/t20.156.png || fail "the F12 picture on the beat is not the saved file's capture at 20.15625 s"
! cmp -s screenshot-0001.png written-beat/t20.156.png || fail "flying did not change the picture on the beat"
say "keyed between two frames and captured there, byte for byte"

say "engine.exe --choreography path.xml: the camera's path shown with P, seen while flying, a mark dragged and saved"
mkdir fourth && mv screenshot-0001.png fourth/
# The camera keyed from 20 s to 22 s: forward 32 units, weaving in x and rising, so that the path has marks at
# 20, 21 and 22 s (where the travelling value alone would wrap back behind the camera).
sed 's|</Choreography>|    <Track channel="x"><Key at="20" value="86" mode="smooth"/><Key at="21" value="88" mode="smooth"/><Key at="22" value="84"/></Track>\n    <Track channel="y"><Key at="20" value="2"/><Key at="22" value="4"/></Track>\n    <Track channel="z"><Key at="20" value="5"/><Key at="22" value="37"/></Track>\n</Choreography>|' \
    original.xml >path.xml
cp path.xml path-before.xml
# The colour of a pixel of a screenshot, as "r g b".
pixel() { python3 -c "import sys; sys.path.insert(0, '$root/tools/capture'); from rgb_png import read_png
w, h, rgb = read_png(sys.argv[1]); x, y = int(sys.argv[2]), int(sys.argv[3]); i = 3 * (y * w + x)
print(rgb[i], rgb[i + 1], rgb[i + 2])" "$@"; }
# The client-area pixel where the path's first mark in view stands, from the last report of the path shown.
first_mark() { tr -d '\r' <engine.err | sed -n 's/^camera path .* the first at \([0-9]*\), \([0-9]*\) px$/\1 \2/p' | tail -n 1; }
# Waits until engine.err holds COUNT lines that match PATTERN (a loaded machine may take seconds for a frame).
await_lines() {
    for _ in $(seq 1 300); do [ "$(grep -c "$1" engine.err || true)" -ge "$2" ] && return 0; sleep 0.1; done
    cat engine.err >&2
    fail "engine.exe did not report \"$1\" $2 times"
}
start_engine path.xml
xdotool key p; sleep 2                                     # the path over the whole run (the panel never opened)
xdotool key F12
await screenshot-0001.png
xdotool key p; sleep 1; xdotool key p; sleep 1; xdotool key p; sleep 1   # off, on and off: nothing left behind
xdotool key F12
await screenshot-0002.png
xdotool key F3; sleep 1
xdotool keydown e; sleep 1; xdotool keyup e; sleep 0.5     # up and back: the path ahead and below
xdotool keydown s; sleep 1; xdotool keyup s; sleep 0.5
xdotool key p                                              # shown while flying, reporting its first mark
await_lines '^camera path from' 3
read -r mark_x mark_y <<<"$(first_mark)"
[ -n "${mark_y:-}" ] || { cat engine.err >&2; fail "the path shown in fly mode reported no mark in view"; }
xdotool key F12
await screenshot-0003.png
xdotool mousemove --window "$window" $((mark_x + 4)) $((mark_y + 23)); sleep 1   # the client area starts at (4, 23)
xdotool mousedown 1; sleep 0.5
for _ in 1 2 3 4 5; do xdotool mousemove_relative -- 12 -8; sleep 0.3; done
sleep 0.5; xdotool mouseup 1
await_lines "^the camera's keys at" 1
xdotool key ctrl+s
await path.xml.bak
finish_engine
grep -q '^camera path from 0 to 58 s: 3 marks' engine.err || fail "P did not show the path's three marks over the whole run"

"$root/tools/winerun" ./engine-capture.exe --choreography path-before.xml --at 20 --until 20.1 --out path-20 \
    2>>capture.err || { cat capture.err >&2; fail "engine-capture.exe could not play path-before.xml"; }
cmp -s screenshot-0002.png path-20/t20.000.png || fail "the path shown and put away left the picture changed"
! cmp -s screenshot-0001.png path-20/t20.000.png || fail "P drew no path over the picture"
colour=$(pixel screenshot-0003.png "$mark_x" "$mark_y")
[ "$colour" = "0 220 255" ] || fail "the F12 picture shows $colour, not a mark, where the projection puts the first mark ($mark_x, $mark_y)"
say "the path is drawn over the view, its first mark where the projection puts it, and gone without a trace"

moved=$(tr -d '\r' <engine.err | sed -n "s/^the camera's keys at \([0-9.]*\) s put it at \(.*\)$/\1 \2/p" | tail -n 1)
[ -n "$moved" ] || fail "the drag moved no mark"
python3 - path-before.xml path.xml "$moved" <<'PY' || fail "the saved keys are not where the drag put the mark"
import sys
import xml.etree.ElementTree as ET
before, after, moved = sys.argv[1], sys.argv[2], sys.argv[3].replace(",", " ").split()
time, place = float(moved[0]), [float(v) for v in moved[1:]]
def keys(path):
    tracks = {t.get("channel"): t for t in ET.parse(path).getroot().iter("Track") if t.get("actor") is None}
    return [float(next(k.get("value") for k in tracks[c].iter("Key") if float(k.get("at")) == time)) for c in "xyz"]
old, new = keys(before), keys(after)
assert all(abs(n - p) < 1e-3 * max(1.0, abs(p)) for n, p in zip(new, place)), f"saved {new}, the drag said {place}"
assert max(abs(n - o) for n, o in zip(new, old)) > 0.1, f"the keys at {time} s did not move: {old} -> {new}"
PY
at=${moved%% *}
for file in path-before path; do
    "$root/tools/winerun" ./engine-capture.exe --choreography $file.xml --at "$at" --until "$at.1" --out $file-moved \
        2>>capture.err || { cat capture.err >&2; fail "engine-capture.exe could not play $file.xml"; }
done
! cmp -s path-moved/t$at.000.png path-before-moved/t$at.000.png || fail "the dragged keys did not change the picture at $at s"
say "the mark dragged on the view plane moved the camera's keys at $at s, saved, and the picture there with them"
