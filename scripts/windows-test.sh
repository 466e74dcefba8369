#!/usr/bin/env bash
# Cross-builds for Windows and runs the unit tests and the program end to end under Wine, once
# with the Japanese ANSI code page (932, as the users have) and once with the Western one (1252).
# Where this machine cannot run 32-bit programs, or with TESSAL_WINE64=1, the tests run on a
# 64-bit twin built from the same sources, under Wine's 64-bit loader; the release stays 32-bit.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stage.sh

# The "wine" wrapper takes the 32-bit loader whenever it is installed, even where the kernel
# cannot run it, so the 64-bit path starts Wine's 64-bit loader itself.
reason=
if [ "${TESSAL_WINE64:-}" = 1 ]; then
    reason="TESSAL_WINE64=1"
elif ! error=$(/usr/lib/wine/wine --version 2>&1 >/dev/null); then
    reason="this machine cannot run 32-bit programs (Wine's 32-bit loader: ${error##*: })"
fi
if [ -n "$reason" ]; then
    preset=windows64 wine=/usr/lib/wine/wine64 machine=x64
    # Programs that Wine starts from inside, wineboot's among them, take the same loader.
    export WINELOADER=$wine
else
    preset=windows wine=wine machine=x86
    reason="this machine runs 32-bit programs"
fi

# The release archives, which the end-to-end tests unpack and run; the release is the 32-bit
# program on every machine. scripts/test.sh has set the machine up and made them already.
if [ "${TESSAL_RELEASE_MADE:-}" != 1 ]; then
    stage setup bash scripts/setup.sh
    stage releases bash scripts/package.sh
fi
scripts/check-pe.sh build/windows/tessal.exe gui x86

stage "build $preset" build "$preset"
scripts/check-pe.sh "build/$preset/tessal_tests.exe" console "$machine"
scripts/check-pe.sh "build/$preset/tessal.exe" gui "$machine"
echo "Windows tests: build/$preset/tessal.exe under $(basename "$wine"): $reason"

# A prefix of its own, made once by the loader that runs the tests. No display, and no offer to
# install Mono or Gecko.
export WINEPREFIX="$PWD/build/$preset/wineprefix" WINEDEBUG=-all DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml="
made_prefix() { rm -rf "$WINEPREFIX" && "$wine" wineboot -i && wineserver -w && touch "$WINEPREFIX/.made" && echo made; }
[ -f "$WINEPREFIX/.made" ] || stage "wine prefix" made_prefix

# One Wine server for every run, with Wine's own background programs started now: a run that
# started them would have its output held open by them for as long as they last.
wineserver -p >/dev/null 2>&1 </dev/null
trap 'wineserver -k' EXIT
"$wine" wineboot >/dev/null 2>&1 </dev/null

# Wine takes the Windows time zone from TZ; both have an offset, New York's with daylight saving.
status=0
for run in "ja_JP.UTF-8 Asia/Tokyo" "en_US.UTF-8 America/New_York"; do
    read -r locale zone <<<"$run"
    stage "unit tests wine ${locale%%_*}" env LC_ALL="$locale" TZ="$zone" "$wine" \
        "build/$preset/tessal_tests.exe" || status=1
done

# The program as the host runs it: Japanese Windows east of UTC, and Western Windows three and
# a half hours behind it.
for run in "ja_JP.UTF-8 Asia/Tokyo cp932" "en_US.UTF-8 America/St_Johns cp1252"; do
    read -r locale zone codepage <<<"$run"
    stage "end to end wine ${locale%%_*}" env LC_ALL="$locale" TZ="$zone" TESSAL_WINE="$wine" \
        TESSAL_PROGRAM="build/$preset/tessal.exe" TESSAL_ANSI="$codepage" /usr/bin/python3 -m \
        pytest -q -p no:cacheprovider tests/e2e -m "not posix_only and not large" || status=1
done
exit $status
