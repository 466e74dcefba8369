#!/usr/bin/env bash
# Cross-builds for Windows and runs the unit tests under Wine, once with the Japanese ANSI code
# page (932, as the users have) and once with the Western one (1252).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows -DTESSAL_WERROR="${CI:+ON}"
cmake --build --preset windows

scripts/check-pe.py build/windows/tessal_tests.exe console
scripts/check-pe.py build/windows/tessal.exe gui
# The release zip, which the end-to-end tests unpack and run.
bash scripts/package.sh

# A prefix of its own, made once. No display, and no offer to install Mono or Gecko.
export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.made" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i
    wineserver -w
    touch "$WINEPREFIX/.made"
fi

# Wine takes the Windows time zone from TZ; both have an offset, New York's with daylight saving.
status=0
for run in "ja_JP.UTF-8 Asia/Tokyo" "en_US.UTF-8 America/New_York"; do
    read -r locale zone <<<"$run"
    echo "== tessal_tests.exe under LC_ALL=$locale TZ=$zone"
    LC_ALL=$locale TZ=$zone wine build/windows/tessal_tests.exe || status=1
done

# The program as the host runs it: Japanese Windows east of UTC, and Western Windows three and
# a half hours behind it.
for run in "ja_JP.UTF-8 Asia/Tokyo cp932" "en_US.UTF-8 America/St_Johns cp1252"; do
    read -r locale zone codepage <<<"$run"
    echo "== tessal.exe end to end under LC_ALL=$locale TZ=$zone"
    LC_ALL=$locale TZ=$zone TESSAL_WINE=1 TESSAL_PROGRAM=build/windows/tessal.exe \
        TESSAL_ANSI=$codepage /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e \
        -m "not posix_only and not large" || status=1
done
exit $status
