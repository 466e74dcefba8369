#!/usr/bin/env bash
# Makes the releases: build/release/tessal-VERSION.zip for Windows, which UTAU installs when it
# is dropped on its window (install.txt at the root names the folder tessal/ beside it), and
# build/release/tessal-VERSION-linux-x86_64.tar.gz for OpenUtau on Linux, holding tessal/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset windows -DTESSAL_WERROR="${CI:+ON}" >/dev/null
cmake --build --preset windows --target tessal
cmake --preset native -DTESSAL_WERROR="${CI:+ON}" >/dev/null
cmake --build --preset native --target tessal

version=$(sed -n 's/^project(tessal VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf build/release

# Windows: CR LF everywhere and no byte-order mark in what UTAU and OpenUtau read; the English
# readme in UTF-8 with a mark (Notepad before Windows 10 1903 needs it), the Japanese one in
# Shift-JIS, which every editor on Japanese Windows opens as it is.
windows=build/release/windows
mkdir -p "$windows/tessal"
cp package/install.txt "$windows/"
cp package/plugin.txt package/tessalini.txt "$windows/tessal/"
i686-w64-mingw32-strip -o "$windows/tessal/tessal.exe" build/windows/tessal.exe
printf '%s\r\n' "$version" >"$windows/tessal/version.txt"
sed 's/$/\r/' LICENSE >"$windows/tessal/LICENSE.txt"
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' package/README.txt; } >"$windows/tessal/README.txt"
iconv -f UTF-8 -t CP932 package/README.ja.txt | sed 's/$/\r/' >"$windows/tessal/README.ja.txt"

# Linux: as Linux editors expect, LF and UTF-8. plugin.txt asks OpenUtau for UTF-8, so that
# no lyric is lost to "?", and names a program that OpenUtau starts directly.
linux=build/release/linux/tessal
mkdir -p "$linux"
cp package/linux/plugin.txt package/linux/tessalini.txt "$linux/"
cp package/README.txt package/README.ja.txt "$linux/"
strip -o "$linux/tessal" build/native/tessal
printf '%s\n' "$version" >"$linux/version.txt"
cp LICENSE "$linux/LICENSE.txt"

/usr/bin/python3 - "$version" <<'PYTHON'
import sys, tarfile, zipfile
from pathlib import Path
version = sys.argv[1]
release = Path("build/release")
with zipfile.ZipFile(release / f"tessal-{version}.zip", "w", zipfile.ZIP_DEFLATED) as archive:
    for path in sorted((release / "windows").rglob("*")):
        archive.write(path, path.relative_to(release / "windows").as_posix())
print(release / f"tessal-{version}.zip")
# tar keeps the program's run bit.
with tarfile.open(release / f"tessal-{version}-linux-x86_64.tar.gz", "w:gz") as archive:
    archive.add(release / "linux" / "tessal", "tessal")
print(release / f"tessal-{version}-linux-x86_64.tar.gz")
PYTHON
