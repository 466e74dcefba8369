#!/usr/bin/env bash
# Sets up a fresh machine, builds every configuration and runs every test, one line a stage.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stage.sh

stage setup bash scripts/setup.sh
# The format that .clang-format gives; the generated tables are data.
formatted() { clang-format --dry-run --Werror "$@" && echo "$# files formatted"; }
stage format formatted $(git ls-files '*.cpp' '*.h')

for preset in native asan; do
    stage "build $preset" build "$preset"
    stage "unit tests $preset" ctest --preset "$preset"
done

# The release archives, which the end-to-end tests unpack and run.
stage releases bash scripts/package.sh

# The program as the host runs it; the huge songs only without the sanitizers' slowdown.
pytest=(/usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e)
stage "end to end native" env TESSAL_PROGRAM=build/native/tessal "${pytest[@]}" -m "not windows_only"
# The run leaves its objects to the end of the process on purpose: no leak report for them.
stage "end to end asan" env ASAN_OPTIONS=detect_leaks=0 TESSAL_PROGRAM=build/asan/tessal \
    "${pytest[@]}" -m "not windows_only and not large"

stage fuzzing bash scripts/fuzz.sh 10

TESSAL_RELEASE_MADE=1 bash scripts/windows-test.sh
