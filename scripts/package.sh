#!/usr/bin/env bash
# Makes the releases a user unpacks into the host's plug-in folder, each holding the folder
# tessal/: build/release/tessal-VERSION.zip for Windows and
# build/release/tessal-VERSION-linux-x86_64.tar.gz for OpenUtau on Linux.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows -DTESSAL_WERROR="${CI:+ON}" >/dev/null
cmake --build --preset windows --target tessal
cmake --preset native -DTESSAL_WERROR="${CI:+ON}" >/dev/null
cmake --build --preset native --target tessal

version=$(sed -n 's/^project(tessal VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
folder=build/release/tessal
rm -rf build/release
mkdir -p "$folder"

cp package/plugin.txt package/tessalini.txt "$folder/"
i686-w64-mingw32-strip -o "$folder/tessal.exe" build/windows/tessal.exe
printf '%s\r\n' "$version" >"$folder/version.txt"
# Windows line ends; the Japanese readme in Shift-JIS, which every editor on Japanese Windows
# opens as it is.
sed 's/$/\r/' README.md >"$folder/README.txt"
iconv -f UTF-8 -t CP932 README.ja.md | sed 's/$/\r/' >"$folder/README.ja.txt"

# OpenUtau starts a program that is not an .exe directly. Files as Linux editors expect them:
# LF line ends, the readmes in UTF-8.
linux=build/release/linux/tessal
mkdir -p "$linux"
sed -e 's/\r$//' -e 's/^execute=tessal\.exe$/execute=tessal/' package/plugin.txt >"$linux/plugin.txt"
cp package/tessalini.txt "$linux/"
strip -o "$linux/tessal" build/native/tessal
printf '%s\n' "$version" >"$linux/version.txt"
cp README.md "$linux/README.txt"
cp README.ja.md "$linux/README.ja.txt"

/usr/bin/python3 - "$version" <<'PYTHON'
import sys, tarfile, zipfile
from pathlib import Path
version = sys.argv[1]
release = Path("build/release")
with zipfile.ZipFile(release / f"tessal-{version}.zip", "w", zipfile.ZIP_DEFLATED) as archive:
    for path in sorted((release / "tessal").iterdir()):
        archive.write(path, f"tessal/{path.name}")
print(release / f"tessal-{version}.zip")
# tar keeps the program's run bit.
with tarfile.open(release / f"tessal-{version}-linux-x86_64.tar.gz", "w:gz") as archive:
    archive.add(release / "linux" / "tessal", "tessal")
print(release / f"tessal-{version}-linux-x86_64.tar.gz")
PYTHON
