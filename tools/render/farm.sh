#!/usr/bin/env bash
# The presentation rendered in chunks of frames by several processes or machines, joined into one video:
#   tools/render/farm.sh OUT.mp4 [--fps N] [--size WxH] [--until T] [--supersample N] [--motion-blur S]
#       [--shutter A] [--choreography FILE] [--chunk FRAMES] [--jobs N] [--hosts LOGINFILE] [--retries N]
#       [--work DIR] [--keep] [--archive ZIP] [--bin DIR]
# GNU parallel does the scheduling, the transfers, the retries and the resume; this script cuts the frames into
# chunks, reads the workers' progress and joins their lossless chunks into the video that tools/capture/video.sh
# makes with the same switches (the same encoder settings, tools/capture/encoder.sh: the same decoded frames).
# Without --hosts the chunks run here, --jobs at a time; with --hosts (GNU parallel's --sshloginfile format) they
# run on those machines, --jobs at a time on each, which get the release archive, the choreography and the worker
# (tools/render/worker.sh) once and send back each chunk. A render that was stopped, or lost a machine, goes on
# where it was when run again with the same switches: only missing or failed chunks are drawn. See
# docs/render.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/capture/encoder.sh"
die() { printf 'farm.sh: %s\n' "$*" >&2; exit 64; }
fail() { printf 'farm.sh: %s\n' "$*" >&2; exit 1; }
say() { printf 'farm.sh: %s\n' "$*" >&2; }
usage() { sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 64; }

out=""
fps=60
size=1280x720
until=""
choreography=""
quality=()
chunk=120
jobs=1
hosts=""
retries=3
work=""
keep=0
archive=""
bin="$root/build/bin"
while [ $# -gt 0 ]; do
    case "$1" in
        --fps|--size|--until|--choreography|--chunk|--jobs|--hosts|--retries|--work|--archive|--bin)
            [ $# -ge 2 ] || usage
            case "$1" in
                --fps) fps=$2 ;; --size) size=$2 ;; --until) until=$2 ;; --choreography) choreography=$2 ;;
                --chunk) chunk=$2 ;; --jobs) jobs=$2 ;; --hosts) hosts=$2 ;; --retries) retries=$2 ;;
                --work) work=$2 ;; --archive) archive=$2 ;; --bin) bin=$2 ;;
            esac
            shift 2 ;;
        # engine-capture.exe checks their values (in the frame count below), before anything is drawn.
        --supersample|--motion-blur|--shutter) [ $# -ge 2 ] || usage; quality+=("$1" "$2"); shift 2 ;;
        --keep) keep=1; shift ;;
        -h|--help) usage ;;
        -*) die "unknown option '$1'" ;;
        *) [ -z "$out" ] || die "one output file only ('$out', then '$1')"; out=$1; shift ;;
    esac
done
[ -n "$out" ] || usage
whole() { [[ "$2" =~ ^[0-9]+$ ]] && [ "$2" -ge "$3" ] && [ "$2" -le "$4" ] || die "$1 needs a whole number from $3 to $4"; }
whole --fps "$fps" 1 1000
whole --chunk "$chunk" 1 1000000
whole --jobs "$jobs" 1 256
whole --retries "$retries" 1 100
[[ "$size" =~ ^([0-9]+)x([0-9]+)$ ]] || die "--size needs WIDTHxHEIGHT, such as 1280x720"
[ $((BASH_REMATCH[1] % 2)) -eq 0 ] && [ $((BASH_REMATCH[2] % 2)) -eq 0 ] \
    || die "--size needs even sides for H.264 (yuv420p)"
for tool in parallel ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || die "$tool is missing (tools/setup.sh installs it)"
done
[ -f "$bin/engine-capture.exe" ] || die "$bin/engine-capture.exe is missing (build first, or name the folder with --bin)"
bin=$(cd "$bin" && pwd)
if [ -z "$archive" ]; then
    version=$(cat "$root/build/generated/version.txt" 2>/dev/null) || die "no build/ to take the release archive from"
    archive=$root/build/Engine-$version-win64.zip
fi
[ -f "$archive" ] || die "$archive is missing (make it with: cmake --build build --target package)"
[[ "$(basename "$archive")" =~ ^[A-Za-z0-9._+-]+\.zip$ ]] || die "--archive: $archive is not a plain .zip name"
if [ -n "$hosts" ]; then
    [ -f "$hosts" ] || die "--hosts: $hosts is not a file"
    machines=$(grep -cv '^[[:space:]]*\(#\|$\)' "$hosts" || true)
    [ "$machines" -ge 1 ] || die "--hosts: $hosts names no machine"
    hosts=$(cd "$(dirname "$hosts")" && pwd)/$(basename "$hosts")
else
    machines=1
fi
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
if [ -n "$choreography" ]; then
    [ -f "$choreography" ] || die "--choreography: $choreography is not a file"
    choreography=$(absolute "$choreography")
fi
archive=$(absolute "$archive")
mkdir -p "$(dirname "$out")"
out=$(absolute "$out")
work=${work:-${out%.*}.render}
mkdir -p "$work"
work=$(cd "$work" && pwd)
exec {work_lock}>>"$work/lock"
flock -n "$work_lock" || fail "another render is using $work"

# The frames a whole run writes, as engine-capture.exe counts them (which checks every switch as well).
switches=(--fps "$fps" --size "$size")
[ -z "$until" ] || switches+=(--until "$until")
switches+=("${quality[@]}")
count=$(cd "$bin" && "$root/tools/winerun" ./engine-capture.exe --stream --frame-count "${switches[@]}") \
    || die "engine-capture.exe refused these switches"
count=${count//$'\r'/}   # a Windows program's line end
[[ "$count" =~ ^[0-9]+$ ]] && [ "$count" -ge 1 ] || fail "engine-capture.exe counted '$count' frames"

# A work folder holds the chunks of one render: its switches, choreography and archive are recorded, and a
# different render is refused rather than joined with chunks that are not its own.
settings="fps=$fps size=$size until=${until:-58} ${quality[*]} chunk=$chunk frames=$count
archive=$(basename "$archive") $(cksum <"$archive")
choreography=$( [ -z "$choreography" ] && echo built-in || cksum <"$choreography")"
if [ -f "$work/settings" ] && [ "$(cat "$work/settings")" != "$settings" ]; then
    fail "$work holds chunks of another render (see $work/settings); remove it or name another --work"
fi
printf '%s\n' "$settings" >"$work/settings"
mkdir -p "$work/engine-render/chunks"
sendable=$work/engine-render
name=$(basename "$archive")
cmp -s "$archive" "$sendable/$name" || cp "$archive" "$sendable/$name"
cmp -s "$root/tools/render/worker.sh" "$sendable/worker.sh" || cp "$root/tools/render/worker.sh" "$sendable/worker.sh"
chmod +x "$sendable/worker.sh"
worker_switches=("${quality[@]}")
[ -z "$until" ] || worker_switches+=(--until "$until")
if [ -n "$choreography" ]; then
    cmp -s "$choreography" "$sendable/choreography.xml" || cp "$choreography" "$sendable/choreography.xml"
    worker_switches+=(--choreography engine-render/choreography.xml)
fi

# One job a chunk: first frame, last frame, file name. The list depends on the switches alone, so a second run's
# job numbers are the first run's, which is what GNU parallel's resume goes by.
chunk_name() { printf 'chunk-%06d-%06d' "$1" "$2"; }
: >"$work/chunks.txt"
for ((first = 0; first < count; first += chunk)); do
    last=$((first + chunk - 1 < count - 1 ? first + chunk - 1 : count - 1))
    echo "$first $last $(chunk_name "$first" "$last")" >>"$work/chunks.txt"
done
chunks=$(wc -l <"$work/chunks.txt")

# The chunks that are drawn already (by an earlier run). The chunk files are what counts, and the job log that
# GNU parallel resumes by is brought in line with them: a chunk the log calls done whose file is gone (removed by
# hand) is forgotten, so that it is drawn again; a chunk whose file came back just before a stop, too late for
# the log, is entered as done (on machine "-", in 0 s), so that it is not drawn again.
before=0
present=" "
seq=0
while read -r first last file; do
    seq=$((seq + 1))
    if [ -f "$work/engine-render/chunks/$file.mkv" ]; then
        before=$((before + last - first + 1))
        present+="$seq "
    fi
done <"$work/chunks.txt"
joblog=$work/jobs.log
if [ -f "$joblog" ]; then
    awk -F '\t' -v present="$present" -v now="$(date +%s)" '
        FNR == 1 || $7 != 0 || index(present, " " $1 " ") { print; if (FNR > 1 && $7 == 0) logged[$1] = 1 }
        END { n = split(present, seqs, " ")
              for (i = 1; i <= n; i++) if (!(seqs[i] in logged)) printf "%s\t-\t%s\t0\t0\t0\t0\t0\t-\n", seqs[i], now }' \
        "$joblog" >"$joblog.new"
    mv -f "$joblog.new" "$joblog"
fi

# The progress of the whole render: frames of finished chunks (earlier runs' too) and of running ones, from the
# workers' "@render" lines. On a terminal the line is rewritten four times a second; in a log a line is written
# at every tenth of the way.
follow() {
    local -A running=() drawn=()
    local done=$before shown=-1 last_print=0 kind first last rest
    local start=${EPOCHREALTIME/./}
    while IFS= read -r line; do
        if [[ "$line" != "@render "* ]]; then printf '%s\n' "$line" >&2; continue; fi
        read -r _ kind first last rest <<<"$line"
        case "$kind" in
            start) running[$first]=$rest; drawn[$first]=0 ;;
            frames) [ -z "${running[$first]+set}" ] || drawn[$first]=$last ;;
            done) done=$((done + last - first + 1)); unset "running[$first]" "drawn[$first]" ;;
            stop) unset "running[$first]" "drawn[$first]" ;;
        esac
        local now=${EPOCHREALTIME/./} now_done=$done busy n
        for n in "${drawn[@]}"; do now_done=$((now_done + n)); done
        busy=$(printf '%s\n' "${running[@]}" | sort -u | grep -c . || true)
        if [ -t 2 ]; then
            [ $((now - last_print)) -ge 250000 ] || [ "$kind" = "done" ] || continue
        else
            [ $((now_done * 10 / count)) -gt "$shown" ] || continue
            shown=$((now_done * 10 / count))
        fi
        last_print=$now
        local elapsed=$(((now - start) / 1000)) rate="-" left="-"
        [ "$now_done" -le "$count" ] || now_done=$count
        if [ "$now_done" -gt "$before" ] && [ "$elapsed" -gt 0 ]; then
            rate=$(awk -v f=$((now_done - before)) -v ms="$elapsed" 'BEGIN { printf "%.2f", f * 1000 / ms }')
            left=$(awk -v f=$((count - now_done)) -v r="$rate" 'BEGIN { s = f / r;
                if (s >= 60) printf "%d min %02d s", s / 60, s % 60; else printf "%d s", s }')
        fi
        local text
        text=$(printf 'render: %d of %d frames (%d%%), %s frames/s, %s left, %d of %d machines busy' \
            "$now_done" "$count" $((now_done * 100 / count)) "$rate" "$left" "$busy" "$machines")
        if [ -t 2 ]; then printf '\r%s\033[K' "$text" >&2; else printf '%s\n' "$text" >&2; fi
    done
    if [ -t 2 ]; then printf '\n' >&2; fi
}

if [ "$before" -eq "$count" ]; then
    say "all $count frames are drawn already: joining them"
elif [ "$before" -gt 0 ]; then
    say "$before of $count frames are drawn already: drawing the rest"
fi
say "$count frames of ${until:-58} s at $fps frames per second, $size ${quality[*]}, in $chunks chunks" \
    "on $machines machine(s), $jobs at a time on each; chunks in $work"
started=${EPOCHREALTIME/./}
farm=(parallel --will-cite --colsep ' ' --joblog "$joblog" --resume-failed --retries "$retries" --line-buffer
      --jobs "$jobs")
if [ -z "$hosts" ]; then
    # Chunks drawn here keep the unpacked program and their Wine prefixes beside the project's own, for the next
    # render (the work folder goes once the video is made).
    export ENGINE_RENDER_CACHE=$root/.wine/render
else
    # Each machine gets the worker, the archive and the choreography once, before its first chunk, and sends
    # every chunk back as soon as it is drawn; ssh connections to a machine are shared (-M).
    farm+=(-M --sshloginfile "$hosts" --basefile "engine-render/worker.sh" --basefile "engine-render/$name"
           --return "engine-render/chunks/{3}.mkv")
    [ -z "$choreography" ] || farm+=(--basefile engine-render/choreography.xml)
fi
set +e
(cd "$work" && "${farm[@]}" engine-render/worker.sh "$name" '{1}' '{2}' "$size" "$fps" "${worker_switches[@]}" \
    <chunks.txt {work_lock}>&-) | follow
status=("${PIPESTATUS[@]}")
set -e
drawn_at=${EPOCHREALTIME/./}

missing=()
while read -r first last file; do
    [ -f "$work/engine-render/chunks/$file.mkv" ] || missing+=("$first-$last")
done <"$work/chunks.txt"
if [ "${status[0]}" -ne 0 ] || [ ${#missing[@]} -gt 0 ]; then
    fail "${#missing[@]} of $chunks chunks are not drawn (frames ${missing[*]:0:8}); their messages are above." \
         "Run the same command again to draw only those (the job log is $joblog)"
fi

# The chunks, decoded back to the raw frames engine-capture.exe wrote, in order, into the one encoder.
sound=""
if [ -f "$bin/DemoTrack01.mp3" ]; then
    sound=$bin/DemoTrack01.mp3
else
    say "$bin/DemoTrack01.mp3 is missing; the video gets a silent sound track"
fi
partial=$work/video.mp4
set +e
while read -r _ _ file; do
    ffmpeg -hide_banner -nostdin -loglevel error -i "$work/engine-render/chunks/$file.mkv" \
        -f rawvideo -pix_fmt rgb24 - || exit 1
done <"$work/chunks.txt" | encode_presentation "$partial" "$size" "$fps" "$sound"
status=("${PIPESTATUS[@]}")
set -e
if [ "${status[0]}" -ne 0 ] || [ "${status[1]}" -ne 0 ]; then
    rm -f "$partial"
    fail "joining the chunks failed (decoding exit code ${status[0]}, encoding exit code ${status[1]})"
fi
mv -f "$partial" "$out"
finished=${EPOCHREALTIME/./}

# The speed: wall time of this run, and the times of the chunks it drew from the job log (their successful tries),
# whose sum over the wall time is the speed-up the machines gave.
chunk_seconds=$(awk -F '\t' -v since=$((started / 1000000)) 'NR > 1 && $7 == 0 && $3 >= since { sum += $4 }
    END { printf "%.1f", sum }' "$joblog")
awk -v wall=$((drawn_at - started)) -v all=$((finished - started)) -v sum="$chunk_seconds" \
    -v n=$((count - before)) 'BEGIN {
    wall /= 1e6; all /= 1e6
    if (n > 0)
        printf "farm.sh: %d frames drawn in %.1f s wall time, %.1f s of chunk time summed (%.2f x the wall time), " \
            "%.2f frames/s; ", n, wall, sum, sum / wall, n / wall > "/dev/stderr"
    else
        printf "farm.sh: " > "/dev/stderr"
    printf "joined and encoded in %.1f s\n", all - wall > "/dev/stderr" }'
if [ -n "$hosts" ]; then
    # The machines keep the unpacked program and their Wine prefixes for the next render, not the chunks.
    parallel --will-cite --nonall --sshloginfile "$hosts" 'rm -f engine-render/chunks/chunk-*' || true
fi
if [ "$keep" = 0 ]; then
    rm -rf "$work"
fi
say "wrote $out"
