#!/usr/bin/env bash
# Builds the libFuzzer target and runs it for the given seconds (default 20) from the seeds in
# fuzz/corpus, then once over each real song. A failed property or a crash stops with its
# input saved under build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

fuzzer=build/fuzz/temporary_file_fuzzer log=build/fuzz/temporary_file.log
mkdir -p build/fuzz/work
echo "fuzzing the temporary file for ${seconds}s"
status=0
"$fuzzer" -max_total_time="$seconds" -artifact_prefix=build/fuzz/ build/fuzz/work fuzz/corpus \
    >"$log" 2>&1 || status=$?
# The real songs apart: as seeds they would make every input as long as they are.
[ "$status" -ne 0 ] || "$fuzzer" -runs=0 -artifact_prefix=build/fuzz/ tests/corpus >>"$log" 2>&1 ||
    status=$?
grep -E "ERROR|property failed|SUMMARY" "$log" || true
[ "$status" -eq 0 ] || { echo "fuzzing failed; see $log"; exit 1; }
echo "$(grep -m1 '^Done' "$log"), then the real songs once each"
