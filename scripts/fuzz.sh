#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for the given seconds (default 20), starting
# from the seeds in fuzz/corpus, and for the temporary file from the real songs too. A failed
# property or a crash stops with its input saved under build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

for target in temporary_file settings; do
    work="build/fuzz/work/$target"
    mkdir -p "$work"
    echo "fuzzing $target for ${seconds}s"
    status=0
    "build/fuzz/${target}_fuzzer" -max_total_time="$seconds" \
        -artifact_prefix="build/fuzz/$target-" "$work" "fuzz/corpus/$target" \
        >"build/fuzz/$target.log" 2>&1 || status=$?
    # The real songs once each, apart: as seeds they would make every input as long as they are.
    if [ "$target" = temporary_file ] && [ "$status" -eq 0 ]; then
        "build/fuzz/${target}_fuzzer" -runs=0 -artifact_prefix="build/fuzz/$target-" \
            tests/corpus >>"build/fuzz/$target.log" 2>&1 || status=$?
    fi
    grep -E "^Done|ERROR|property failed|SUMMARY" "build/fuzz/$target.log" || true
    [ "$status" -eq 0 ] || { echo "fuzzing $target failed; see build/fuzz/$target.log"; exit 1; }
done
