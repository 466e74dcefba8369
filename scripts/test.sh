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
bash scripts/windows-test.sh
