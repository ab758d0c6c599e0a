# shellcheck shell=bash
# Displays and Wine servers for tools/winerun, run.sh, test.sh and bench.sh (sourced, never run).
#
# A Wine prefix has one server, which every program started in the prefix joins, whoever started it. The server
# exits by itself two seconds after its last program, and its system processes (services, and the desktop process
# that owns the desktop window) live exactly as long, drawing on the display of whoever started them. So nothing
# here stops a server: "wineserver -k" would end every other program of the prefix too, and each of them would
# exit with status 0.
#
# A virtual display is shared in the same way: one Xvfb per prefix, started by the first program that needs one,
# held by every user (a shared lock), and stopped by its keeper once nobody holds it and the prefix's server has
# exited, so that the desktop process of a server that outlives one program never loses its display.
#
#   start_display [virtual [PREFIX]]  for a whole run (run.sh, test.sh): with "virtual", or when DISPLAY is unset,
#                                     selects the prefix (default .wine/virtual) and holds its virtual display;
#                                     otherwise keeps DISPLAY and selects .wine/desktop (see tools/winerun).
#   stop_display                      lets go of the virtual display (it stops once nothing needs it).
#   use_virtual_display PREFIX        sets DISPLAY to the prefix's virtual display and holds it until the shell
#                                     ends; call it with the prefix's set-up lock held (lock_prefix).
#   lock_prefix PREFIX / unlock_prefix  one user at a time sets up the prefix, its display and its server.
#   ask_gl_renderer                   sets WINERUN_GL_RENDERER to the OpenGL renderer on DISPLAY, as glxinfo names
#                                     it ("llvmpipe (LLVM 15.0.6, 256 bits)"); empty when it cannot be asked.
#   without_locks COMMAND...          runs a command without the lock descriptors, which Wine's long-lived
#                                     processes would otherwise hold: every Wine process starts through it.
_wine_dir=/usr/lib/wine
_prefix_lock=""
_display_hold=""

lock_prefix() { # prefix
    mkdir -p "$1/.winerun"
    exec {_prefix_lock}>>"$1/.winerun/lock"
    flock "$_prefix_lock"
}

without_locks() {
    (
        if [ -n "$_prefix_lock" ]; then exec {_prefix_lock}>&-; fi
        if [ -n "$_display_hold" ]; then exec {_display_hold}>&-; fi
        exec "$@"
    )
}

unlock_prefix() {
    if [ -n "$_prefix_lock" ]; then exec {_prefix_lock}>&-; fi
    _prefix_lock=""
}

# The record of a prefix's virtual display, "DISPLAY KEEPER_PID XVFB_PID" and the renderer on a second line, is
# written by its keeper once Xvfb answers, and removed when it stops.
use_virtual_display() { # prefix
    local state=$1/.winerun display="" keeper="" xvfb="" renderer=""
    if ! _read_display_record "$state/display" \
            || ! kill -0 "$keeper" "$xvfb" 2>/dev/null || [ ! -S "/tmp/.X11-unix/X${display#:}" ]; then
        rm -f "$state/display"
        # Its own session, so that Ctrl+C in one terminal never ends a display that other programs draw on; no
        # descriptor of the caller's, so that nobody waits for the end of its output.
        WINEPREFIX=$1 without_locks setsid -f bash -c 'source "$0"; _keep_virtual_display "$1"' "${BASH_SOURCE[0]}" \
            "$1" </dev/null >/dev/null 2>&1
        for _ in $(seq 1 600); do [ -s "$state/display" ] && break; sleep 0.05; done
        _read_display_record "$state/display" \
            || { echo "display.sh: could not start a virtual display (Xvfb) for $1" >&2; return 1; }
    fi
    exec {_display_hold}>>"$state/users"
    flock -s "$_display_hold"
    export DISPLAY=$display WINERUN_GL_DISPLAY=$display WINERUN_GL_RENDERER=$renderer
}

# Sets display, keeper, xvfb and renderer (which a record may lack) from a record; false without one.
_read_display_record() { # file
    { read -r display keeper xvfb && { read -r renderer || true; }; } 2>/dev/null <"$1"
}

# The keeper: starts Xvfb on the first free display number from :90, records it, and stops it once no user holds
# the display and the prefix's server (whose desktop process may draw on it) has exited. Runs detached.
_keep_virtual_display() { # prefix
    local state=$1/.winerun n xvfb="" hold
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] && continue
        : >"$state/ready.$$"
        Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -displayfd 3 3>"$state/ready.$$" &
        xvfb=$!
        # Xvfb writes the number once it answers, or exits when another server took the number first.
        while kill -0 "$xvfb" 2>/dev/null && [ ! -s "$state/ready.$$" ]; do sleep 0.05; done
        [ -s "$state/ready.$$" ] && break
        wait "$xvfb"; xvfb=""
    done
    rm -f "$state/ready.$$"
    [ -n "$xvfb" ] || return 1
    local renderer
    renderer=$(DISPLAY=":$n" _glx_renderer)
    printf ':%s %s %s\n%s\n' "$n" "$$" "$xvfb" "$renderer" >"$state/display.$$"
    mv -f "$state/display.$$" "$state/display"
    while kill -0 "$xvfb" 2>/dev/null; do
        exec {hold}>>"$state/users"
        flock -x "$hold"                 # every user has let go,
        exec {hold}>&-
        "$_wine_dir/wineserver" -w       # and the server has exited; then, with nobody setting up meanwhile,
        lock_prefix "$1"
        exec {hold}>>"$state/users"
        if flock -n -x "$hold" && ! "$_wine_dir/wineserver" -k0 2>/dev/null; then
            break                        # still nobody, and no new server
        fi
        exec {hold}>&-
        unlock_prefix
    done
    # A record is another keeper's once a user found this Xvfb gone and started a new one.
    local keeper=""
    read -r _ keeper _ 2>/dev/null <"$state/display"
    if [ "$keeper" = $$ ]; then rm -f "$state/display"; fi
    if kill -0 "$xvfb" 2>/dev/null; then kill "$xvfb"; fi
    wait "$xvfb"
}

# glxinfo creates a context of every kind it knows (some 0.3 s with llvmpipe), so the answer is kept for the
# display, exported to the programs and scripts this shell starts.
ask_gl_renderer() {
    if [ "${WINERUN_GL_DISPLAY:-}" != "${DISPLAY:-}" ] || [ -z "${WINERUN_GL_RENDERER+set}" ]; then
        export WINERUN_GL_DISPLAY=${DISPLAY:-}
        WINERUN_GL_RENDERER=$(_glx_renderer)
        export WINERUN_GL_RENDERER
    fi
}

_glx_renderer() {
    timeout 20 glxinfo -B 2>/dev/null | sed -n 's/^OpenGL renderer string: //p'
}

start_display() { # [virtual [prefix]]
    export WINEDEBUG="${WINEDEBUG:--all}"
    if [ "${1:-}" = virtual ] || [ -z "${DISPLAY:-}" ]; then
        export WINEPREFIX="${2:-$root/.wine/virtual}"
        export WINERUN_VIRTUAL=1
        lock_prefix "$WINEPREFIX"
        use_virtual_display "$WINEPREFIX" || { unlock_prefix; return 1; }
        unlock_prefix
        echo "[display] virtual display $DISPLAY" >&2
    else
        export WINEPREFIX="$root/.wine/desktop"
        ask_gl_renderer   # once for the whole run
    fi
}

stop_display() {
    if [ -n "$_display_hold" ]; then exec {_display_hold}>&-; fi
    _display_hold=""
}
