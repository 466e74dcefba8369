#!/usr/bin/env bash
# Sets up a fresh machine, builds every configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

for preset in native asan; do
    cmake --preset "$preset" -DTESSAL_WERROR="${CI:+ON}"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

# The release archives, which the end-to-end tests unpack and run.
bash scripts/package.sh

# The program as the host runs it; the huge songs only without the sanitizers' slowdown.
pytest=(/usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e)
TESSAL_PROGRAM=build/native/tessal "${pytest[@]}" -m "not windows_only"
# The run leaves its objects to the end of the process on purpose: no leak report for them.
ASAN_OPTIONS=detect_leaks=0 TESSAL_PROGRAM=build/asan/tessal "${pytest[@]}" -m "not windows_only and not large"

bash scripts/fuzz.sh 10

TESSAL_RELEASE_MADE=1 bash scripts/windows-test.sh
