#!/usr/bin/env bash
# Two programs editing one choreography under Wine, as two makers with two windows on one file: in every order of
# edit, save, quit and SIGKILL, each key ends in the file or in a version the next start offers. Run both ways (A
# quits first, then B quits first), then with both killed; and a start while a program still runs never takes its
# autosave.
#   two_programs_test.sh BIN SCRATCH     BIN holds choreography_save_probe.exe and engine.exe; SCRATCH is emptied.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: two_programs_test.sh BIN SCRATCH" >&2; exit 2; }
bin=$(cd "$1" && pwd)
scratch=$2
say() { printf '[two-programs] %s\n' "$*" >&2; }
fail() { printf '[two-programs] FAILED: %s\n' "$*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
cp "$bin/choreography_save_probe.exe" "$scratch/"
cd "$scratch"
probe() { "$root/tools/winerun" ./choreography_save_probe.exe "$@"; }
# The presentation's own choreography: actor rows 0 and 1 are the ones the two programs key.
"$root/tools/winerun" "$bin/engine.exe" --write-choreography seed.xml 2>/dev/null
[ -s seed.xml ] || fail "engine.exe wrote no choreography"

# start NAME STEP...: program NAME (its steps name go-NAME, so that it can be told apart) runs in the background.
declare -A runner
start() {
    local name=$1
    shift
    probe session c.xml "$@" >"$name.out" 2>"$name.err" &
    runner[$name]=$!
}
# await NAME STEP: waits until program NAME has taken STEP.
await() {
    for _ in $(seq 1 600); do grep -q "^$2 done" "$1.out" && return 0; sleep 0.1; done
    cat "$1.err" >&2
    fail "program $1 did not get through \"$2\""
}
# finish NAME: lets program NAME go on past its "await go-NAME" and waits for its clean end.
finish() {
    touch "go-$1"
    wait "${runner[$1]}" || { cat "$1.err" >&2; fail "program $1 did not quit cleanly"; }
}
# kill_program NAME: SIGKILL to the Windows process itself, not Wine's launcher in front of it.
kill_program() {
    pkill -KILL -f "choreography_save_probe\\.exe session c\\.xml .*go-$1" || true
    for _ in $(seq 1 100); do
        pgrep -f "choreography_save_probe\\.exe session c\\.xml .*go-$1" >/dev/null || break
        sleep 0.1
    done
    wait "${runner[$1]}" 2>/dev/null || true
}
rate() { # FILE ROW: the rate of actor row ROW in FILE
    grep -o '<Actor [^>]*rate="[^"]*"' "$1" | sed -n "$(($2 + 1))p" | sed 's/.*rate="\([^"]*\)".*/\1/'
}
fresh() {
    rm -f c.xml* go-*
    cp seed.xml c.xml
}
# offered: what a new start offers, one line per version, newest first: "FILE RATE0 RATE1 ...".
offered() { probe offers c.xml 2>/dev/null | tr -d '\r'; }

say "A saves its key and quits first; B's key, autosaved and never saved, survives B's kill"
fresh
start a rate 0 111 save await go-a quit
start b rate 1 250 autosave await go-b hold
await a save
await b autosave
finish a
ls c.xml.autosave-* >/dev/null 2>&1 || fail "A's quit removed B's autosave"
[ -z "$(offered)" ] || fail "a start took the autosave of B, which still runs"
ls c.xml.autosave-* >/dev/null 2>&1 || fail "a start moved B's autosave while B runs"
kill_program b
[ "$(rate c.xml 0)" = 111 ] || fail "the file lost A's saved key"
lines=$(offered)
[ "$(echo "$lines" | wc -l)" -eq 1 ] || fail "one version was to be offered, not: $lines"
echo "$lines" | grep -q ' 250 ' || fail "B's key is offered nowhere: $lines"
say "A's key in the file, B's offered back after its kill"

say "B saves its key and quits first; A's autosaved key survives A's kill"
fresh
start a rate 0 111 autosave await go-a hold
start b rate 1 250 save await go-b quit
await a autosave
await b save
finish b
[ "$(rate c.xml 1)" = 250 ] || fail "the file lost B's saved key"
kill_program a
lines=$(offered)
echo "$lines" | grep -q '^[^ ]* 111 ' || fail "A's key is offered nowhere: $lines"
say "B's key in the file, A's offered back after its kill"

say "both keep unsaved keys and both are killed: the next start offers each, newest first, three starts in a row"
fresh
start a rate 0 111 autosave await go-a hold
await a autosave
sleep 1.1   # B's autosave is written a second later, so that the order is the time's
start b rate 1 250 autosave await go-b hold
await b autosave
kill_program a
kill_program b
for start in 1 2 3; do
    lines=$(offered)
    [ "$(echo "$lines" | wc -l)" -eq 2 ] || fail "start $start: two versions were to be offered, not: $lines"
    echo "$lines" | sed -n 1p | grep -q ' 250 ' || fail "start $start: B's newer version is not first: $lines"
    echo "$lines" | sed -n 2p | grep -q '^[^ ]* 111 ' || fail "start $start: A's version is not second: $lines"
done
cmp -s seed.xml c.xml || fail "the file changed without a save"
say "both kept, offered newest first at three starts after \"Not now\""
