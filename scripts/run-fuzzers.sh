#!/usr/bin/env bash
# Runs each fuzz target of build-fuzz/ for a fixed time, starting from its corpus in
# tests/fuzz/corpus/ and with its dictionary tests/fuzz/<target>.dict where there is one.
# Build them first: cmake --preset fuzz && cmake --build --preset fuzz
# New inputs go to a scratch folder, not into the repository. A crash, a hang (over 10 s) or
# a memory blow-up (over 2 GB) fails the run and leaves the input in build-fuzz/findings/:
# fix the fault and add the input to the target's corpus.
# Usage: scripts/run-fuzzers.sh [SECONDS_PER_TARGET [TARGET...]]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(settings locale skin_package skin_xml photo)
fi

findings=build-fuzz/findings
mkdir -p "$findings"
# The program saves files with fsync, which is slow on a disk: a memory file system keeps
# the runs fast where there is one.
scratch=$(mktemp -d /dev/shm/tq-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target/corpus" "$scratch/$target/tmp"
    log=$scratch/$target/log
    dictionary=()
    if [ -f "tests/fuzz/$target.dict" ]; then
        dictionary=(-dict="tests/fuzz/$target.dict")
    fi
    if ! TMPDIR=$scratch/$target/tmp QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1 \
        "build-fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
        "${dictionary[@]}" "$scratch/$target/corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        status=1
        echo "fuzz_$target FAILED; the input is in $findings/:" >&2
        tail -n 60 "$log" >&2
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: ${runs:-?} runs in ${seconds} s"
done
exit $status
