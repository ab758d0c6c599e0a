#!/usr/bin/env bash
# One chunk of a render farm's work, on whichever machine GNU parallel sends it to (tools/render/farm.sh):
#   engine-render/worker.sh ARCHIVE.zip FIRST LAST WIDTHxHEIGHT FPS [engine-capture switches...]
# run from the folder that holds engine-render/ (a host's login folder, or the farm's own folder for local jobs).
# It unpacks the release archive once per host, draws frames FIRST to LAST with engine-capture.exe --stream under
# Wine on a virtual display of its own, and writes them losslessly (FFV1 in Matroska, planar RGB: the same bytes
# as the raw stream) as engine-render/chunks/chunk-FIRST-LAST.mkv. The chunk is written under a temporary name
# and renamed once it holds every frame, so it is either complete or absent. Progress goes to standard output as
# "@render" lines for the farm to read; the capture's own messages go to a log, shown when the chunk fails.
# Needs Wine, Xvfb, ffmpeg and unzip; nothing of the project's but the archive. Each concurrent chunk on a host
# takes a Wine prefix of its own (wine-N, made once and kept), so no two captures share a Wine server, and a chunk
# that is stopped takes its server and display with it. The unpacked program and the prefixes are kept in
# $ENGINE_RENDER_CACHE (default: engine-render/ itself), which the farm points elsewhere for local chunks, whose
# engine-render/ goes with the render.
set -euo pipefail
say() { printf 'render worker (frames %s-%s): %s\n' "${first:-?}" "${last:-?}" "$*" >&2; }
[ $# -ge 5 ] || { echo "usage: engine-render/worker.sh ARCHIVE.zip FIRST LAST WIDTHxHEIGHT FPS [switches...]" >&2; exit 64; }
archive=$1 first=$2 last=$3 size=$4 fps=$5
shift 5
base=$PWD/engine-render
cache=${ENGINE_RENDER_CACHE:-$base}
mkdir -p "$cache"
[ -f "$base/$archive" ] || { say "$base/$archive is missing"; exit 1; }
for tool in Xvfb ffmpeg ffprobe unzip; do
    command -v "$tool" >/dev/null || { say "$tool is missing on $(hostname) (install it there)"; exit 1; }
done
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine) || { say "Wine is missing on $(hostname)"; exit 1; }
[ -x "$wineserver" ] || wineserver=$(command -v wineserver) || { say "wineserver is missing on $(hostname)"; exit 1; }

# The archive holds one folder named after it; it is unpacked once per host and archive (a rebuilt archive under
# the same name is told apart by its checksum).
program=$cache/${archive%.zip}
sum=$(cksum <"$base/$archive")
exec {unpack_lock}>>"$cache/unpack.lock"
flock "$unpack_lock"
if [ "$(cat "$program/.unpacked" 2>/dev/null)" != "$sum" ]; then
    rm -rf "$program" "$cache/unpacking"
    unzip -q "$base/$archive" -d "$cache/unpacking" || { say "could not unpack $archive"; exit 1; }
    mv "$cache/unpacking/${archive%.zip}" "$program" || { say "$archive does not hold ${archive%.zip}/"; exit 1; }
    rm -rf "$cache/unpacking"
    echo "$sum" >"$program/.unpacked"
fi
exec {unpack_lock}>&-

# The first Wine prefix no other chunk on this host holds.
slot=1
while :; do
    exec {slot_lock}>>"$cache/wine-$slot.lock"
    flock -n "$slot_lock" && break
    exec {slot_lock}>&-
    slot=$((slot + 1))
done
export WINEPREFIX=$cache/wine-$slot
export WINEDEBUG=-all
# No Mono or Gecko prompts; no sound drivers (a capture plays no music, and ALSA without a sound card fills the
# log); Mesa's software rasteriser filters anisotropically at seconds a frame, so the extension is hidden and Wine
# filters trilinearly, as tools/winerun does on its virtual display (the pictures are the same bytes as there).
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"
export MESA_EXTENSION_OVERRIDE="-GL_ARB_texture_filter_anisotropic -GL_EXT_texture_filter_anisotropic"

xvfb=""
part=""
finish() {
    # The prefix is this chunk's alone, so ending its server ends nothing of anyone else's.
    "$wineserver" -k 2>/dev/null || true
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
    if [ -n "$part" ]; then rm -f "$part"; echo "@render stop $first" 2>/dev/null || true; fi
}
trap finish EXIT
trap 'exit 143' TERM HUP INT

# A display of its own: Xvfb takes the first free number and writes it once it answers.
mkdir -p "$base/logs" "$base/chunks"
ready=$base/logs/display-$slot
: >"$ready"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$ready" 2>/dev/null &
xvfb=$!
while kill -0 "$xvfb" 2>/dev/null && [ ! -s "$ready" ]; do sleep 0.05; done
[ -s "$ready" ] || { say "could not start a virtual display (Xvfb)"; exit 1; }
DISPLAY=:$(cat "$ready")
export DISPLAY

if [ ! -f "$WINEPREFIX/.engine-render" ]; then
    say "making the Wine prefix $WINEPREFIX (once)"
    "$wine" wineboot -i >/dev/null 2>&1 || true
    # A crashing program ends with its exit code instead of waiting in the crash debugger; without a window
    # manager Wine manages the windows itself (else destroying each window waits two seconds for one).
    "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$wineserver" -w
    touch "$WINEPREFIX/.engine-render"
fi

# The capture runs in the program's folder: a choreography named relative to where the worker started is made
# absolute first.
switches=()
while [ $# -gt 0 ]; do
    if [ "$1" = --choreography ] && [ $# -ge 2 ] && [ "${2#/}" = "$2" ]; then
        switches+=("$1" "$PWD/$2"); shift 2
    else
        switches+=("$1"); shift
    fi
done

chunk=$base/chunks/$(printf 'chunk-%06d-%06d.mkv' "$first" "$last")
part=$chunk.part.mkv
log=$base/logs/$(basename "$chunk" .mkv).log
frames=$((last - first + 1))
echo "@render start $first $last ${PARALLEL_SSHLOGIN:-:}"
cd "$program"
set +e
"$wine" ./engine-capture.exe --stream --frames "$first-$last" --size "$size" --fps "$fps" "${switches[@]}" 2>"$log" |
    ffmpeg -hide_banner -nostdin -loglevel error -y -f rawvideo -pix_fmt rgb24 -video_size "$size" \
        -framerate "$fps" -i - -c:v ffv1 -pix_fmt gbrp -threads 1 -progress pipe:1 -nostats "$part" |
    sed -un "s/^frame=\([0-9]*\)$/@render frames $first \1/p"
status=("${PIPESTATUS[@]}")
set -e
got=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 \
      "$part" 2>/dev/null || echo 0)
if [ "${status[0]}" -ne 0 ] || [ "${status[1]}" -ne 0 ] || [ "$got" != "$frames" ]; then
    say "failed on $(hostname): engine-capture.exe exit code ${status[0]}, ffmpeg exit code ${status[1]}," \
        "$got of $frames frames; the capture's last words:"
    tail -n 5 "$log" >&2
    exit 1
fi
mv -f "$part" "$chunk"
part=""
echo "@render done $first $last"
