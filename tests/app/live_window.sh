# shellcheck shell=bash
# What the shell tests that drive engine.exe's live window share (sourced, never run): messages, the tools they
# need, a program folder of their own, a display xdotool can reach, and the window.
#   live_window_test NAME           messages start with "[NAME]"; say TEXT, fail TEXT (exits 1)
#   require_tools TOOL...           fails naming the first tool missing
#   copy_program BIN FOLDER NAME... copies the named files of the build's bin folder into FOLDER
#   own_display_if_needed           without DISPLAY, starts the repository's virtual display (stopped by
#                                   release_own_display, which a test's exit trap calls)
#   own_virtual_display             the same whatever DISPLAY is: no window manager there, so Wine draws the
#                                   window's frame itself and the client area is always at the same place
#   engine_window                   prints the id of engine.exe's window, or fails
#   program_scratch BIN SCRATCH PROGRAM...
#                                   empties SCRATCH and makes it a program folder: the build's data linked, the
#                                   named programs copied, an 800 x 600 options file of its own and no imgui.ini (so
#                                   that windows open where the clicks expect them); prints its absolute path
#   await_world ERRORS              waits until engine.exe's standard error (the file) says the world has loaded
#   start_sound_server FOLDER       a private PulseAudio whose default output is a null sink, its files in FOLDER;
#                                   the test's exit trap calls stop_sound_server (release_live_window does both)
#   release_live_window             stops the sound server and the display the test started
_live_window_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
_live_window_name="test"
_live_window_own_display=""

live_window_test() { _live_window_name=$1; }
say() { printf '[%s] %s\n' "$_live_window_name" "$*" >&2; }
fail() { printf '[%s] FAILED: %s\n' "$_live_window_name" "$*" >&2; exit 1; }

require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
    done
}

copy_program() { # bin folder name...
    local bin=$1 folder=$2 name
    shift 2
    for name in "$@"; do
        cp -r "$bin/$name" "$folder/"
    done
}

# xdotool needs to know the display the program's window is on, so without one the test brings its own.
own_display_if_needed() {
    if [ -z "${DISPLAY:-}" ]; then
        own_virtual_display
    fi
}

own_virtual_display() {
    # shellcheck source=tools/display.sh
    source "$_live_window_root/tools/display.sh"
    start_display virtual
    _live_window_own_display=1
}

release_own_display() {
    if [ -n "$_live_window_own_display" ]; then
        stop_display
        _live_window_own_display=""
    fi
}

engine_window() {
    local window
    window=$(xdotool search --name '^Engine$' | head -n 1 || true)
    [ -n "$window" ] || fail "the Engine window was not found"
    echo "$window"
}

program_scratch() { # bin scratch program...
    local bin=$1 scratch=$2 file
    shift 2
    rm -rf "$scratch"
    mkdir -p "$scratch"
    scratch=$(cd "$scratch" && pwd)
    for file in "$bin"/*; do
        case "$(basename "$file")" in
            *.exe | EngineOptions.xml | imgui.ini | *.png) ;;
            *) ln -s "$file" "$scratch/" ;;
        esac
    done
    copy_program "$bin" "$scratch" "$@"
    echo '<Options><Graphics renderer="Direct3D 11" width="800" height="600"/></Options>' >"$scratch/EngineOptions.xml"
    echo "$scratch"
}

await_world() {
    for _ in $(seq 1 1200); do grep -q 'actors loaded' "$1" 2>/dev/null && return 0; sleep 0.1; done
}

_live_window_sound_server=""
start_sound_server() {
    local folder=$1
    mkdir -p "$folder/run" "$folder/home"
    chmod 700 "$folder/run"
    cat >"$folder/server.pa" <<'PA'
load-module module-null-sink sink_name=speakers
set-default-sink speakers
load-module module-native-protocol-unix auth-anonymous=1
PA
    unset PULSE_SERVER
    export XDG_RUNTIME_DIR="$folder/run"
    HOME="$folder/home" pulseaudio -n -F "$folder/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        >"$folder/server.log" 2>&1 &
    _live_window_sound_server=$!
    for _ in $(seq 1 100); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && return 0; sleep 0.1; done
    cat "$folder/server.log" >&2
    fail "the sound server did not start"
}

stop_sound_server() {
    if [ -n "$_live_window_sound_server" ]; then
        kill "$_live_window_sound_server" 2>/dev/null
        wait "$_live_window_sound_server" 2>/dev/null
        _live_window_sound_server=""
    fi
}

release_live_window() {
    stop_sound_server
    release_own_display
}
