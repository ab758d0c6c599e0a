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
