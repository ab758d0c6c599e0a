#!/usr/bin/env bash
# tools/winerun as its users meet it, in a Wine prefix of the test's own (.wine/winerun-tests, made on first use)
# that nothing else uses, with no display set, so that each winerun manages the server and the virtual display
# itself, as a user's would.
#   winerun_test.sh side-by-side SOURCE BIN WORK
#       a capture runs while engine.exe --version starts and ends beside it: both end with their own exit codes
#       and outputs; a capture whose server is stopped from outside ends with 131, not 0; and once nothing runs,
#       the server and the virtual display winerun started stop by themselves.
set -euo pipefail
mode=$1
src=$(cd "$2" && pwd)
bin=$(cd "$3" && pwd)
work=$4
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

unset DISPLAY WINERUN_VIRTUAL WINERUN_KEEP_SERVER WINERUN_ANISOTROPY MESA_EXTENSION_OVERRIDE
export WINEPREFIX=$src/.wine/winerun-tests
winerun() { "$src/tools/winerun" "$@"; }
server_running() { /usr/lib/wine/wineserver -k0 2>/dev/null; }
cd "$bin"

# A capture in the background, which returns once it has drawn its first frames.
start_capture() { # name, then capture arguments
    local name=$1; shift
    mkdir -p "$work/$name"
    (set +e; winerun ./engine-capture.exe --out "$work/$name" --stats "$work/$name/stats.csv" "$@" \
        >"$work/$name/out" 2>"$work/$name/err"; echo $? >"$work/$name/rc") &
    capture_pid=$!
    until [ "$(cat "$work/$name/stats.csv" 2>/dev/null | wc -l)" -ge 3 ]; do
        [ -e "$work/$name/rc" ] && { cat "$work/$name/err" >&2; fail "$name ended before drawing"; }
        sleep 0.2
    done
}

side_by_side() {
    start_capture long --size 160x90 --at 2 --until 5
    # The virtual display winerun started for the prefix's programs, as its keeper records it.
    local record=$WINEPREFIX/.winerun/display display="" xvfb=""
    read -r display _ xvfb 2>/dev/null <"$record" || true

    winerun ./engine.exe --version >"$work/version.out" 2>"$work/version.err" \
        || fail "engine.exe --version beside a capture ended with $?"
    grep -q . "$work/version.out" || fail "engine.exe --version printed nothing"
    kill -0 "$capture_pid" 2>/dev/null || fail "the capture ended before engine.exe --version did: nothing was shown"
    wait "$capture_pid" || true
    [ "$(cat "$work/long/rc")" = 0 ] || { cat "$work/long/err" >&2; fail "the capture ended with $(cat "$work/long/rc")"; }
    [ -s "$work/long/t2.000.png" ] || fail "the capture saved no picture"
    [ "$(wc -l <"$work/long/stats.csv")" = 302 ] || fail "the capture drew $(($(wc -l <"$work/long/stats.csv") - 1)) of 301 frames"
    [ ! -s "$work/long/out" ] || fail "the capture's output holds: $(head -c 200 "$work/long/out")"

    # The server stopped from outside, as "wineserver -k" or another program's clean-up would.
    start_capture killed --size 160x90 --until 5
    /usr/lib/wine/wineserver -k
    wait "$capture_pid" || true
    [ "$(cat "$work/killed/rc")" = 131 ] || fail "a capture whose server was stopped ended with $(cat "$work/killed/rc")"

    # Left alone, the server ends two seconds after its last program, and then its display.
    [ -n "$xvfb" ] || fail "no virtual display was recorded while the capture ran"
    for _ in $(seq 1 300); do
        if ! server_running && [ ! -e "$record" ] && ! kill -0 "$xvfb" 2>/dev/null; then
            echo "winerun_test: side by side with their own exit codes and outputs; 131 when stopped; display $display stopped"
            return 0
        fi
        sleep 0.1
    done
    fail "30 s after the last program: server running: $(server_running && echo yes || echo no), display $display still up"
}

case "$mode" in
    side-by-side) side_by_side ;;
    *) echo "usage: winerun_test.sh side-by-side SOURCE BIN WORK" >&2; exit 2 ;;
esac
