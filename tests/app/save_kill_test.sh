#!/usr/bin/env bash
# Kills the timeline's editor with SIGKILL where a user's work is most at risk, under Wine as a user runs it:
# 1. during saves of a large choreography (about 20 MB of text) at several moments: the file is always one whole
#    version, never a mix or a part, and so is its backup;
# 2. after an edit, once it was autosaved and before any save: the file is untouched, and the next start offers
#    the edit back and opens it.
#   save_kill_test.sh BIN SCRATCH     BIN holds choreography_save_probe.exe; SCRATCH is emptied and used.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: save_kill_test.sh BIN SCRATCH" >&2; exit 2; }
bin=$(cd "$1" && pwd)
scratch=$2
say() { printf '[save-kill] %s\n' "$*" >&2; }
fail() { printf '[save-kill] FAILED: %s\n' "$*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
cp "$bin/choreography_save_probe.exe" "$scratch/"
cd "$scratch"
probe() { "$root/tools/winerun" ./choreography_save_probe.exe "$@"; }
# The Windows process itself, not the shell or Wine's launcher in front of it.
kill_probe() {
    pkill -KILL -f 'choreography_save_probe\.exe' || true
    for _ in $(seq 1 100); do pgrep -f 'choreography_save_probe\.exe' >/dev/null || return 0; sleep 0.1; done
    fail "the probe did not end"
}

say "SIGKILL during saves"
# Each run is killed at a different moment after its first save, so that the kills fall into different steps of
# later saves: the backup, the temporary file, its flush, the rename.
for delay in 0.05 0.2 0.35 0.5 0.7 0.9; do
    rm -f big.xml*
    probe save big.xml >saves.out 2>saves.err &
    runner=$!
    for _ in $(seq 1 600); do grep -q '^saved' saves.out && break; sleep 0.1; done
    grep -q '^saved' saves.out || { cat saves.err >&2; fail "the probe saved nothing"; }
    sleep "$delay"
    kill_probe
    wait "$runner" 2>/dev/null || true
    saved=$(grep -c '^saved' saves.out || true)
    number=$(probe check big.xml | tr -d "\r") || fail "after $delay s ($saved saves told): big.xml is not a whole version"
    if [ -e big.xml.bak ]; then
        probe check big.xml.bak >/dev/null || fail "after $delay s: big.xml.bak is not a whole version"
    fi
    # The file is the last save told of, or the one after it, if its rename was done when the kill came.
    [ "$number" -ge "$saved" ] && [ "$number" -le $((saved + 1)) ] ||
        fail "after $delay s: big.xml holds version $number, but $saved saves were told"
    say "killed $delay s after the first save: $saved saves told, the file holds version $number whole"
done

say "SIGKILL after an autosaved edit"
probe save seed.xml >/dev/null 2>&1 &
runner=$!
for _ in $(seq 1 300); do [ -e seed.xml ] && break; sleep 0.1; done
kill_probe
wait "$runner" 2>/dev/null || true
probe check seed.xml >/dev/null || fail "seed.xml is not whole"
cp seed.xml before.xml
probe edit seed.xml >edit.out 2>edit.err &
runner=$!
for _ in $(seq 1 600); do grep -q autosaved edit.out && break; sleep 0.1; done
grep -q autosaved edit.out || { cat edit.err >&2; fail "the edit was not autosaved"; }
kill_probe
wait "$runner" 2>/dev/null || true
cmp -s before.xml seed.xml || fail "the file changed without a save"
compgen -G 'seed.xml.autosave-*.xml' >/dev/null || fail "no autosave was left"
probe recover seed.xml 2>recover.err || { cat recover.err >&2; fail "the next start did not recover the edit"; }
compgen -G 'seed.xml.recovered-*.xml' >/dev/null || fail "the recovered edit was not kept aside"
say "the file untouched, the edit offered and opened by the next start"
