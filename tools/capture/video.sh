#!/usr/bin/env bash
# The presentation as an H.264 MP4 with its music, in one command:
#   tools/capture/video.sh OUT.mp4 [--fps N] [--size WxH] [--until T] [--supersample N] [--motion-blur S]
#                          [--shutter A] [--choreography FILE] [--bin DIR]
# engine-capture.exe plays it on a fixed step (--fps, 60 by default) and streams every frame raw through a pipe
# into ffmpeg, which encodes it (tools/capture/encoder.sh: x264, yuv420p, one thread, fixed settings: the same
# arguments give the same video frames) with "DemoTrack01.mp3" as the sound track, cut or padded with silence to
# the picture's length. No image is ever written to disk. --until stops after T seconds of presentation time
# (default: the whole 58 s); --size is the picture (default 1280x720, even sides); --supersample, --motion-blur
# and --shutter are engine-capture.exe's (see its --help); --bin the folder of engine-capture.exe and the data
# (default build/bin); --choreography plays that file instead of the compiled-in choreography. The capture's
# progress line shows frames done and the time left.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/capture/encoder.sh"
die() { printf 'video.sh: %s\n' "$*" >&2; exit 64; }
usage() { sed -n '2,4p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 64; }

out=""
fps=60
size=1280x720
until=""
choreography=""
quality=()
bin="$root/build/bin"
while [ $# -gt 0 ]; do
    case "$1" in
        --fps) [ $# -ge 2 ] || usage; fps=$2; shift 2 ;;
        --size) [ $# -ge 2 ] || usage; size=$2; shift 2 ;;
        --until) [ $# -ge 2 ] || usage; until=$2; shift 2 ;;
        --bin) [ $# -ge 2 ] || usage; bin=$2; shift 2 ;;
        --choreography) [ $# -ge 2 ] || usage; choreography=$2; shift 2 ;;
        # engine-capture.exe checks their values, before it draws anything.
        --supersample|--motion-blur|--shutter) [ $# -ge 2 ] || usage; quality+=("$1" "$2"); shift 2 ;;
        -h|--help) usage ;;
        -*) die "unknown option '$1'" ;;
        *) [ -z "$out" ] || die "one output file only ('$out', then '$1')"; out=$1; shift ;;
    esac
done
[ -n "$out" ] || usage
[[ "$fps" =~ ^[0-9]+$ ]] && [ "$fps" -ge 1 ] && [ "$fps" -le 1000 ] || die "--fps needs a whole number from 1 to 1000"
[[ "$size" =~ ^([0-9]+)x([0-9]+)$ ]] || die "--size needs WIDTHxHEIGHT, such as 1280x720"
width=${BASH_REMATCH[1]}
height=${BASH_REMATCH[2]}
# H.264 in yuv420p halves the colour resolution both ways, so both sides must be even.
[ $((width % 2)) -eq 0 ] && [ $((height % 2)) -eq 0 ] || die "--size needs even sides for H.264 (yuv420p)"
command -v ffmpeg >/dev/null || die "ffmpeg is missing (tools/setup.sh installs it)"
[ -f "$bin/engine-capture.exe" ] || die "$bin/engine-capture.exe is missing (build first, or name the folder with --bin)"
# The capture and the encoder run in that folder: a relative --bin must not name a folder inside it.
bin=$(cd "$bin" && pwd)
# The capture runs in the program's folder: a relative file name must still mean the caller's file.
if [ -n "$choreography" ]; then
    [ -f "$choreography" ] || die "--choreography: $choreography is not a file"
    choreography=$(cd "$(dirname "$choreography")" && pwd)/$(basename "$choreography")
fi
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")

sound=""
if [ -f "$bin/DemoTrack01.mp3" ]; then
    sound=$bin/DemoTrack01.mp3
else
    echo "video.sh: $bin/DemoTrack01.mp3 is missing; the video gets a silent sound track" >&2
fi

capture=(./engine-capture.exe --stream --fps "$fps" --size "$size")
[ -z "$until" ] || capture+=(--until "$until")
[ -z "$choreography" ] || capture+=(--choreography "$choreography")
capture+=("${quality[@]}")

echo "video.sh: ${until:-58} s at $fps frames per second, ${width}x${height}, into $out" >&2
cd "$bin"
set +e
"$root/tools/winerun" "${capture[@]}" |
    encode_presentation "$out" "$size" "$fps" "$sound"
status=("${PIPESTATUS[@]}")
set -e
if [ "${status[0]}" -ne 0 ] || [ "${status[1]}" -ne 0 ]; then
    echo "video.sh: failed (engine-capture.exe exit code ${status[0]}, ffmpeg exit code ${status[1]})" >&2
    rm -f "$out"
    exit 1
fi
echo "video.sh: wrote $out" >&2
