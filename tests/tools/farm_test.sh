#!/usr/bin/env bash
# tools/render/farm.sh over two machines on this one: an sshd on 127.0.0.1 with a throwaway host key and client
# key, on two free ports, each port a "host" that logs in to a folder of its own (sshd's ForceCommand), so that
# each host unpacks the archive and makes its Wine prefixes for itself. A short, small render (1 s at 30 frames
# per second, 160 x 90, supersampled and motion-blurred) is made once by tools/capture/video.sh for reference.
#   two-hosts: the farm's video has video.sh's frames (framemd5), both hosts drew chunks, the hosts keep their
#              program and prefixes but no chunk. A third host fails every chunk (a machine without Xvfb), and
#              the chunks it failed are drawn by the other two.
#   resume:    a render stopped part-way (Ctrl+C) leaves only whole chunks and nothing running on the hosts;
#              the same command again, with one of the two hosts gone, draws only the chunks that are missing,
#              keeps the others as they are, and gives the same video.
# Usage: farm_test.sh SOURCE_DIR BIN_DIR BUILD_DIR WORK_DIR
set -euo pipefail
src=$1
bin=$2
build=$3
work=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "farm_test: $* ($SECONDS s)" >&2; }

archive=$build/Engine-$(cat "$build/generated/version.txt")-win64.zip
[ -f "$archive" ] || fail "$archive is missing (cmake --build build --target package; ./test.sh makes it)"
sshd=/usr/sbin/sshd
[ -x "$sshd" ] || fail "$sshd is missing (tools/setup.sh installs openssh-server)"

# The hosts' leftovers of an earlier run (its prefixes' servers have long exited) go with the folder.
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
sshd_pid=""
descendants() { # pid: every process below it, deepest first
    local child
    for child in $(ps -o pid= --ppid "$1"); do descendants "$child"; echo "$child"; done
}
cleanup() {
    if [ -n "$sshd_pid" ]; then
        # A session's processes (a worker the test failed to stop) first, then sshd itself.
        kill $(descendants "$sshd_pid") 2>/dev/null || true
        kill "$sshd_pid" 2>/dev/null || true
        wait "$sshd_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# --- the hosts ---------------------------------------------------------------------------------------------------
ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/client_key"
cp "$work/client_key.pub" "$work/authorized_keys"
read -r port_a port_b port_c < <(python3 -c '
import socket
sockets = [socket.socket() for _ in range(3)]
for s in sockets: s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in sockets))')
user=$(id -un)
{
    printf '%s\n' "ListenAddress 127.0.0.1" "Port $port_a" "Port $port_b" "Port $port_c" \
        "HostKey $work/host_key" "AuthorizedKeysFile $work/authorized_keys" "StrictModes no" "UsePAM no" \
        "PasswordAuthentication no" "KbdInteractiveAuthentication no" "PermitRootLogin prohibit-password" \
        "PidFile none"
    for host in a b c; do
        port=port_$host
        mkdir -p "$work/host-$host"
        # A host without Xvfb: its PATH leads to nothing but what the transfers and the worker's first checks need.
        path=/usr/bin:/bin
        if [ "$host" = c ]; then
            mkdir -p "$work/host-c-bin"
            for tool in sh bash rsync perl ffmpeg ffprobe unzip cksum flock mkdir rm mv cat hostname dirname sed; do
                ln -sf "$(command -v "$tool")" "$work/host-c-bin/$tool"
            done
            path=$work/host-c-bin
        fi
        printf '%s\n' "Match LocalPort ${!port}" \
            "    ForceCommand cd $work/host-$host && HOME=$work/host-$host PATH=$path exec /bin/sh -c \"\$SSH_ORIGINAL_COMMAND\""
    done
} >"$work/sshd_config"
[ "$(id -u)" -ne 0 ] || mkdir -p /run/sshd   # sshd's privilege separation folder, which only root's sshd needs
"$sshd" -D -f "$work/sshd_config" -E "$work/sshd.log" &
sshd_pid=$!
ssh_command="ssh -i $work/client_key -o IdentitiesOnly=yes -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR -o BatchMode=yes -o ConnectTimeout=20"
login() { echo "1/$ssh_command -p $1 $user@127.0.0.1"; }
for _ in $(seq 100); do
    $ssh_command -p "$port_a" "$user@127.0.0.1" true 2>/dev/null && break
    kill -0 "$sshd_pid" 2>/dev/null || { cat "$work/sshd.log" >&2; fail "sshd did not start"; }
    sleep 0.1
done
[ "$($ssh_command -p "$port_b" "$user@127.0.0.1" pwd)" = "$work/host-b" ] || fail "host b does not log in to its folder"
{ login "$port_a"; login "$port_b"; } >"$work/hosts"
{ login "$port_a"; login "$port_b"; echo "# a machine without Xvfb"; login "$port_c"; } >"$work/hosts-and-a-broken-one"
login "$port_b" >"$work/host-b-alone"
step "sshd on 127.0.0.1, ports $port_a, $port_b and $port_c"

# --- the reference -----------------------------------------------------------------------------------------------
render=(--until 1 --fps 30 --size 160x90 --supersample 2 --motion-blur 2)
frames=31
frame_sums() { ffmpeg -v error -i "$1" -map 0:v:0 -f framemd5 - | grep -v '^#'; }
"$src/tools/capture/video.sh" "$work/reference.mp4" "${render[@]}" --bin "$bin" 2>"$work/reference.log" \
    || { cat "$work/reference.log" >&2; fail "video.sh failed"; }
frame_sums "$work/reference.mp4" >"$work/reference.framemd5"
[ "$(wc -l <"$work/reference.framemd5")" -eq "$frames" ] || fail "video.sh's video has not $frames frames"
step "video.sh's reference"

farm() { # log, then farm.sh's arguments
    local log=$1
    shift
    "$src/tools/render/farm.sh" "$@" "${render[@]}" --bin "$bin" --archive "$archive" 2>"$log"
}
succeeded_seqs() { awk -F '\t' 'NR > 1 && $7 == 0 { print $1 }' "$1" | sort -n | tr '\n' ' '; }

# --- two hosts ---------------------------------------------------------------------------------------------------
farm "$work/two-hosts.log" "$work/two-hosts.mp4" --hosts "$work/hosts-and-a-broken-one" --chunk 8 --keep --work "$work/two-hosts" \
    || { cat "$work/two-hosts.log" >&2; fail "the farm failed over two hosts"; }
frame_sums "$work/two-hosts.mp4" | cmp -s - "$work/reference.framemd5" \
    || fail "the farm's frames are not video.sh's"
[ "$(ffprobe -v error -select_streams a -show_entries stream=index -of csv=p=0 "$work/two-hosts.mp4" | wc -l)" -eq 1 ] \
    || fail "the farm's video has not one sound track"
log=$work/two-hosts/jobs.log
[ "$(succeeded_seqs "$log")" = "1 2 3 4 " ] || fail "not every chunk succeeded once: $(cat "$log")"
for port in "$port_a" "$port_b"; do
    grep -q -- "-p $port " <(awk -F '\t' 'NR > 1 && $7 == 0 { print $2 " " }' "$log") \
        || fail "the host on port $port drew no chunk"
done
for host in a b; do
    ls -d "$work/host-$host"/engine-render/Engine-*-win64/engine-capture.exe >/dev/null \
        || fail "host $host has no unpacked program"
    [ -f "$work/host-$host/engine-render/wine-1/.engine-render" ] || fail "host $host has no Wine prefix of its own"
    [ -z "$(ls "$work/host-$host/engine-render/chunks")" ] || fail "host $host keeps chunks after the render"
done
grep -q "Xvfb is missing" "$work/two-hosts.log" || fail "the broken host was never tried"
awk -F '\t' 'NR > 1 && $7 == 0 { print $2 " " }' "$log" | grep -q -- "-p $port_c " && fail "the broken host drew a chunk"
grep -q '^render: 31 of 31 frames' "$work/two-hosts.log" || fail "no progress line reached the end"
step "two hosts: the same frames as video.sh's, chunks from both, none from the broken one"

# --- stopped and resumed -----------------------------------------------------------------------------------------
chunks=$work/resume/engine-render/chunks
# With job control the farm gets a process group of its own, which takes Ctrl+C as a terminal's would (a script's
# background jobs otherwise ignore it).
set -m
"$src/tools/render/farm.sh" "$work/resume.mp4" --hosts "$work/hosts" --chunk 8 --keep \
    --work "$work/resume" "${render[@]}" --bin "$bin" --archive "$archive" 2>"$work/stopped.log" &
farm_pid=$!
set +m
until [ "$(ls "$chunks" 2>/dev/null | grep -c '^chunk-[0-9-]*\.mkv$')" -ge 1 ]; do
    kill -0 "$farm_pid" 2>/dev/null || { cat "$work/stopped.log" >&2; fail "the farm ended before it was stopped"; }
    sleep 0.2
done
kill -INT -- -"$farm_pid"   # Ctrl+C
wait "$farm_pid" && fail "a stopped render succeeded"
[ ! -e "$work/resume.mp4" ] || fail "a stopped render wrote a video"
ls "$chunks" | grep -v '^chunk-[0-9]*-[0-9]*\.mkv$' && fail "a stopped render left a partial chunk"
for _ in $(seq 100); do [ -z "$(descendants "$sshd_pid")" ] && break; sleep 0.2; done
[ -z "$(descendants "$sshd_pid")" ] || fail "a stopped render left work running on the hosts: $(ps -o args= \
    $(descendants "$sshd_pid"))"
kept=$(cd "$chunks" && ls -l --time-style=+%s.%N chunk-*.mkv)
done_before=$(succeeded_seqs "$work/resume/jobs.log")
step "stopped with chunks ${done_before}done"

farm "$work/resumed.log" "$work/resume.mp4" --hosts "$work/host-b-alone" --chunk 8 --keep --work "$work/resume" \
    || { cat "$work/resumed.log" >&2; fail "the resumed render failed"; }
frame_sums "$work/resume.mp4" | cmp -s - "$work/reference.framemd5" || fail "the resumed render's frames differ"
[ "$(cd "$chunks" && ls -l --time-style=+%s.%N $(awk '{ print $NF }' <<<"$kept"))" = "$kept" ] \
    || fail "chunks drawn before the stop were drawn again"
[ "$(succeeded_seqs "$work/resume/jobs.log")" = "1 2 3 4 " ] \
    || fail "not every chunk succeeded exactly once: $(cat "$work/resume/jobs.log")"
step "resumed on one host: only the missing chunks drawn, the same frames"
echo "farm_test: two hosts and a resumed render, each with video.sh's $frames frames ($SECONDS s)"
