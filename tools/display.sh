# Shared by run.sh and test.sh: a display for Wine and one Wine server for the whole run.
# start_display [virtual]: with "virtual", or when DISPLAY is unset, starts a private Xvfb display and selects the
# project's virtual-display Wine prefix; otherwise keeps DISPLAY and selects the desktop prefix (see tools/winerun).
# stop_display stops the Wine server and whatever display start_display started.
_display_pid=""

start_display() {
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINERUN_KEEP_SERVER=1
    if [ "${1:-}" = virtual ] || [ -z "${DISPLAY:-}" ]; then
        local n
        for n in $(seq 90 140); do
            [ -e "/tmp/.X$n-lock" ] || break
        done
        Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
        _display_pid=$!
        for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
        export DISPLAY=":$n"
        export WINERUN_VIRTUAL=1
        export WINEPREFIX="$root/.wine/virtual"
        echo "[display] virtual display $DISPLAY" >&2
    else
        export WINEPREFIX="$root/.wine/desktop"
    fi
}

stop_display() {
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    if [ -n "$_display_pid" ]; then
        kill "$_display_pid" 2>/dev/null || true
        wait "$_display_pid" 2>/dev/null || true
    fi
}
