#!/usr/bin/env bash
# Fuzzes one target (or all of them in turn) with libFuzzer for a given number of seconds each:
#     tools/fuzz/run.sh TARGET|all SECONDS [libFuzzer options...]
# Targets: xml options world actor mesh dds targa choreography. Paths given to libFuzzer must be absolute: the
# targets work in a scratch folder of their own. Builds build-asan/ (clang, AddressSanitizer, UndefinedBehavior-
# Sanitizer, libFuzzer) when needed. New interesting inputs collect in build-asan/fuzz/corpus/TARGET (not
# committed); the committed seeds (tools/fuzz/corpus/TARGET) and regressions are read, never written. A crash
# leaves its input in build-asan/fuzz/crashes/TARGET/ and makes the script fail; once fixed, the input belongs
# in tools/fuzz/regressions/TARGET/, which CTest replays.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tools/fuzz"
build="$root/build-asan"
all_targets=(xml options world actor mesh dds targa choreography)

usage() { echo "usage: tools/fuzz/run.sh TARGET|all SECONDS [libFuzzer options...] (targets: ${all_targets[*]})" >&2; exit 2; }
[ $# -ge 2 ] || usage
what=$1 seconds=$2
shift 2
[[ "$seconds" =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || usage
if [ "$what" = all ]; then
    targets=("${all_targets[@]}")
else
    [[ " ${all_targets[*]} " == *" $what "* ]] || usage
    targets=("$what")
fi

"$here/configure.sh" "$build"
cmake --build "$build" -j 2 --target "${targets[@]/#/fuzz_}" >/dev/null

# The targets write every input to a file; on a memory file system that runs some twenty times faster.
scratch_root="$build/fuzz/tmp"
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_root=/dev/shm
scratch="$scratch_root/engine-fuzz-$$"
trap 'rm -rf "$scratch"' EXIT

status=0
for target in "${targets[@]}"; do
    work="$build/fuzz/corpus/$target" crashes="$build/fuzz/crashes/$target"
    mkdir -p "$work" "$crashes"
    rm -rf "$scratch" && mkdir -p "$scratch"
    inputs=("$work" "$here/corpus/$target")
    [ -d "$here/regressions/$target" ] && inputs+=("$here/regressions/$target")
    dict=()
    max_len=4096
    case $target in
        # Long enough for inputs nested past the XML loader's depth limit (256 levels) with attributes on the way.
        xml|options|world|actor) dict=(-dict="$here/xml.dict") max_len=16384 ;;
        choreography) dict=(-dict="$here/choreography.dict") max_len=16384 ;;
        mesh) dict=(-dict="$here/obj.dict") ;;
        dds) dict=(-dict="$here/dds.dict") ;;
    esac
    log="$build/fuzz/$target.log"
    # The engine reports every bad file on standard error; closing the target's copy keeps the log to
    # libFuzzer's own lines and the sanitizers' reports, which still get through.
    if TMPDIR="$scratch" "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -max_len="$max_len" \
            -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$crashes/" "${dict[@]}" "$@" \
            "${inputs[@]}" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)
        echo "[fuzz] $target: ${runs:-?} runs in ${seconds} s, ${cov:-cov: ?}, working corpus $(ls "$work" | wc -l) inputs, no crash"
    else
        status=1
        echo "[fuzz] $target: FAILED; the input is in $crashes/ and the report follows (full log: $log)" >&2
        grep -E -A 30 '^==[0-9]+==ERROR|runtime error|property broken|deadly signal|ERROR: libFuzzer' "$log" \
            | head -n 60 >&2 || tail -n 40 "$log" >&2
    fi
done
exit $status
