#!/usr/bin/env bash
# The timeline panel driven like a user does, with xdotool in the live window: engine.exe plays a copy of the
# written choreography, paused; F2 opens the panel, a click selects the row of actor 14 (the paper glider that
# flies beside the camera), a Ctrl+click on its rate types 7 and Escape cancels that (without quitting), another
# types 200, Ctrl+S saves, F2 closes the panel, Home and Right seek to 20 s and F12 saves the picture. Then the
# saved file has a backup holding the file as it was, reads back with the new rate, and engine-capture.exe
# playing it at 20 s with the same options file draws exactly the F12 picture, which the unedited file does not.
# Then no unsaved edit is lost: with --watch, a change of the file on disk leaves the panel's unsaved edit in the
# autosave, and after a SIGKILL that followed an unsaved edit the next start keeps the autosave aside, the file
# itself untouched. Last, a passage of two camera tracks is box-selected in their lanes, stretched by 2 about its
# first key (at 0 s) and saved: the saved file gives at 2t what the old one gave at t for every moment t of the
# passage, and engine-capture.exe draws it so at 2t, unlike the old file.
#   timeline_test.sh BIN SCRATCH     BIN is the build's bin folder (programs and data); SCRATCH is emptied and used.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: timeline_test.sh BIN SCRATCH" >&2; exit 2; }
bin=$(cd "$1" && pwd)
scratch=$2
source "$root/tests/app/live_window.sh"
live_window_test timeline
require_tools xdotool cmp

# The shipped world, its data linked, not copied; an options file of the test's own, and no imgui.ini, so that the
# panel opens where the clicks below expect it.
scratch=$(program_scratch "$bin" "$scratch" engine.exe engine-capture.exe choreography_save_probe.exe)
trap release_live_window EXIT
own_virtual_display   # the clicks below land at known places of the window Wine frames itself

cd "$scratch"
"$root/tools/winerun" ./engine.exe --write-choreography original.xml 2>/dev/null
cp original.xml edited.xml

say "engine.exe --choreography edited.xml: the rate of actor 14's row edited in the panel and saved"
status=0
timeout 300 "$root/tools/winerun" ./engine.exe --choreography edited.xml 2>engine.err &
engine=$!
await_world engine.err
window=$(engine_window)
# Waits until the file a key writes is there (a pattern: each program autosaves under a name of its own).
await() {
    for _ in $(seq 1 300); do compgen -G "$1" >/dev/null && return 0; sleep 0.1; done
    cat engine.err >&2
    fail "$1 was not written"
}
# Window coordinates: Wine draws a frame of its own round the 792 x 573 client area, which starts at (4, 23).
# The panel's music lane (the estimate's line and the waveform, 65 pixels) stands between the ruler and the lanes.
# Each input gets time for a frame or two, as a slow frame takes a fraction of a second here.
xdotool windowfocus "$window"; sleep 1
xdotool key space; sleep 1                                    # paused: the moment stays put while editing
xdotool key F2; sleep 2                                       # the panel, at (10, 10) in the client area
xdotool mousemove --window "$window" 64 314; sleep 1          # the lane label "actor 14 yaw 16"
xdotool click 1; sleep 2
xdotool mousemove --window "$window" 389 501; sleep 1         # its rate, which a Ctrl+click lets one type
xdotool keydown ctrl click 1 keyup ctrl; sleep 2
xdotool type 7; sleep 1; xdotool key Escape; sleep 2           # Escape while typing cancels the typing only
kill -0 "$engine" 2>/dev/null || fail "Escape while typing in the panel ended the program"
xdotool keydown ctrl click 1 keyup ctrl; sleep 2
xdotool type --delay 150 200; sleep 1
xdotool key Return; sleep 2
xdotool key ctrl+s
await edited.xml.bak
xdotool key F2; sleep 1                                       # F12 saves the presentation without the panel
xdotool key Home Right Right Right Right; sleep 4
xdotool key F12
await screenshot-0001.png
xdotool key Escape
wait "$engine" || status=$?
cat engine.err >&2
[ $status -eq 0 ] || fail "engine.exe ended with $status"
! compgen -G 'edited.xml.autosave*' >/dev/null || fail "the saved edit was taken for unsaved at quitting"

cmp -s original.xml edited.xml.bak || fail "edited.xml.bak does not hold the file as it was before saving"
grep -q '<Actor id="14" x="86" y="2" z="travel+2" turn="yaw" rate="200"/>' edited.xml ||
    fail "edited.xml does not hold the new rate"

# Both pictures are written by the same PNG encoder, so equal pixels give equal bytes.
for file in original edited; do
    "$root/tools/winerun" ./engine-capture.exe --choreography $file.xml --at 20 --until 20.1 --out $file \
        2>>capture.err || { cat capture.err >&2; fail "engine-capture.exe could not play $file.xml"; }
done
cmp -s screenshot-0001.png edited/t20.000.png || fail "the F12 picture is not the saved file's capture at 20 s"
! cmp -s screenshot-0001.png original/t20.000.png || fail "the edit did not change the picture at 20 s"
say "saved with a backup, read back, and drawn at 20 s as the live window showed it"

# The panel's edit of actor 14's rate, typed into its field, unsaved (the window focused, the presentation paused,
# the panel open).
type_rate() {
    xdotool mousemove --window "$window" 64 314; sleep 1
    xdotool click 1; sleep 2
    xdotool mousemove --window "$window" 389 501; sleep 1
    xdotool keydown ctrl click 1 keyup ctrl; sleep 2
    xdotool type --delay 150 "$1"; sleep 1
    xdotool key Return; sleep 2
}
start_engine() { # error-file arguments...
    local errors=$1
    shift
    timeout 300 "$root/tools/winerun" ./engine.exe "$@" 2>"$errors" &
    engine=$!
    await_world "$errors"
    window=$(engine_window)
    xdotool windowfocus "$window"; sleep 1
}

say "engine.exe --watch: the file changed on disk while the panel holds an unsaved edit"
cp original.xml watched.xml
start_engine watch.err --watch --choreography watched.xml
xdotool key space; sleep 1
xdotool key F2; sleep 2
type_rate 300
await "watched.xml.autosave-*.xml"
sed -i 's/<Actor id="17" turn="yaw" rate="16"\/>/<Actor id="17" turn="yaw" rate="55"\/>/' watched.xml
sleep 4                                                       # the watcher reads it within a second
xdotool key Escape
status=0
wait "$engine" || status=$?
[ $status -eq 0 ] || { cat watch.err >&2; fail "engine.exe --watch ended with $status"; }
grep -q '<Actor id="17" turn="yaw" rate="55"/>' watched.xml || fail "the change made on disk was undone"
grep -q '<Actor id="14" x="86" y="2" z="travel+2" turn="yaw" rate="300"/>' watched.xml.autosave-*.xml ||
    fail "the panel's unsaved edit was lost to the change on disk"

say "engine.exe killed after an unsaved edit: the next start offers it back"
cp original.xml killed.xml
start_engine killed.err --choreography killed.xml
xdotool key space; sleep 1
xdotool key F2; sleep 2
type_rate 250
await "killed.xml.autosave-*.xml"
# The autosave may have caught the number while it was typed: wait for the one after Return.
for _ in $(seq 1 100); do grep -q 'rate="250"' killed.xml.autosave-*.xml 2>/dev/null && break; sleep 0.1; done
pkill -KILL -f 'engine\.exe.*killed\.xml' || true
wait "$engine" 2>/dev/null || true
cmp -s original.xml killed.xml || fail "the file changed without a save"
grep -q 'rate="250"' killed.xml.autosave-*.xml || fail "the autosave does not hold the edit"
start_engine restarted.err --choreography killed.xml
xdotool key Escape
wait "$engine" || true
compgen -G 'killed.xml.recovered-*.xml' >/dev/null || { cat restarted.err >&2; fail "the next start did not keep the edit aside"; }
grep -q 'rate="250"' killed.xml.recovered-*.xml || fail "the recovered file does not hold the edit"
cmp -s original.xml killed.xml || fail "the next start changed the file"
say "an edit kept through a change on disk, and through a kill"

say "engine.exe: a passage box-selected in the lanes, stretched by 2 about its first key and saved"
probe() { "$root/tools/winerun" ./choreography_save_probe.exe "$@"; }
# Camera x and yaw keyed on beats 0 to 4 (0 to 2.6875 s) and once more on beat 16, after the camera's lanes.
probe passage passage.xml
cp passage.xml stretched.xml
start_engine stretch.err --choreography stretched.xml
xdotool key space; sleep 1
xdotool key F2; sleep 2
# All 58 s span the lanes, 10.4 pixels a second from x = 175: a drag from 5 s on the yaw lane (y = 295) to the
# left of 0 s on the x lane (y = 276) boxes the keys of beats 0 to 4 of both, and not those of beat 16 (at 11 s).
xdotool mousemove --window "$window" 227 295; sleep 1
xdotool mousedown 1; sleep 1
xdotool mousemove --window "$window" 200 285; sleep 1
xdotool mousemove --window "$window" 164 276; sleep 1
xdotool mouseup 1; sleep 2
xdotool mousemove --window "$window" 90 501; sleep 1         # "x2" under the graph, about the first key
xdotool click 1; sleep 2
xdotool key ctrl+s
await stretched.xml.bak
xdotool key Escape
status=0
wait "$engine" || status=$?
[ $status -eq 0 ] || { cat stretch.err >&2; fail "engine.exe ended with $status"; }
cmp -s passage.xml stretched.xml.bak || fail "stretched.xml.bak does not hold the file as it was"
! cmp -s passage.xml stretched.xml || fail "the stretch was not saved"

# Every track, at moments through the passage (0 to 2.6875 s) and at twice those moments.
moments=$(seq 0 0.125 2.6875)
doubled=$(for t in $moments; do awk -v t="$t" 'BEGIN { print t * 2 }'; done)
# shellcheck disable=SC2086
probe values passage.xml $moments | tr -d '\r' | awk '{print $1, $2, $4}' >old-values.txt
# shellcheck disable=SC2086
probe values stretched.xml $doubled | tr -d '\r' | awk '{print $1, $2, $4}' >new-values.txt
[ "$(wc -l <old-values.txt)" -eq 44 ] || fail "the probe did not read the two tracks at 22 moments"
cmp -s old-values.txt new-values.txt || { diff old-values.txt new-values.txt >&2; fail "the stretched file does not play at 2t as the old one at t"; }
probe values passage.xml 2 | tr -d '\r' >old-at-2.txt
probe values stretched.xml 2 | tr -d '\r' >new-at-2.txt
! cmp -s old-at-2.txt new-at-2.txt || fail "the stretch left the passage as it was at 2 s"
for file in passage stretched; do
    "$root/tools/winerun" ./engine-capture.exe --choreography $file.xml --at 2 --until 2.1 --out $file-2 \
        2>>capture.err || { cat capture.err >&2; fail "engine-capture.exe could not play $file.xml"; }
done
! cmp -s passage-2/t2.000.png stretched-2/t2.000.png || fail "the capture at 2 s does not show the stretch"
say "the passage plays at 2t as it did at t, and the picture at 2 s shows it"
