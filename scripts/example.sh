#!/usr/bin/env bash
# Builds the plug-in alone, not the tests nor the benchmarks, and runs it the way the host does
# on a copy of the bundled example selection, then shows the lyrics before and after and the log.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh native
cmake --preset native >/dev/null
cmake --build --preset native --target tessal

work=build/example
rm -rf "$work"
mkdir -p "$work"
cp examples/selection.tmp "$work/selection.tmp"

# The host starts the plug-in with the temporary file as its one argument; the log goes to
# the working folder, the settings come from beside the program.
status=0
(cd "$work" && ../native/tessal selection.tmp) || status=$?

lyrics() { grep -a '^Lyric=' "$1" | iconv -f cp932 -t utf-8 | sed 's/^Lyric=//'; }
echo
echo "Lyrics before and after (first PREV, last NEXT):"
paste <(lyrics examples/selection.tmp) <(lyrics "$work/selection.tmp") | sed 's/\t/  ->  /'
echo
echo "$work/tessal.log:"
# In UTF-8 here, the Shift-JIS settings' kana among it.
tr -d '\r' <"$work/tessal.log"
echo "exit status: $status"
