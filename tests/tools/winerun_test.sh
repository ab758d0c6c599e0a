#!/usr/bin/env bash
# tools/winerun as its users meet it, in a Wine prefix of the test's own (.wine/winerun-tests, made on first use)
# that nothing else uses, with no display set, so that each winerun manages the server and the virtual display
# itself, as a user's would.
#   winerun_test.sh side-by-side SOURCE BIN WORK
#       a capture runs while engine.exe --version starts and ends beside it: both end with their own exit codes
#       and outputs; a capture whose server is stopped from outside ends with 131 (or its own failure, 1), not 0;
#       and once nothing runs, the server and the virtual display winerun started stop by themselves.
#   winerun_test.sh renderer SOURCE BIN WORK
#       llvmpipe drawing on a display the test starts itself and names in DISPLAY gets the treatment it gets on a
#       display winerun started: the same picture, byte for byte, at a moment that anisotropic filtering changes
#       (WINERUN_ANISOTROPY=1 draws it differently).
set -euo pipefail
mode=$1
src=$(cd "$2" && pwd)
bin=$(cd "$3" && pwd)
work=$4
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

unset DISPLAY WINERUN_VIRTUAL WINERUN_KEEP_SERVER WINERUN_ANISOTROPY WINERUN_GL_DISPLAY WINERUN_GL_RENDERER \
      MESA_EXTENSION_OVERRIDE
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
    # 131 from winerun, or now and then the program's own failure code when a call of its fails first as the server
    # goes (seen once in a loaded run: 1); never the 0 of success.
    local killed_rc
    killed_rc=$(cat "$work/killed/rc")
    [ "$killed_rc" = 131 ] || [ "$killed_rc" = 1 ] || fail "a capture whose server was stopped ended with $killed_rc"

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

renderer() {
    # Three frames to 2 s, where the camera looks along the colonnade's ceiling at a grazing angle.
    local moment=(--size 320x180 --fps 1 --until 2 --at 2)
    start_capture own "${moment[@]}"
    wait "$capture_pid" || true

    # A display of the test's own, named in DISPLAY: for winerun, a desktop like any other.
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    test_xvfb=$!
    trap 'kill "$test_xvfb" 2>/dev/null; wait "$test_xvfb" 2>/dev/null' EXIT
    until [ -s "$work/display" ]; do kill -0 "$test_xvfb" 2>/dev/null || fail "Xvfb did not start"; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    case "$(glxinfo -B 2>/dev/null)" in
        *llvmpipe*) ;;
        *) echo "winerun_test: Mesa's llvmpipe does not draw on $DISPLAY; nothing to compare"; exit 77 ;;
    esac
    start_capture named "${moment[@]}"
    wait "$capture_pid" || true
    WINERUN_ANISOTROPY=1 start_capture anisotropic "${moment[@]}"
    wait "$capture_pid" || true

    for run in own named anisotropic; do
        [ "$(cat "$work/$run/rc")" = 0 ] || { cat "$work/$run/err" >&2; fail "the $run capture ended with $(cat "$work/$run/rc")"; }
    done
    cmp -s "$work/own/t2.000.png" "$work/named/t2.000.png" \
        || fail "on a display named in DISPLAY the picture differs from the one on winerun's own display"
    ! cmp -s "$work/own/t2.000.png" "$work/anisotropic/t2.000.png" \
        || fail "anisotropic filtering does not change the picture at 2 s: the comparison shows nothing"
    echo "winerun_test: llvmpipe on $DISPLAY draws what it draws on winerun's own display; anisotropic filtering differs"
}

case "$mode" in
    side-by-side) side_by_side ;;
    renderer) renderer ;;
    *) echo "usage: winerun_test.sh side-by-side|renderer SOURCE BIN WORK" >&2; exit 2 ;;
esac
